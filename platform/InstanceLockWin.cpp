#include "platform/InstanceLock.h"
#include "platform/System.h"

#include <cstdlib>
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#include <windows.h>

namespace quorvane {

namespace fs = std::filesystem;

// A user's local application data folder is closed to other users by its default access list;
// the program does not inspect access lists itself.
bool isPrivateDirectory(const fs::path& folder) {
    std::error_code error;
    return fs::is_directory(folder, error);
}

std::optional<fs::path> privateRuntimeDirectory() {
    const char* local = std::getenv("LOCALAPPDATA");
    const fs::path base = local && *local ? fs::path(local) : fs::path(homeDirectory());
    const fs::path folder = base / "Quorvane";
    std::error_code error;
    fs::create_directories(folder, error);
    if (!fs::is_directory(folder, error))
        return std::nullopt;
    return folder;
}

InstanceLock::InstanceLock(const fs::path& lockFile) {
    m_fd = ::_wopen(lockFile.c_str(), _O_RDWR | _O_CREAT | _O_BINARY | _O_NOINHERIT,
                    _S_IREAD | _S_IWRITE);
    if (m_fd < 0)
        return;
    OVERLAPPED whole{};
    if (LockFileEx(reinterpret_cast<HANDLE>(::_get_osfhandle(m_fd)),
                   LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, MAXDWORD, MAXDWORD,
                   &whole))
        m_state = State::Held;
    else if (GetLastError() == ERROR_LOCK_VIOLATION)
        m_state = State::HeldElsewhere;
}

InstanceLock::~InstanceLock() {
    if (m_fd >= 0)
        ::_close(m_fd);
}

} // namespace quorvane
