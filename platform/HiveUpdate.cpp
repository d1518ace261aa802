#include "platform/HiveUpdate.h"

#include "platform/AtomicFile.h"
#include "platform/Failure.h"
#include "platform/FileBytes.h"
#include "platform/HiveFile.h"

#include <cstring>
#include <optional>
#include <system_error>

namespace quorvane {

namespace {

[[noreturn]] void failToRead(const std::filesystem::path& file, const std::string& reason) {
    throw Failure("Cannot read the settings file '" + file.string() + "': " + reason);
}

std::optional<std::string> readHiveBytes(const std::filesystem::path& file) {
    try {
        return readFileBytes(file);
    } catch (const std::system_error& error) {
        failToRead(file, std::strerror(error.code().value()));
    } catch (const std::exception& error) {
        // A file too large to hold in memory, most likely.
        failToRead(file, reasonOf(error));
    }
}

Hive parseHive(const std::optional<std::string>& bytes, const std::filesystem::path& file) {
    return bytes ? Hive::parse(*bytes, file.string()) : Hive();
}

} // namespace

Hive readHiveFile(const std::filesystem::path& hiveFile) {
    return parseHive(readHiveBytes(hiveFile), hiveFile);
}

void updateHive(const std::filesystem::path& hiveFile, const std::function<void(Hive&)>& change,
                std::chrono::milliseconds lockWait, const HiveWriter& writer) {
    HiveLock lock(hiveFile, lockWait);
    const std::optional<std::string> before = readHiveBytes(hiveFile);
    Hive hive = parseHive(before, hiveFile);
    change(hive);
    const std::string after = hive.serialize();
    if (before == after)
        return;

    // Every writer holds the lock while its temporary exists, so any found now was left by one
    // that died before renaming, whatever has become of its pid since.
    removeAllTemporaries(hiveFile);
    if (writer)
        writer(hiveFile, after);
    else
        writeFileAtomically(hiveFile, after);
}

} // namespace quorvane
