#pragma once

#include <chrono>
#include <filesystem>
#include <sys/types.h>

namespace quorvane::test {

// Another process holding the hive's lock, as a second program in the middle of a commit would.
// It lets go when this object goes, or after `longest` should the test hang before that.
class LockHolder {
public:
    explicit LockHolder(const std::filesystem::path& hiveFile,
                        std::chrono::seconds longest = std::chrono::seconds(5));
    ~LockHolder();
    LockHolder(const LockHolder&) = delete;
    LockHolder& operator=(const LockHolder&) = delete;

    std::filesystem::path lockFile() const;

private:
    void letGo();

    std::filesystem::path m_hiveFile;
    pid_t m_child = -1;
    int m_release = -1;
};

} // namespace quorvane::test
