#include "platform/HiveLock.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <system_error>
#include <unistd.h>

namespace quorvane {

HiveLock::HiveLock(const std::filesystem::path& hiveFile) {
    std::filesystem::path lockFile = hiveFile;
    lockFile += ".lock";
    if (lockFile.has_parent_path())
        std::filesystem::create_directories(lockFile.parent_path());
    m_fd = ::open(lockFile.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    if (m_fd < 0)
        throw std::system_error(errno, std::generic_category(), "cannot open " + lockFile.string());
    while (::flock(m_fd, LOCK_EX) != 0) {
        const int error = errno;
        if (error == EINTR)
            continue;
        ::close(m_fd);
        throw std::system_error(error, std::generic_category(), "cannot lock " + lockFile.string());
    }
}

HiveLock::~HiveLock() { ::close(m_fd); }

} // namespace quorvane
