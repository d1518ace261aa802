#pragma once

#include "platform/HiveLock.h"

#include <chrono>
#include <filesystem>
#include <functional>

namespace quorvane {

class Hive;

// Changes any number of keys of the hive file in one atomic write, under the "<hive>.lock" that
// every writer of the hive takes, starting from what is on disk once the lock is held. Writes
// nothing when the change leaves the file as it was. Throws Failure: a hive that cannot be read
// is never overwritten, a write that fails leaves the old file, and a lock that another program
// holds for longer than `lockWait` gives HiveBusy with nothing written.
void updateHive(const std::filesystem::path& hiveFile, const std::function<void(Hive&)>& change,
                std::chrono::milliseconds lockWait = HiveLock::defaultWait);

// Throws Failure when the hive file exists but cannot be read or parsed: what updateHive would
// refuse, found before anything else is done.
void checkHiveReadable(const std::filesystem::path& hiveFile);

} // namespace quorvane
