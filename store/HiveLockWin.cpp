#include "store/HiveLock.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#include <system_error>
#include <thread>
#include <windows.h>

namespace quorvane {

HiveBusy::HiveBusy(const std::filesystem::path& lockFile)
    : Failure("The settings are being changed by another program\n" + lockFile.string()) {}

namespace {

HANDLE handleOf(int fd) {
    return reinterpret_cast<HANDLE>(::_get_osfhandle(fd));
}

} // namespace

HiveLock::HiveLock(const std::filesystem::path& hiveFile, std::chrono::milliseconds wait) {
    using Clock = std::chrono::steady_clock;
    const Clock::time_point deadline = Clock::now() + wait;
    std::filesystem::path lockFile = hiveFile;
    lockFile += ".lock";
    if (lockFile.has_parent_path())
        std::filesystem::create_directories(lockFile.parent_path());
    m_fd = ::_wopen(lockFile.c_str(), _O_RDWR | _O_CREAT | _O_BINARY | _O_NOINHERIT,
                    _S_IREAD | _S_IWRITE);
    if (m_fd < 0)
        throw std::system_error(errno, std::generic_category(), "cannot open " + lockFile.string());
    // LockFileEx locks are dropped by the system when the holder dies, as flock's are. Polled,
    // so that the wait can be given up on; the pause stays short, since a writer that commits
    // again and again frees the lock only for the moment between two commits.
    std::chrono::milliseconds pause{1};
    for (;;) {
        OVERLAPPED whole{};
        if (LockFileEx(handleOf(m_fd), LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0,
                       MAXDWORD, MAXDWORD, &whole))
            break;
        const DWORD error = GetLastError();
        if (error != ERROR_LOCK_VIOLATION && error != ERROR_IO_PENDING) {
            ::_close(m_fd);
            throw std::system_error(static_cast<int>(error), std::system_category(),
                                    "cannot lock " + lockFile.string());
        }
        const Clock::time_point now = Clock::now();
        if (now >= deadline) {
            ::_close(m_fd);
            throw HiveBusy(lockFile);
        }
        std::this_thread::sleep_for(std::min<Clock::duration>(pause, deadline - now));
        pause = std::min(pause * 2, std::chrono::milliseconds(5));
    }
}

HiveLock::~HiveLock() {
    // Closing the handle releases the lock.
    ::_close(m_fd);
}

} // namespace quorvane
