#pragma once

#include "store/HiveLock.h"
#include "store/HiveUpdate.h"
#include "store/Registry.h"

#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <string_view>

namespace quorvane {

// HKEY_CLASSES_ROOT off Windows: one REGEDIT4 text file. Opening a key reads a snapshot; commit
// takes an advisory lock on "<hive>.lock", re-reads the hive, applies exactly the values this
// key wrote, and replaces the file atomically, so a crash leaves either the old or the new file.
// A commit that fails says why on the line after the store's message.
class HiveRegistry : public Registry {
public:
    using FileWriter = HiveWriter;

    // `lockWait`: how long a commit waits for another writer before it gives up.
    explicit HiveRegistry(std::filesystem::path hiveFile, FileWriter writer = {},
                          std::chrono::milliseconds lockWait = HiveLock::defaultWait);

    // $XDG_CONFIG_HOME/quorvane/HKEY_CLASSES_ROOT.reg, or ~/.config/quorvane/... when
    // XDG_CONFIG_HOME is unset or empty.
    static std::filesystem::path defaultHiveFile();

    std::unique_ptr<RegistryKey> openKey(std::string_view path) override;
    void update(std::string_view path, const std::function<void(RegistryKey&)>& change) override;
    const std::filesystem::path& hiveFile() const { return m_hiveFile; }
    std::optional<std::filesystem::path> storeFile() const override { return m_hiveFile; }

private:
    std::filesystem::path m_hiveFile;
    FileWriter m_writer;
    std::chrono::milliseconds m_lockWait;
    // Shared with the keys, which may outlive the registry.
    std::shared_ptr<HiveMemo> m_memo = std::make_shared<HiveMemo>();
};

} // namespace quorvane
