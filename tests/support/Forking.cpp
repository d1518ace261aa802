#include "support/Forking.h"

#include <csignal>
#include <fstream>
#include <stdexcept>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace quorvane::test {

namespace {

int exitStatusOf(pid_t child) {
    int status = 0;
    if (child < 0 || ::waitpid(child, &status, 0) != child || !WIFEXITED(status))
        return -1;
    return WEXITSTATUS(status);
}

std::size_t addressSpaceInUse() {
    std::size_t pages = 0;
    std::ifstream("/proc/self/statm") >> pages;
    return pages * static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
}

} // namespace

int runWithAddressSpaceLimit(std::size_t headroom, const std::function<int()>& work) {
    const pid_t child = ::fork();
    if (child == 0) {
        const rlim_t limit = addressSpaceInUse() + headroom;
        const rlimit space{limit, limit};
        if (::setrlimit(RLIMIT_AS, &space) != 0)
            ::_exit(125);
        int status = 126;
        try {
            status = work();
        } catch (...) {
        }
        ::_exit(status);
    }
    return exitStatusOf(child);
}

pid_t endedPid() {
    const pid_t child = ::fork();
    if (child == 0)
        ::_exit(0);
    if (exitStatusOf(child) != 0)
        throw std::runtime_error("cannot start a process");
    return child;
}

LiveChild::LiveChild() {
    m_pid = ::fork();
    if (m_pid == 0) {
        // Ends with the test run at the latest.
        ::alarm(60);
        for (;;)
            ::pause();
    }
    if (m_pid < 0)
        throw std::runtime_error("cannot start a process");
}

LiveChild::~LiveChild() {
    ::kill(m_pid, SIGKILL);
    exitStatusOf(m_pid);
}

} // namespace quorvane::test
