#include "platform/AtomicFile.h"

#include <cerrno>
#include <charconv>
#include <optional>
#include <random>
#include <string>
#include <system_error>
#include <windows.h>

namespace quorvane {

namespace {

[[noreturn]] void throwLastError(const std::string& what) {
    throw std::system_error(static_cast<int>(GetLastError()), std::system_category(), what);
}

std::filesystem::path folderOf(const std::filesystem::path& file) {
    std::filesystem::path folder = file.parent_path();
    return folder.empty() ? "." : folder;
}

// Temporaries are named "<target>.tmp.<pid>.<number>", as elsewhere: the pid tells a later save
// whether the writer still runs.
std::string temporaryPrefix(const std::filesystem::path& target) {
    return target.filename().string() + ".tmp.";
}

std::optional<DWORD> temporaryOwner(std::string_view name, std::string_view prefix) {
    if (!name.starts_with(prefix))
        return std::nullopt;
    name.remove_prefix(prefix.size());
    const std::size_t dot = name.find('.');
    if (dot == std::string_view::npos || dot + 1 == name.size() ||
        name.find('.', dot + 1) != std::string_view::npos)
        return std::nullopt;
    for (char c : name)
        if ((c < '0' || c > '9') && c != '.')
            return std::nullopt;
    DWORD pid = 0;
    const auto [end, error] = std::from_chars(name.data(), name.data() + dot, pid);
    if (error != std::errc() || end != name.data() + dot || pid == 0)
        return std::nullopt;
    return pid;
}

bool isRunning(DWORD pid) {
    HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
    if (!process)
        // A process of another user cannot be opened, but it runs.
        return GetLastError() == ERROR_ACCESS_DENIED;
    DWORD code = 0;
    const bool running = GetExitCodeProcess(process, &code) && code == STILL_ACTIVE;
    CloseHandle(process);
    return running;
}

enum class Owners { Dead, Any };

void removeTemporaries(const std::filesystem::path& file, Owners owners) {
    const std::string prefix = temporaryPrefix(file);
    std::error_code error;
    for (std::filesystem::directory_iterator it(folderOf(file), error), end; !error && it != end;
         it.increment(error)) {
        const std::optional<DWORD> pid = temporaryOwner(it->path().filename().string(), prefix);
        if (!pid || !it->is_regular_file(error))
            continue;
        if (owners == Owners::Dead && (*pid == GetCurrentProcessId() || isRunning(*pid)))
            continue;
        DeleteFileW(it->path().c_str());
    }
}

// MoveFileEx would replace a read-only file's name all the same in some cases; a file the user
// marked read-only is meant to stay as it is.
void refuseReadOnly(const std::filesystem::path& path, const char* what) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) &&
        !(attributes & FILE_ATTRIBUTE_DIRECTORY))
        throw std::system_error(EACCES, std::generic_category(),
                                std::string(what) + " " + path.string() + " is read-only");
}

void prepareFolder(const std::filesystem::path& folder, MissingFolder missingFolder) {
    std::error_code error;
    if (missingFolder == MissingFolder::Create) {
        std::filesystem::create_directories(folder, error);
        if (error)
            throw std::system_error(error, "cannot create the folder " + folder.string());
    } else if (!std::filesystem::is_directory(folder, error)) {
        throw std::system_error(error ? error : std::make_error_code(std::errc::not_a_directory),
                                "cannot open the folder " + folder.string());
    }
}

// Closes the handle and removes the temporary unless it replaced the target.
class TemporaryFile {
public:
    explicit TemporaryFile(const std::filesystem::path& target);
    ~TemporaryFile();
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;

    HANDLE handle() const { return m_handle; }
    const std::filesystem::path& path() const { return m_path; }
    void close();
    void release() { m_removeOnExit = false; }

private:
    std::filesystem::path m_path;
    HANDLE m_handle = INVALID_HANDLE_VALUE;
    bool m_removeOnExit = true;
};

TemporaryFile::TemporaryFile(const std::filesystem::path& target) {
    std::random_device random;
    const std::string stem = temporaryPrefix(target) + std::to_string(GetCurrentProcessId()) + ".";
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::filesystem::path candidate = target;
        candidate.replace_filename(stem + std::to_string(random()));
        // CREATE_NEW makes the name ours; a clash with a leftover just tries another.
        HANDLE handle = CreateFileW(candidate.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
        if (handle != INVALID_HANDLE_VALUE) {
            m_path = std::move(candidate);
            m_handle = handle;
            return;
        }
        if (GetLastError() != ERROR_FILE_EXISTS && GetLastError() != ERROR_ALREADY_EXISTS)
            throwLastError("cannot create a temporary file beside " + target.string());
    }
    throw std::system_error(EEXIST, std::generic_category(),
                            "cannot create a temporary file beside " + target.string());
}

TemporaryFile::~TemporaryFile() {
    if (m_handle != INVALID_HANDLE_VALUE)
        CloseHandle(m_handle);
    if (m_removeOnExit)
        DeleteFileW(m_path.c_str());
}

void TemporaryFile::close() {
    HANDLE handle = m_handle;
    m_handle = INVALID_HANDLE_VALUE;
    if (!CloseHandle(handle))
        throwLastError("cannot write " + m_path.string());
}

void writeAll(HANDLE handle, std::string_view bytes, const std::filesystem::path& path) {
    while (!bytes.empty()) {
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size(), 1u << 30));
        DWORD written = 0;
        if (!WriteFile(handle, bytes.data(), chunk, &written, nullptr))
            throwLastError("cannot write " + path.string());
        bytes.remove_prefix(written);
    }
}

} // namespace

// Windows links are left to the system: MoveFileEx replaces the name it is given.
std::filesystem::path followLinks(const std::filesystem::path& target) {
    return target;
}

void removeAllTemporaries(const std::filesystem::path& target) {
    removeTemporaries(target, Owners::Any);
}

void writeFileAtomically(const std::filesystem::path& target, std::string_view bytes,
                         MissingFolder missingFolder) {
    const std::filesystem::path& file = target;
    prepareFolder(folderOf(file), missingFolder);
    refuseReadOnly(file, "the file");
    removeTemporaries(file, Owners::Dead);

    TemporaryFile temporary(file);
    // The handle writes raw bytes: no text mode turns LF into CR LF on the way.
    writeAll(temporary.handle(), bytes, temporary.path());
    if (!FlushFileBuffers(temporary.handle()))
        throwLastError("cannot flush " + temporary.path().string());
    temporary.close();
    // The rename is atomic on NTFS; WRITE_THROUGH returns only once it is on disk.
    if (!MoveFileExW(temporary.path().c_str(), file.c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        throwLastError("cannot replace " + file.string());
    temporary.release();
}

} // namespace quorvane
