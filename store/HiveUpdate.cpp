#include "store/HiveUpdate.h"

#include "platform/AtomicFile.h"
#include "platform/Failure.h"
#include "platform/FileBytes.h"
#include "store/HiveFile.h"

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
        failToRead(file, error.code().message());
    } catch (const std::exception& error) {
        // A file too large to hold in memory, most likely.
        failToRead(file, reasonOf(error));
    }
}

} // namespace

Hive readHiveFile(const std::filesystem::path& hiveFile) {
    const std::optional<std::string> bytes = readHiveBytes(hiveFile);
    return bytes ? Hive::parse(*bytes, hiveFile.string()) : Hive();
}

std::optional<HiveKey> HiveMemo::key(std::string bytes, std::string_view path,
                                     const std::filesystem::path& hiveFile) {
    {
        const std::lock_guard lock(m_mutex);
        if (m_bytes == bytes) {
            const HiveKey* found = m_hive.findKey(path);
            return found ? std::optional<HiveKey>(*found) : std::nullopt;
        }
    }
    Hive hive = Hive::parse(bytes, hiveFile.string());
    std::optional<HiveKey> found;
    if (const HiveKey* key = hive.findKey(path))
        found = *key;
    keep(std::move(bytes), std::move(hive));
    return found;
}

Hive HiveMemo::take(const std::string& bytes, const std::filesystem::path& hiveFile) {
    {
        const std::lock_guard lock(m_mutex);
        if (m_bytes == bytes) {
            Hive taken = std::move(m_hive);
            m_hive = Hive();
            m_bytes.reset();
            return taken;
        }
    }
    return Hive::parse(bytes, hiveFile.string());
}

void HiveMemo::keep(std::string bytes, Hive hive) {
    std::optional<std::string> kept(std::move(bytes));
    {
        const std::lock_guard lock(m_mutex);
        std::swap(m_bytes, kept);
        std::swap(m_hive, hive);
    }
    // What was kept before is freed here, without holding up other threads.
}

std::optional<HiveKey> readHiveKey(const std::filesystem::path& hiveFile, std::string_view path,
                                   HiveMemo* memo) {
    std::optional<std::string> bytes = readHiveBytes(hiveFile);
    if (!bytes)
        return std::nullopt;
    if (memo)
        return memo->key(std::move(*bytes), path, hiveFile);
    return Hive::parse(*bytes, hiveFile.string()).takeKey(path);
}

void updateHive(const std::filesystem::path& hiveFile, const std::function<void(Hive&)>& change,
                std::chrono::milliseconds lockWait, const HiveWriter& writer, HiveMemo* memo) {
    HiveLock lock(hiveFile, lockWait);
    // Read again under the lock whatever the memo holds: another process may have written since.
    const std::optional<std::string> before = readHiveBytes(hiveFile);
    Hive hive;
    if (before)
        hive = memo ? memo->take(*before, hiveFile) : Hive::parse(*before, hiveFile.string());
    change(hive);
    // A hive the memo kept knows where its lines are in `before`, which are the bytes it came
    // from; one parsed just now has none to copy and is written whole.
    std::string after =
        memo ? hive.reserialize(before ? std::string_view(*before) : std::string_view())
             : hive.serialize();
    if (before != after) {
        // Every writer holds the lock while its temporary exists, so any found now was left by
        // one that died before renaming, whatever has become of its pid since.
        removeAllTemporaries(hiveFile);
        if (writer)
            writer(hiveFile, after);
        else
            writeFileAtomically(hiveFile, after);
    }
    if (memo)
        memo->keep(std::move(after), std::move(hive));
}

} // namespace quorvane
