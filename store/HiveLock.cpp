#include "store/HiveLock.h"

#include "platform/FileKind.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <system_error>
#include <thread>
#include <unistd.h>

namespace quorvane {

HiveBusy::HiveBusy(const std::filesystem::path& lockFile)
    : Failure("The settings are being changed by another program\n" + lockFile.string()) {}

HiveLock::HiveLock(const std::filesystem::path& hiveFile, std::chrono::milliseconds wait) {
    using Clock = std::chrono::steady_clock;
    const Clock::time_point deadline = Clock::now() + wait;
    std::filesystem::path lockFile = hiveFile;
    lockFile += ".lock";
    // flock needs no write access, so a lock file that another user created still serves. The
    // folder is seen to only when the file will not open, sparing every commit a look at it.
    // Non-blocking, so that a named pipe in the lock file's place is refused at once rather than
    // waited on; flock works the same either way.
    constexpr int flags = O_RDONLY | O_CREAT | O_CLOEXEC | O_NONBLOCK | O_NOCTTY;
    m_fd = ::open(lockFile.c_str(), flags, 0666);
    if (m_fd < 0 && lockFile.has_parent_path()) {
        std::error_code error;
        std::filesystem::create_directories(lockFile.parent_path(), error);
        if (error)
            throw std::system_error(error,
                                    "cannot create the folder " + lockFile.parent_path().string());
        m_fd = ::open(lockFile.c_str(), flags, 0666);
    }
    if (m_fd < 0)
        throw std::system_error(errno, std::generic_category(), "cannot open " + lockFile.string());
    struct stat status {};
    if (::fstat(m_fd, &status) == 0 && notARegularFile(status.st_mode)) {
        ::close(m_fd);
        throw std::system_error(notARegularFile(status.st_mode),
                                "cannot open " + lockFile.string());
    }
    // Polled rather than blocking, since a blocking flock cannot be given up on. The pause grows
    // so that a short hold is noticed quickly, but stays short: a writer that commits again and
    // again frees the lock only for the moment between two commits, and a waiter looking in
    // rarely would miss every one of them until its time is up.
    std::chrono::milliseconds pause{1};
    while (::flock(m_fd, LOCK_EX | LOCK_NB) != 0) {
        const int error = errno;
        if (error == EINTR)
            continue;
        if (error != EWOULDBLOCK) {
            ::close(m_fd);
            throw std::system_error(error, std::generic_category(),
                                    "cannot lock " + lockFile.string());
        }
        const Clock::time_point now = Clock::now();
        if (now >= deadline) {
            ::close(m_fd);
            throw HiveBusy(lockFile);
        }
        std::this_thread::sleep_for(std::min<Clock::duration>(pause, deadline - now));
        pause = std::min(pause * 2, std::chrono::milliseconds(5));
    }
}

HiveLock::~HiveLock() {
    ::close(m_fd);
}

} // namespace quorvane
