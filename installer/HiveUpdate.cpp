#include "installer/HiveUpdate.h"

#include "platform/AtomicFile.h"
#include "platform/Failure.h"
#include "platform/FileBytes.h"
#include "platform/HiveFile.h"

#include <optional>
#include <system_error>

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

void updateHive(const std::filesystem::path& hiveFile, const std::function<void(Hive&)>& change,
                std::chrono::milliseconds lockWait) {
    try {
        HiveLock lock(hiveFile, lockWait);
        const std::optional<std::string> before = readHiveBytes(hiveFile);
        Hive hive = before ? Hive::parse(*before, hiveFile.string()) : Hive();
        change(hive);
        const std::string after = hive.serialize();
        if (before == after)
            return;
        writeFileAtomically(hiveFile, after);
    } catch (const UnstorableName& error) {
        throw Failure("Cannot write the settings file '" + hiveFile.string() +
                      "': " + error.what());
    } catch (const Failure&) {
        throw;
    } catch (const std::exception& error) {
        throw Failure("Cannot write the settings file '" + hiveFile.string() +
                      "': " + reasonOf(error));
    }
}

} // namespace quorvane
