#pragma once

#include "store/HiveFile.h"
#include "store/HiveLock.h"

#include <chrono>
#include <filesystem>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

namespace quorvane {

// Writes `bytes` to `path` durably and atomically; throws std::system_error on failure.
// Replaceable so that tests can make the platform's write fail.
using HiveWriter = std::function<void(const std::filesystem::path& path, std::string_view bytes)>;

// The hive as the file holds it; an empty hive when there is no file. Throws Failure naming the
// file, and the line where it can, when it exists but cannot be read or parsed: such a file must
// never be overwritten.
Hive readHiveFile(const std::filesystem::path& hiveFile);

// The hive file's bytes as one process last read or wrote them, with the hive they hold. A key
// is read when it is opened and again under the lock when it commits, and the next key opens on
// the file that commit wrote: without this the same bytes would be parsed each time. The kept
// hive stands in for a parse only when the bytes just read are exactly the kept ones, so what
// another process wrote in between is always seen. Safe to share between threads.
class HiveMemo {
public:
    // A copy of the key at `path` in the hive `bytes` hold.
    std::optional<HiveKey> key(std::string bytes, std::string_view path,
                               const std::filesystem::path& hiveFile);
    // The hive `bytes` hold, the caller's to change: the kept one moved out when they match.
    Hive take(const std::string& bytes, const std::filesystem::path& hiveFile);
    // `hive` is what `bytes` hold, and the lines it knows of (Hive::reserialize) are in them.
    void keep(std::string bytes, Hive hive);

private:
    std::mutex m_mutex;
    std::optional<std::string> m_bytes;
    Hive m_hive;
};

// The key at `path` as the hive file holds it now; nothing when the file or the key is missing.
// Throws as readHiveFile does.
std::optional<HiveKey> readHiveKey(const std::filesystem::path& hiveFile, std::string_view path,
                                   HiveMemo* memo = nullptr);

// The one way the hive file changes, for the settings store and the installer alike: under the
// "<hive>.lock" that every writer takes, starting from what is on disk once the lock is held,
// any number of keys change and the result replaces the file in one atomic write (nothing is
// written when it comes out the same). Throws HiveBusy when another program holds the lock for
// longer than `lockWait`, Failure for a file that cannot be read, UnstorableName, and the
// system's own errors when the write fails; callers word those for their users. The file is
// left as it was in every case. `memo`, when given, spares parsing bytes it has seen.
void updateHive(const std::filesystem::path& hiveFile, const std::function<void(Hive&)>& change,
                std::chrono::milliseconds lockWait = HiveLock::defaultWait,
                const HiveWriter& writer = {}, HiveMemo* memo = nullptr);

} // namespace quorvane
