#include "platform/InstanceLock.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quorvane {

namespace {

namespace fs = std::filesystem;

bool ownedAndClosed(const struct stat& info) {
    return S_ISDIR(info.st_mode) && info.st_uid == ::geteuid() && (info.st_mode & 077) == 0;
}

// Only an absolute path names the same place whatever the current folder is.
std::optional<fs::path> absoluteVariable(const char* name) {
    const char* value = std::getenv(name);
    if (!value || value[0] != '/')
        return std::nullopt;
    return fs::path(value);
}

std::string hostName() {
    char name[HOST_NAME_MAX + 1] = {};
    if (::gethostname(name, sizeof name - 1) != 0 || name[0] == '\0')
        return "localhost";
    std::string host(name);
    for (char& c : host)
        if (c == '/')
            c = '_';
    return host;
}

// The folder below the cache directory, made if missing. Only its owner can have made it
// otherwise than 700, and gets it back closed.
std::optional<fs::path> ownFolder() {
    std::optional<fs::path> cache = absoluteVariable("XDG_CACHE_HOME");
    if (!cache) {
        const std::optional<fs::path> home = absoluteVariable("HOME");
        if (!home)
            return std::nullopt;
        cache = *home / ".cache";
    }
    const fs::path folder = *cache / "quorvane" / ("runtime-" + hostName());
    std::error_code error;
    fs::create_directories(folder.parent_path(), error);
    if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST)
        return std::nullopt;
    // Not followed: a link put in its place leads wherever its maker wants.
    struct stat info {};
    if (::lstat(folder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode) || info.st_uid != ::geteuid())
        return std::nullopt;
    if ((info.st_mode & 077) != 0 && ::chmod(folder.c_str(), 0700) != 0)
        return std::nullopt;
    return folder;
}

} // namespace

bool isPrivateDirectory(const fs::path& folder) {
    struct stat info {};
    return ::stat(folder.c_str(), &info) == 0 && ownedAndClosed(info);
}

std::optional<fs::path> privateRuntimeDirectory() {
    if (const auto runtime = absoluteVariable("XDG_RUNTIME_DIR");
        runtime && isPrivateDirectory(*runtime))
        return runtime;
    return ownFolder();
}

InstanceLock::InstanceLock(const fs::path& lockFile) {
    m_fd = ::open(lockFile.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (m_fd < 0)
        return;
    int result;
    while ((result = ::flock(m_fd, LOCK_EX | LOCK_NB)) != 0 && errno == EINTR) {
    }
    if (result == 0)
        m_state = State::Held;
    else if (errno == EWOULDBLOCK)
        m_state = State::HeldElsewhere;
}

InstanceLock::~InstanceLock() {
    if (m_fd >= 0)
        ::close(m_fd);
}

} // namespace quorvane
