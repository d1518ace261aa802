#pragma once

#include "platform/HiveLock.h"

#include <chrono>
#include <filesystem>
#include <functional>
#include <string_view>

namespace quorvane {

class Hive;

// Writes `bytes` to `path` durably and atomically; throws std::system_error on failure.
// Replaceable so that tests can make the platform's write fail.
using HiveWriter = std::function<void(const std::filesystem::path& path, std::string_view bytes)>;

// The hive as the file holds it; an empty hive when there is no file. Throws Failure naming the
// file, and the line where it can, when it exists but cannot be read or parsed: such a file must
// never be overwritten.
Hive readHiveFile(const std::filesystem::path& hiveFile);

// The one way the hive file changes, for the settings store and the installer alike: under the
// "<hive>.lock" that every writer takes, starting from what is on disk once the lock is held,
// any number of keys change and the result replaces the file in one atomic write (nothing is
// written when it comes out the same). Throws HiveBusy when another program holds the lock for
// longer than `lockWait`, Failure for a file that cannot be read, UnstorableName, and the
// system's own errors when the write fails; callers word those for their users. The file is
// left as it was in every case.
void updateHive(const std::filesystem::path& hiveFile, const std::function<void(Hive&)>& change,
                std::chrono::milliseconds lockWait = HiveLock::defaultWait,
                const HiveWriter& writer = {});

} // namespace quorvane
