#pragma once

#include "platform/Failure.h"

#include <chrono>
#include <filesystem>

namespace quorvane {

// Another process held the hive's lock for longer than the wait allowed; nothing was written.
class HiveBusy : public Failure {
public:
    explicit HiveBusy(const std::filesystem::path& lockFile);
};

// The advisory lock on "<hive>.lock" that serialises every writer of one hive across processes;
// the kernel drops it when a holder dies. A holder that hangs must not hang everyone else, so
// taking it waits at most `wait` and then throws HiveBusy. Throws std::system_error when the lock
// file cannot be opened or is not a regular file (a named pipe there is refused, not waited on).
class HiveLock {
public:
    static constexpr std::chrono::milliseconds defaultWait{5000};

    explicit HiveLock(const std::filesystem::path& hiveFile,
                      std::chrono::milliseconds wait = defaultWait);
    ~HiveLock();
    HiveLock(const HiveLock&) = delete;
    HiveLock& operator=(const HiveLock&) = delete;

private:
    int m_fd = -1;
};

} // namespace quorvane
