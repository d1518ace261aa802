#include "platform/FileBytes.h"

#include "platform/FileKind.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace quorvane {

namespace {

// Closes the file however reading it ends, running out of memory included.
class OpenFile {
public:
    explicit OpenFile(int fd) : m_fd(fd) {}
    ~OpenFile() { ::close(m_fd); }
    OpenFile(const OpenFile&) = delete;
    OpenFile& operator=(const OpenFile&) = delete;

private:
    int m_fd;
};

} // namespace

std::optional<std::string> readFileBytes(const std::filesystem::path& file) {
    // Non-blocking, so that opening a named pipe returns at once (to be refused) instead of
    // waiting for a writer; a regular file reads the same either way.
    const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) {
        const int error = errno;
        if (error == ENOENT)
            return std::nullopt;
        throw std::system_error(error, std::generic_category(), file.string());
    }
    const OpenFile open(fd);
    struct stat status {};
    if (::fstat(fd, &status) != 0)
        throw std::system_error(errno, std::generic_category(), file.string());
    if (const std::error_code kind = notARegularFile(status.st_mode))
        throw std::system_error(kind, file.string());
    // Room for one byte more than the file holds, so that a single read both fills it and, by
    // coming up short, shows that the file ends there; and sized once up front, so that a large
    // file does not briefly take twice its size.
    const std::size_t expected = status.st_size > 0 ? status.st_size : 0;
    std::string bytes(expected + 1, '\0');
    std::size_t filled = 0;
    for (;;) {
        if (filled == bytes.size())
            bytes.resize(std::max<std::size_t>(2 * bytes.size(), 65536));
        const ssize_t count = ::read(fd, bytes.data() + filled, bytes.size() - filled);
        if (count < 0) {
            const int error = errno;
            if (error == EINTR)
                continue;
            throw std::system_error(error, std::generic_category(), file.string());
        }
        if (count == 0)
            break;
        filled += static_cast<std::size_t>(count);
        // All the file was said to hold, and nothing after it: no need to ask again. Files that
        // tell no size (those of /proc) are read until a read gives nothing.
        if (expected > 0 && filled == expected && filled < bytes.size())
            break;
    }
    bytes.resize(filled);
    return bytes;
}

} // namespace quorvane
