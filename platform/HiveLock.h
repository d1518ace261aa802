#pragma once

#include <filesystem>

namespace quorvane {

// The advisory lock on "<hive>.lock" that serialises every writer of one hive across processes;
// the kernel drops it when a holder dies. Throws std::system_error when it cannot be taken.
class HiveLock {
public:
    explicit HiveLock(const std::filesystem::path& hiveFile);
    ~HiveLock();
    HiveLock(const HiveLock&) = delete;
    HiveLock& operator=(const HiveLock&) = delete;

private:
    int m_fd = -1;
};

} // namespace quorvane
