#include "extension/windows/WindowsHost.h"

#include "extension/windows/ShellExtension.h"
#include "extension/windows/WideText.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <memory>
#include <windows.h>
// With WIN32_LEAN_AND_MEAN, windows.h leaves out the shell's declarations.
#include <shellapi.h>
#include <shlobj.h>

namespace fs = std::filesystem;

namespace quorvane::ext {

namespace {

const wchar_t* const boxTitle = L"Quorvane";

// The local path a URI of the operations names; a path is its own.
std::wstring localPath(const std::string& uri) {
    constexpr std::string_view scheme = "file://";
    if (!uri.starts_with(scheme))
        return utf8ToWide(uri);
    std::string path;
    for (std::size_t i = scheme.size(); i < uri.size(); ++i) {
        if (uri[i] == '%' && i + 2 < uri.size() && std::isxdigit(uri[i + 1]) &&
            std::isxdigit(uri[i + 2])) {
            path += static_cast<char>(std::stoi(uri.substr(i + 1, 2), nullptr, 16));
            i += 2;
        } else {
            path += uri[i] == '/' ? '\\' : uri[i];
        }
    }
    // "file:///C:/..." names the drive after its third slash.
    if (path.size() > 2 && path[0] == '\\' && path[2] == ':')
        path.erase(0, 1);
    return utf8ToWide(path);
}

std::wstring systemReason(DWORD error) {
    wchar_t* text = nullptr;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, error, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::wstring reason = length ? std::wstring(text, length) : L"error " + std::to_wstring(error);
    LocalFree(text);
    while (!reason.empty() && (reason.back() == L'\n' || reason.back() == L'\r'))
        reason.pop_back();
    return reason;
}

// An argument as the started program's runtime splits its command line. One holding quotes is
// passed as it stands, for the shell's own command processor, which reads quotes its own way.
std::wstring commandLineArgument(const std::wstring& argument) {
    if (!argument.empty() && argument.find_first_of(L" \t\"") == std::wstring::npos)
        return argument;
    if (argument.find(L'"') != std::wstring::npos)
        return argument;
    std::wstring quoted = L"\"" + argument;
    // Backslashes before the closing quote would escape it.
    const std::size_t trailing = argument.size() - (argument.find_last_not_of(L'\\') + 1);
    quoted.append(trailing, L'\\');
    return quoted + L"\"";
}

bool shellExecute(const std::wstring& file, const std::wstring& parameters,
                  const std::wstring& folder) {
    SHELLEXECUTEINFOW info{};
    info.cbSize = sizeof info;
    info.fMask = SEE_MASK_NOASYNC | SEE_MASK_FLAG_NO_UI;
    info.lpFile = file.c_str();
    info.lpParameters = parameters.empty() ? nullptr : parameters.c_str();
    info.lpDirectory = folder.empty() ? nullptr : folder.c_str();
    info.nShow = SW_SHOWNORMAL;
    return ShellExecuteExW(&info);
}

// Opens the clipboard, which another program may hold for a moment.
bool openClipboard() {
    for (int attempt = 0; attempt < 10; ++attempt) {
        if (OpenClipboard(nullptr))
            return true;
        Sleep(10);
    }
    return false;
}

bool putOnClipboard(UINT format, const void* bytes, std::size_t size) {
    const HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, size);
    if (!memory)
        return false;
    std::memcpy(GlobalLock(memory), bytes, size);
    GlobalUnlock(memory);
    if (SetClipboardData(format, memory))
        return true;
    GlobalFree(memory);
    return false;
}

struct BackgroundJob {
    std::function<void()> work;
    HMODULE module;
    CountedObject counted;
};

DWORD WINAPI runJob(void* parameter) {
    std::unique_ptr<BackgroundJob> job(static_cast<BackgroundJob*>(parameter));
    try {
        job->work();
    } catch (...) {
        // The operations report their own failures; nothing may end Explorer.
    }
    const HMODULE module = job->module;
    job.reset();
    // The DLL stays loaded until this thread has left its code.
    FreeLibraryAndExitThread(module, 0);
}

// Opens a window of `folder`, or brings up the one that shows it, with `paths` selected.
bool selectInFolder(const std::wstring& folder, const std::vector<std::wstring>& paths) {
    const PIDLIST_ABSOLUTE folderId = ILCreateFromPathW(folder.c_str());
    if (!folderId)
        return false;
    std::vector<PIDLIST_ABSOLUTE> items;
    std::vector<PCUITEMID_CHILD> children;
    for (const std::wstring& path : paths) {
        if (const PIDLIST_ABSOLUTE item = ILCreateFromPathW(path.c_str())) {
            items.push_back(item);
            children.push_back(ILFindLastID(item));
        }
    }
    const HRESULT shown =
        children.empty() ? E_INVALIDARG
                         : SHOpenFolderAndSelectItems(folderId, static_cast<UINT>(children.size()),
                                                      children.data(), 0);
    for (const PIDLIST_ABSOLUTE item : items)
        ILFree(item);
    ILFree(folderId);
    return SUCCEEDED(shown);
}

int CALLBACK browseStarted(HWND window, UINT message, LPARAM, LPARAM start) {
    if (message == BFFM_INITIALIZED)
        SendMessageW(window, BFFM_SETSELECTIONW, TRUE, start);
    return 0;
}

} // namespace

void WindowsHost::message(std::string text) {
    MessageBoxW(nullptr, utf8ToWide(text).c_str(), boxTitle, MB_OK | MB_ICONWARNING);
}

void WindowsHost::runInBackground(std::function<void()> work) {
    HMODULE module = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS,
                       reinterpret_cast<const wchar_t*>(&runJob), &module);
    auto job = std::make_unique<BackgroundJob>();
    job->work = std::move(work);
    job->module = module;
    if (const HANDLE thread = CreateThread(nullptr, 0, runJob, job.get(), 0, nullptr)) {
        job.release();
        CloseHandle(thread);
        return;
    }
    // No thread to be had: the work is done here rather than not at all.
    FreeLibrary(module);
    job->work();
}

void WindowsHost::readClipboard(std::function<void(std::string text)> done) {
    if (!openClipboard()) {
        message("Another program holds the clipboard. Try again.");
        return;
    }
    std::string text;
    if (const HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
        if (const auto wide = static_cast<const wchar_t*>(GlobalLock(data))) {
            text = wideToUtf8(wide);
            GlobalUnlock(data);
        }
    }
    CloseClipboard();
    done(std::move(text));
}

void WindowsHost::setClipboard(std::string text) {
    if (!openClipboard()) {
        message("Another program holds the clipboard. Nothing was copied.");
        return;
    }
    EmptyClipboard();
    // Text on Windows ends its lines with CR LF.
    std::string lines;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r'))
            lines += '\r';
        lines += text[i];
    }
    const std::wstring wide = utf8ToWide(lines);
    bool done = putOnClipboard(CF_UNICODETEXT, wide.c_str(), (wide.size() + 1) * sizeof(wchar_t));
    // The same text for programs that read only the ANSI code page's.
    const int length =
        WideCharToMultiByte(CP_ACP, 0, wide.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string ansi(static_cast<std::size_t>(length), '\0');
    WideCharToMultiByte(CP_ACP, 0, wide.c_str(), -1, ansi.data(), length, nullptr, nullptr);
    done = putOnClipboard(CF_TEXT, ansi.c_str(), ansi.size()) && done;
    CloseClipboard();
    if (!done)
        message("The clipboard took no text. Nothing was copied.");
}

void WindowsHost::showText(std::string title, std::string text) {
    MessageBoxW(nullptr, utf8ToWide(text).c_str(), utf8ToWide(title).c_str(),
                MB_OK | MB_ICONINFORMATION);
}

void WindowsHost::confirm(std::string question, std::function<void()> onYes) {
    if (MessageBoxW(nullptr, utf8ToWide(question).c_str(), boxTitle,
                    MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) == IDYES)
        onYes();
}

void WindowsHost::chooseFolder(std::string title, fs::path start,
                               std::function<void(fs::path folder)> onChosen) {
    const std::wstring heading = utf8ToWide(title);
    const std::wstring startFolder = start.wstring();
    BROWSEINFOW browse{};
    browse.lpszTitle = heading.c_str();
    browse.ulFlags = BIF_RETURNONLYFSDIRS | BIF_NEWDIALOGSTYLE;
    browse.lpfn = browseStarted;
    browse.lParam = reinterpret_cast<LPARAM>(startFolder.c_str());
    const PIDLIST_ABSOLUTE chosen = SHBrowseForFolderW(&browse);
    if (!chosen)
        return;
    std::wstring folder(MAX_PATH, L'\0');
    const bool local = SHGetPathFromIDListW(chosen, folder.data());
    CoTaskMemFree(chosen);
    if (!local) {
        message("\"" + title + "\" works on folders of this computer only.");
        return;
    }
    folder.resize(std::wcslen(folder.c_str()));
    onChosen(fs::path(folder));
}

void WindowsHost::openFolderWindow(std::string uri) {
    if (!shellExecute(L"explorer.exe", L"/e," + commandLineArgument(localPath(uri)), {}))
        message("Explorer could not be started: " + wideToUtf8(systemReason(GetLastError())));
}

void WindowsHost::showItems(std::vector<std::string> uris) {
    // One window for each folder, with every selected object of it selected there, as the file
    // managers of other systems show them.
    std::vector<std::pair<std::wstring, std::vector<std::wstring>>> folders;
    for (const std::string& uri : uris) {
        const std::wstring path = localPath(uri);
        const std::wstring folder = fs::path(path).parent_path().wstring();
        auto known = std::find_if(folders.begin(), folders.end(),
                                  [&folder](const auto& shown) { return shown.first == folder; });
        if (known == folders.end())
            known = folders.insert(folders.end(), {folder, {}});
        known->second.push_back(path);
    }
    for (const auto& [folder, paths] : folders) {
        if (selectInFolder(folder, paths))
            continue;
        // A shell that cannot (Wine's has no window list to ask) is given a command line, which
        // selects one object only.
        if (!shellExecute(L"explorer.exe", L"/select," + commandLineArgument(paths.front()), {})) {
            message("Explorer could not be started: " + wideToUtf8(systemReason(GetLastError())));
            return;
        }
    }
}

void WindowsHost::showItemProperties(std::vector<std::string> uris) {
    for (const std::string& uri : uris) {
        const std::wstring path = localPath(uri);
        if (!SHObjectProperties(nullptr, SHOP_FILEPATH, path.c_str(), nullptr))
            message("No properties can be shown for '" + wideToUtf8(path) + "'.");
    }
}

void WindowsHost::startProgram(std::vector<std::string> argv, fs::path folder) {
    if (argv.empty())
        return;
    std::wstring parameters;
    for (std::size_t i = 1; i < argv.size(); ++i)
        parameters += (i > 1 ? L" " : L"") + commandLineArgument(utf8ToWide(argv[i]));
    if (!shellExecute(utf8ToWide(argv[0]), parameters, folder.wstring()))
        message("Cannot start '" + argv[0] + "': " + wideToUtf8(systemReason(GetLastError())));
}

} // namespace quorvane::ext
