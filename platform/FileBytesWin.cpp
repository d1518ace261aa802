#include "platform/FileBytes.h"
#include "platform/FileKind.h"

#include <cerrno>
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#include <system_error>

namespace quorvane {

namespace {

class OpenFile {
public:
    explicit OpenFile(int fd) : m_fd(fd) {}
    ~OpenFile() { ::_close(m_fd); }
    OpenFile(const OpenFile&) = delete;
    OpenFile& operator=(const OpenFile&) = delete;

private:
    int m_fd;
};

} // namespace

std::optional<std::string> readFileBytes(const std::filesystem::path& file) {
    // Binary mode: a plain open is text mode here, which turns CR LF into LF and takes a 0x1A
    // byte for the end of the file.
    const int fd = ::_wopen(file.c_str(), _O_RDONLY | _O_BINARY | _O_NOINHERIT);
    if (fd < 0) {
        const int error = errno;
        if (error == ENOENT)
            return std::nullopt;
        throw std::system_error(error, std::generic_category(), file.string());
    }
    const OpenFile open(fd);
    // A folder or a device (CON, NUL) is refused unread: the console would keep a read waiting.
    struct _stat64 status {};
    if (::_fstat64(fd, &status) != 0)
        throw std::system_error(errno, std::generic_category(), file.string());
    if (const std::error_code kind = notARegularFile(status.st_mode))
        throw std::system_error(kind, file.string());
    std::string bytes;
    if (status.st_size > 0)
        bytes.reserve(static_cast<std::size_t>(status.st_size));
    char buffer[65536];
    for (;;) {
        const int count = ::_read(fd, buffer, sizeof buffer);
        if (count < 0)
            throw std::system_error(errno, std::generic_category(), file.string());
        if (count == 0)
            break;
        bytes.append(buffer, static_cast<std::size_t>(count));
    }
    return bytes;
}

} // namespace quorvane
