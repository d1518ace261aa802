#include "platform/AtomicFile.h"

#include <cerrno>
#include <fcntl.h>
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
    const std::string stem =
        target.filename().string() + ".tmp." + std::to_string(::getpid()) + ".";
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
        throwErrno(error, "cannot open folder " + folder.string());
    }
    int result = fsyncRetrying(fd);
    int error = errno;
    ::close(fd);
    // Some file systems cannot sync a folder at all; the rename is as durable as they allow.
    if (result != 0 && error != EINVAL && error != ENOTSUP)
        throwErrno(error, "cannot flush folder " + folder.string());
}

} // namespace

void writeFileAtomically(const std::filesystem::path& target, std::string_view bytes) {
    std::filesystem::path folder = target.parent_path();
    if (folder.empty())
        folder = ".";
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    if (error)
        throw std::system_error(error, "cannot create folder " + folder.string());

    TemporaryFile temporary(target);
    // Replacing the file must not change who may read it.
    struct stat existing {};
    if (::stat(target.c_str(), &existing) == 0)
        ::fchmod(temporary.fd(), existing.st_mode & 07777);

    writeAll(temporary.fd(), bytes, temporary.path());
    if (fsyncRetrying(temporary.fd()) != 0) {
        int error = errno;
        throwErrno(error, "cannot flush " + temporary.path().string());
    }
    temporary.close();
    if (::rename(temporary.path().c_str(), target.c_str()) != 0) {
        int error = errno;
        throwErrno(error, "cannot replace " + target.string());
    }
    temporary.release();
    syncFolder(folder);
}

} // namespace quorvane
