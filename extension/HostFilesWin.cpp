#include "extension/FileOperations.h"
#include "extension/HostFiles.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwctype>
#include <optional>
#include <windows.h>
// With WIN32_LEAN_AND_MEAN, windows.h leaves out COM's and the shell's declarations.
#include <objbase.h>
#include <shellapi.h>
#include <shlobj.h>

namespace fs = std::filesystem;

namespace quorvane::ext {

namespace {

// The error numbers the shared file operations reason with, from the system's error codes.
int errorNumber(DWORD error) {
    switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
        return ENOENT;
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
        return EEXIST;
    case ERROR_NOT_SAME_DEVICE:
        return EXDEV;
    case ERROR_ACCESS_DENIED:
    case ERROR_WRITE_PROTECT:
        return EACCES;
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
        return EBUSY;
    case ERROR_FILENAME_EXCED_RANGE:
        return ENAMETOOLONG;
    case ERROR_DISK_FULL:
        return ENOSPC;
    default:
        return EIO;
    }
}

std::string quotedArgument(const std::string& text) {
    return "\"" + text + "\"";
}

bool isShortcut(const fs::path& object) {
    std::wstring extension = object.extension().wstring();
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](wchar_t c) { return static_cast<wchar_t>(std::towlower(c)); });
    std::error_code ec;
    return extension == L".lnk" && fs::is_regular_file(object, ec);
}

// COM for as long as a shortcut is read, on whatever thread asks: Explorer's own threads have it
// already, in whichever model they chose, and keep it.
class ComUse {
public:
    ComUse() : m_started(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {}
    ~ComUse() {
        if (m_started)
            CoUninitialize();
    }
    ComUse(const ComUse&) = delete;
    ComUse& operator=(const ComUse&) = delete;

private:
    bool m_started;
};

template <typename Interface> struct Released {
    Interface* object = nullptr;
    ~Released() {
        if (object)
            object->Release();
    }
};

// Where a shortcut leads, as the shell finds it without asking anyone: nothing for one it cannot
// read and for one that leads to no file (a printer, a control panel).
std::optional<fs::path> shortcutTarget(const fs::path& shortcut) {
    const ComUse com;
    Released<IShellLinkW> link;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                reinterpret_cast<void**>(&link.object))))
        return std::nullopt;
    Released<IPersistFile> file;
    if (FAILED(link.object->QueryInterface(IID_IPersistFile,
                                           reinterpret_cast<void**>(&file.object))) ||
        FAILED(file.object->Load(shortcut.c_str(), STGM_READ)))
        return std::nullopt;
    // A target that moved is looked for, for a second at most (the high word), without a window
    // and without rewriting the shortcut; what it finds or not, GetPath says.
    link.object->Resolve(nullptr, SLR_NO_UI | SLR_NOUPDATE | (1000u << 16));
    std::wstring target(MAX_PATH, L'\0');
    if (link.object->GetPath(target.data(), static_cast<int>(target.size()), nullptr, 0) != S_OK)
        return std::nullopt;
    target.resize(std::wcslen(target.c_str()));
    if (target.empty())
        return std::nullopt;
    return fs::path(target);
}

// Why the shell's delete left an object in place. SHFileOperationW answers with the system's error
// codes, or with codes of its own from older Windows that FormatMessage does not know.
std::string shellDeleteFailure(int result, bool aborted) {
    if (aborted)
        return "the removal was cancelled";
    if (result == ERROR_ACCESS_DENIED || result == ERROR_SHARING_VIOLATION ||
        result == ERROR_LOCK_VIOLATION || result == ERROR_WRITE_PROTECT ||
        result == ERROR_FILE_NOT_FOUND || result == ERROR_PATH_NOT_FOUND ||
        result == ERROR_FILENAME_EXCED_RANGE)
        return reason(errorNumber(static_cast<DWORD>(result)));
    if (result == 0)
        return "something in it could not be removed";
    char code[16];
    std::snprintf(code, sizeof code, "0x%X", static_cast<unsigned>(result));
    return "the shell could not delete it (error " + std::string(code) + ")";
}

} // namespace

int presence(const fs::path& path) {
    if (GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES)
        return EEXIST;
    const int error = errorNumber(GetLastError());
    return error == ENOENT ? 0 : error;
}

int renameNoReplace(const fs::path& from, const fs::path& to) {
    // Without MOVEFILE_REPLACE_EXISTING a taken name is refused, and without
    // MOVEFILE_COPY_ALLOWED another volume is too, for the caller to copy whole.
    return MoveFileExW(from.c_str(), to.c_str(), 0) ? 0 : errorNumber(GetLastError());
}

std::string removeTree(const fs::path& object) {
    const DWORD attributes = GetFileAttributesW(object.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        const int error = errorNumber(GetLastError());
        return error == ENOENT ? "it no longer exists" : reason(error);
    }
    if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) {
        // A link (symbolic, or a junction) goes, never what it leads to, which the shell's delete
        // of a folder might walk into.
        if (attributes & FILE_ATTRIBUTE_READONLY)
            SetFileAttributesW(object.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);
        const BOOL removed = attributes & FILE_ATTRIBUTE_DIRECTORY
                                 ? RemoveDirectoryW(object.c_str())
                                 : DeleteFileW(object.c_str());
        return removed ? std::string() : reason(errorNumber(GetLastError()));
    }
    // The shell's own delete, as a Shift+Delete in Explorer: read-only files, and folders holding
    // them, go too; nothing goes to the recycle bin (no FOF_ALLOWUNDO); it asks nothing, as the
    // one question has been answered, and shows no failure of its own. A selected read-only file
    // is made writable first, as not every shell's delete does that for what it was handed; it
    // is made read-only again if it stays.
    const bool readOnly = attributes & FILE_ATTRIBUTE_READONLY;
    if (readOnly)
        SetFileAttributesW(object.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);
    const ComUse com;
    std::wstring from = object.wstring();
    from.append(2, L'\0');
    SHFILEOPSTRUCTW operation{};
    operation.wFunc = FO_DELETE;
    operation.pFrom = from.c_str();
    operation.fFlags = FOF_NOCONFIRMATION | FOF_NOERRORUI | FOF_SILENT;
    const int result = SHFileOperationW(&operation);
    if (GetFileAttributesW(object.c_str()) == INVALID_FILE_ATTRIBUTES &&
        errorNumber(GetLastError()) == ENOENT)
        return {};
    if (readOnly)
        SetFileAttributesW(object.c_str(), attributes);
    return shellDeleteFailure(result, operation.fAnyOperationsAborted);
}

std::size_t longestName(const fs::path&) {
    return MAX_PATH - 1;
}

std::vector<std::string> stamp(const std::vector<fs::path>& objects, const StampDates& dates) {
    std::vector<std::string> failures;
    FILETIME now{};
    GetSystemTimeAsFileTime(&now);
    for (const fs::path& object : objects) {
        // The object itself, as selected: a link gets the dates, not what it leads to; a folder
        // opens only with backup semantics.
        const HANDLE file = CreateFileW(
            object.c_str(), FILE_WRITE_ATTRIBUTES,
            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
            FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
        bool done = file != INVALID_HANDLE_VALUE;
        if (done) {
            done = SetFileTime(file, dates.creation ? &now : nullptr,
                               dates.lastAccessed ? &now : nullptr,
                               dates.lastModified ? &now : nullptr);
            const DWORD error = GetLastError();
            CloseHandle(file);
            SetLastError(error);
        }
        if (!done)
            failures.push_back("Cannot stamp " + quoted(object) + ": " +
                               reason(errorNumber(GetLastError())) + ".");
    }
    return failures;
}

std::string linkTarget(const fs::path& object) {
    if (auto target = symbolicLinkTarget(object))
        return *target;
    if (isShortcut(object)) {
        if (const auto target = shortcutTarget(object))
            return target->string();
    }
    return object.string();
}

fs::path rootFolder() {
    const wchar_t* drive = _wgetenv(L"SystemDrive");
    return fs::path(drive && *drive ? drive : L"C:") / "";
}

fs::path homeFolder() {
    const wchar_t* profile = _wgetenv(L"USERPROFILE");
    return profile && *profile ? fs::path(profile) : rootFolder();
}

std::string stampRefusal(const StampDates&) {
    // Windows sets every one of the dates.
    return {};
}

bool isProgram(const fs::path& file) {
    std::wstring extension = file.extension().wstring();
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](wchar_t c) { return static_cast<wchar_t>(std::towlower(c)); });
    std::error_code ec;
    return (extension == L".exe" || extension == L".com" || extension == L".bat" ||
            extension == L".cmd") &&
           fs::is_regular_file(file, ec);
}

std::vector<std::string> openCommand(const std::string& target) {
    // The host starts commands through the shell, which opens a document with its program.
    return {target};
}

PromptCommand promptCommand(const std::string& file, const std::string* start) {
    std::string shell = "cmd.exe";
    if (const char* comspec = std::getenv("COMSPEC"); comspec && *comspec)
        shell = comspec;
    if (!start)
        return {file.empty() ? std::vector<std::string>{shell}
                             : std::vector<std::string>{shell, "/k", file},
                {}};
    if (file.empty())
        return {{shell, "/c", *start}, {}};
    // "call" returns to the line after a batch file, which then starts the prompt.
    return {{shell, "/c", "call " + quotedArgument(file) + " & " + *start}, {}};
}

} // namespace quorvane::ext
