#include "installer/HiveUpdate.h"

#include "installer/FileBytes.h"
#include "platform/AtomicFile.h"
#include "platform/Failure.h"
#include "platform/HiveFile.h"

#include <cerrno>
#include <fcntl.h>
#include <optional>
#include <sys/file.h>
#include <system_error>
#include <unistd.h>

namespace quorvane {

namespace {

// The same advisory lock the settings store takes for its commits, so that an installation
// running beside the program's own first-run writes loses none of them.
class HiveLock {
public:
    explicit HiveLock(const std::filesystem::path& hiveFile);
    ~HiveLock() { ::close(m_fd); }
    HiveLock(const HiveLock&) = delete;
    HiveLock& operator=(const HiveLock&) = delete;

private:
    int m_fd = -1;
};

HiveLock::HiveLock(const std::filesystem::path& hiveFile) {
    std::filesystem::path lockFile = hiveFile;
    lockFile += ".lock";
    if (lockFile.has_parent_path())
        std::filesystem::create_directories(lockFile.parent_path());
    m_fd = ::open(lockFile.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    if (m_fd < 0)
        throw std::system_error(errno, std::generic_category(), "cannot open " + lockFile.string());
    while (::flock(m_fd, LOCK_EX) != 0) {
        const int error = errno;
        if (error == EINTR)
            continue;
        ::close(m_fd);
        throw std::system_error(error, std::generic_category(), "cannot lock " + lockFile.string());
    }
}

std::optional<std::string> readHiveBytes(const std::filesystem::path& hiveFile) {
    try {
        return readFileBytes(hiveFile);
    } catch (const std::system_error& error) {
        throw Failure("Cannot read the settings file '" + hiveFile.string() +
                      "': " + error.code().message());
    }
}

} // namespace

void checkHiveReadable(const std::filesystem::path& hiveFile) {
    if (const std::optional<std::string> bytes = readHiveBytes(hiveFile))
        Hive::parse(*bytes, hiveFile.string());
}

void updateHive(const std::filesystem::path& hiveFile, const std::function<void(Hive&)>& change) {
    try {
        HiveLock lock(hiveFile);
        const std::optional<std::string> before = readHiveBytes(hiveFile);
        Hive hive = before ? Hive::parse(*before, hiveFile.string()) : Hive();
        change(hive);
        const std::string after = hive.serialize();
        if (before == after)
            return;
        writeFileAtomically(hiveFile, after);
    } catch (const Failure&) {
        throw;
    } catch (const std::exception& error) {
        throw Failure("Cannot write the settings file '" + hiveFile.string() +
                      "': " + error.what());
    }
}

} // namespace quorvane
