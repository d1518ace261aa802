#include "platform/FileBytes.h"

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
    const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        const int error = errno;
        if (error == ENOENT)
            return std::nullopt;
        throw std::system_error(error, std::generic_category(), file.string());
    }
    const OpenFile open(fd);
    std::string bytes;
    // Sized once up front, so that a large file does not briefly take twice its size.
    struct stat status {};
    if (::fstat(fd, &status) == 0 && S_ISREG(status.st_mode) && status.st_size > 0)
        bytes.reserve(static_cast<std::size_t>(status.st_size));
    char buffer[65536];
    for (;;) {
        const ssize_t count = ::read(fd, buffer, sizeof buffer);
        if (count < 0) {
            const int error = errno;
            if (error == EINTR)
                continue;
            throw std::system_error(error, std::generic_category(), file.string());
        }
        if (count == 0)
            break;
        bytes.append(buffer, static_cast<std::size_t>(count));
    }
    return bytes;
}

} // namespace quorvane
