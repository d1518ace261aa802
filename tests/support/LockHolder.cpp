#include "support/LockHolder.h"

#include <fcntl.h>
#include <stdexcept>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

namespace quorvane::test {

LockHolder::LockHolder(const std::filesystem::path& hiveFile, std::chrono::seconds longest)
    : m_hiveFile(hiveFile) {
    std::filesystem::create_directories(hiveFile.parent_path());
    int ready[2], release[2];
    if (::pipe2(ready, O_CLOEXEC) != 0 || ::pipe2(release, O_CLOEXEC) != 0)
        throw std::runtime_error("no pipes");
    m_child = ::fork();
    if (m_child < 0)
        throw std::runtime_error("cannot fork");
    if (m_child == 0) {
        ::close(ready[0]);
        ::close(release[1]);
        // The kernel drops the lock with the process: when the test lets go, or at the alarm.
        ::alarm(static_cast<unsigned>(longest.count()));
        const int fd = ::open(lockFile().c_str(), O_RDONLY | O_CREAT | O_CLOEXEC, 0666);
        if (fd < 0 || ::flock(fd, LOCK_EX) != 0)
            ::_exit(1);
        if (::write(ready[1], "x", 1) != 1)
            ::_exit(1);
        char byte;
        while (::read(release[0], &byte, 1) > 0) {
        }
        ::_exit(0);
    }
    ::close(ready[1]);
    ::close(release[0]);
    m_release = release[1];
    char byte;
    const bool held = ::read(ready[0], &byte, 1) == 1;
    ::close(ready[0]);
    if (!held) {
        letGo();
        throw std::runtime_error("the second process could not take the lock");
    }
}

LockHolder::~LockHolder() {
    letGo();
}

void LockHolder::letGo() {
    if (m_release >= 0)
        ::close(m_release);
    m_release = -1;
    if (m_child > 0) {
        int status;
        ::waitpid(m_child, &status, 0);
    }
    m_child = -1;
}

std::filesystem::path LockHolder::lockFile() const {
    std::filesystem::path file = m_hiveFile;
    file += ".lock";
    return file;
}

} // namespace quorvane::test
