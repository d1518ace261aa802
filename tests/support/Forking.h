#pragma once

#include <cstddef>
#include <functional>
#include <sys/types.h>

namespace quorvane::test {

// Runs `work` in a child process whose address space may grow by at most `headroom` bytes, so
// that a test can show that something does not need more memory than that. The child's exit
// status is what `work` returns; -1 when it did not exit normally.
int runWithAddressSpaceLimit(std::size_t headroom, const std::function<int()>& work);

// The pid of a process that has ended.
pid_t endedPid();

// A process that stays alive until this object goes.
class LiveChild {
public:
    LiveChild();
    ~LiveChild();
    LiveChild(const LiveChild&) = delete;
    LiveChild& operator=(const LiveChild&) = delete;

    pid_t pid() const { return m_pid; }

private:
    pid_t m_pid = -1;
};

} // namespace quorvane::test
