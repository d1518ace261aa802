#include "installer/HiveUpdate.h"

#include "platform/FileBytes.h"
#include "platform/AtomicFile.h"
#include "platform/Failure.h"
#include "platform/HiveFile.h"
#include "platform/HiveLock.h"

#include <cerrno>
#include <fcntl.h>
#include <optional>
#include <sys/file.h>
#include <system_error>
#include <unistd.h>

namespace quorvane {

namespace {

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
