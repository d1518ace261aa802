#include "platform/AtomicFile.h"

#include "platform/FileKind.h"

#include <cerrno>
#include <charconv>
#include <csignal>
#include <dirent.h>
#include <fcntl.h>
#include <optional>
#include <random>
#include <string>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace quorvane {

namespace {

[[noreturn]] void throwErrno(int error, const std::string& what) {
    throw std::system_error(error, std::generic_category(), what);
}

std::filesystem::path folderOf(const std::filesystem::path& file) {
    std::filesystem::path folder = file.parent_path();
    return folder.empty() ? "." : folder;
}

// Temporaries are named "<target>.tmp.<pid>.<number>": the pid tells a later save whether the
// writer is still running, and the number keeps two saves of one process apart.
std::string temporaryPrefix(const std::filesystem::path& target) {
    return target.filename().string() + ".tmp.";
}

// The pid in the name of a temporary of `prefix`, or nothing when the name is not one of ours.
std::optional<pid_t> temporaryOwner(std::string_view name, std::string_view prefix) {
    if (!name.starts_with(prefix))
        return std::nullopt;
    name.remove_prefix(prefix.size());
    const std::size_t dot = name.find('.');
    if (dot == std::string_view::npos || dot + 1 == name.size())
        return std::nullopt;
    for (char c : name)
        if ((c < '0' || c > '9') && c != '.')
            return std::nullopt;
    if (name.find('.', dot + 1) != std::string_view::npos)
        return std::nullopt;
    pid_t pid = 0;
    const auto [end, error] = std::from_chars(name.data(), name.data() + dot, pid);
    if (error != std::errc() || end != name.data() + dot || pid <= 0)
        return std::nullopt;
    return pid;
}

bool hasDied(pid_t pid) {
    return ::kill(pid, 0) != 0 && errno == ESRCH;
}

enum class Owners { Dead, Any };

void removeTemporaries(const std::filesystem::path& file, Owners owners) {
    const std::string prefix = temporaryPrefix(file);
    // Read with the C calls: every commit lists the folder, and std::filesystem's listing costs
    // a few more system calls for the same names.
    DIR* const dir = ::opendir(folderOf(file).c_str());
    if (!dir)
        return;
    while (const dirent* entry = ::readdir(dir)) {
        const std::optional<pid_t> pid = temporaryOwner(entry->d_name, prefix);
        if (!pid)
            continue;
        // Only plain files this user wrote: a name alone does not make a file ours.
        struct stat status {};
        if (::fstatat(::dirfd(dir), entry->d_name, &status, AT_SYMLINK_NOFOLLOW) != 0 ||
            !S_ISREG(status.st_mode) || status.st_uid != ::geteuid())
            continue;
        if (owners == Owners::Dead && (*pid == ::getpid() || !hasDied(*pid)))
            continue;
        ::unlinkat(::dirfd(dir), entry->d_name, 0);
    }
    ::closedir(dir);
}

// rename() needs only the folder's permission, so a file the user made read-only would be
// replaced all the same; and root passes every access() check, so the mode bits count too.
void refuseReadOnly(const std::filesystem::path& path, const char* what) {
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0)
        return;
    int error = 0;
    if ((status.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0)
        error = EACCES;
    else if (::faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) != 0)
        error = errno;
    if (error != 0)
        throwErrno(error, std::string(what) + " " + path.string() + " is read-only");
}

void prepareFolder(const std::filesystem::path& folder, MissingFolder missingFolder) {
    if (missingFolder == MissingFolder::Create) {
        std::error_code error;
        std::filesystem::create_directories(folder, error);
        if (error)
            throw std::system_error(error, "cannot create the folder " + folder.string());
    } else {
        struct stat status {};
        if (::stat(folder.c_str(), &status) != 0)
            throwErrno(errno, "cannot open the folder " + folder.string());
        if (!S_ISDIR(status.st_mode))
            throwErrno(ENOTDIR, "cannot open the folder " + folder.string());
    }
    refuseReadOnly(folder, "the folder");
}

// Closes the descriptor and removes the temporary unless the rename went through.
class TemporaryFile {
public:
    explicit TemporaryFile(const std::filesystem::path& target);
    ~TemporaryFile();
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;

    int fd() const { return m_fd; }
    const std::filesystem::path& path() const { return m_path; }
    void close();
    void release() { m_removeOnExit = false; }

private:
    std::filesystem::path m_path;
    int m_fd = -1;
    bool m_removeOnExit = true;
};

TemporaryFile::TemporaryFile(const std::filesystem::path& target) {
    std::random_device random;
    const std::string stem = temporaryPrefix(target) + std::to_string(::getpid()) + ".";
    // O_EXCL makes the name ours; a clash with a leftover of a dead process just tries another.
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::filesystem::path candidate = target;
        candidate.replace_filename(stem + std::to_string(random()));
        int fd = ::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) {
            m_path = std::move(candidate);
            m_fd = fd;
            return;
        }
        if (int error = errno; error != EEXIST)
            throwErrno(error, "cannot create a temporary file beside " + target.string());
    }
    throwErrno(EEXIST, "cannot create a temporary file beside " + target.string());
}

TemporaryFile::~TemporaryFile() {
    if (m_fd >= 0)
        ::close(m_fd);
    if (m_removeOnExit)
        ::unlink(m_path.c_str());
}

void TemporaryFile::close() {
    int fd = m_fd;
    m_fd = -1;
    // A failing close can be the first report of a failed delayed write, so it counts.
    if (::close(fd) != 0) {
        int error = errno;
        throwErrno(error, "cannot write " + m_path.string());
    }
}

void writeAll(int fd, std::string_view bytes, const std::filesystem::path& path) {
    while (!bytes.empty()) {
        ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written < 0) {
            int error = errno;
            if (error == EINTR)
                continue;
            throwErrno(error, "cannot write " + path.string());
        }
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
}

int fsyncRetrying(int fd) {
    int result;
    do {
        result = ::fsync(fd);
    } while (result != 0 && errno == EINTR);
    return result;
}

void syncFolder(const std::filesystem::path& folder) {
    int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        int error = errno;
        throwErrno(error, "cannot open the folder " + folder.string());
    }
    int result = fsyncRetrying(fd);
    int error = errno;
    ::close(fd);
    // Some file systems cannot sync a folder at all; the rename is as durable as they allow.
    if (result != 0 && error != EINVAL && error != ENOTSUP)
        throwErrno(error, "cannot flush the folder " + folder.string());
}

} // namespace

std::filesystem::path followLinks(const std::filesystem::path& target) {
    // As many links as the kernel itself follows before it calls a chain a loop.
    constexpr int mostLinks = 40;
    std::filesystem::path file = target;
    for (int links = 0;; ++links) {
        struct stat status {};
        if (::lstat(file.c_str(), &status) != 0 || !S_ISLNK(status.st_mode))
            return file;
        if (links == mostLinks)
            throwErrno(ELOOP, "cannot follow the links of " + target.string());
        std::error_code error;
        const std::filesystem::path next = std::filesystem::read_symlink(file, error);
        if (error)
            throw std::system_error(error, "cannot follow the link " + file.string());
        file = next.is_absolute() ? next : file.parent_path() / next;
    }
}

void removeAllTemporaries(const std::filesystem::path& target) {
    removeTemporaries(followLinks(target), Owners::Any);
}

void writeFileAtomically(const std::filesystem::path& target, std::string_view bytes,
                         MissingFolder missingFolder) {
    // Replacing a link with a file would cut the user's link; its target is what they meant.
    const std::filesystem::path file = followLinks(target);
    // The rename would put a file in place of a device or a pipe as readily as of a file.
    if (struct stat status{}; ::stat(file.c_str(), &status) == 0)
        if (const std::error_code kind = notARegularFile(status.st_mode))
            throw std::system_error(kind, "cannot replace " + file.string());
    const std::filesystem::path folder = folderOf(file);
    prepareFolder(folder, missingFolder);
    refuseReadOnly(file, "the file");
    removeTemporaries(file, Owners::Dead);

    TemporaryFile temporary(file);
    // Replacing the file must not change who may read it.
    struct stat existing {};
    if (::stat(file.c_str(), &existing) == 0)
        ::fchmod(temporary.fd(), existing.st_mode & 07777);

    writeAll(temporary.fd(), bytes, temporary.path());
    if (fsyncRetrying(temporary.fd()) != 0) {
        int error = errno;
        throwErrno(error, "cannot flush " + temporary.path().string());
    }
    temporary.close();
    if (::rename(temporary.path().c_str(), file.c_str()) != 0) {
        int error = errno;
        throwErrno(error, "cannot replace " + file.string());
    }
    temporary.release();
    syncFolder(folder);
}

} // namespace quorvane
