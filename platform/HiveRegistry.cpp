#include "platform/HiveRegistry.h"

#include "platform/AtomicFile.h"
#include "platform/Failure.h"
#include "platform/FileBytes.h"
#include "platform/HiveFile.h"
#include "platform/HiveLock.h"

#include <cstdlib>
#include <cstring>
#include <optional>
#include <pwd.h>
#include <system_error>
#include <unistd.h>

namespace quorvane {

namespace {

[[noreturn]] void failToRead(const std::filesystem::path& file, const std::string& reason) {
    throw Failure("Cannot read the settings file '" + file.string() + "': " + reason);
}

Hive readHive(const std::filesystem::path& file) {
    try {
        const std::optional<std::string> bytes = readFileBytes(file);
        return bytes ? Hive::parse(*bytes, file.string()) : Hive();
    } catch (const Failure&) {
        throw;
    } catch (const std::system_error& error) {
        failToRead(file, std::strerror(error.code().value()));
    } catch (const std::exception& error) {
        // A file too large to hold in memory, most likely.
        failToRead(file, reasonOf(error));
    }
}

class HiveRegistryKey : public RegistryKey {
public:
    HiveRegistryKey(std::filesystem::path hiveFile, HiveRegistry::FileWriter writer,
                    std::chrono::milliseconds lockWait, std::string path,
                    std::optional<HiveKey> snapshot);

    // Commits onto `hive`, read by the caller under `lock`, rather than reading the file again.
    void commitOnto(Hive hive, const HiveLock& lock);
    // A key handed to Registry::update commits once its change is done, not on request.
    void holdCommits() { m_held = true; }
    // Runs a commit, turning what the system reports into the store's own message.
    void reportingFailures(const std::function<void()>& work);

    std::optional<RegistryValue> value(std::string_view name) const override;
    std::vector<std::string> valueNames() const override;
    void setValue(std::string_view name, std::uint32_t type, std::string data) override;
    void commit() override;

private:
    std::filesystem::path m_hiveFile;
    HiveRegistry::FileWriter m_writer;
    std::chrono::milliseconds m_lockWait;
    bool m_exists;
    // The snapshot with this key's writes applied, which is what reads see.
    HiveKey m_view;
    // One entry per name, at the place of its first write, holding the latest write.
    HiveKey m_writes;
    bool m_held = false;
};

HiveRegistryKey::HiveRegistryKey(std::filesystem::path hiveFile, HiveRegistry::FileWriter writer,
                                 std::chrono::milliseconds lockWait, std::string path,
                                 std::optional<HiveKey> snapshot)
    : m_hiveFile(std::move(hiveFile)), m_writer(std::move(writer)), m_lockWait(lockWait),
      m_exists(snapshot.has_value()), m_view(snapshot ? std::move(*snapshot) : HiveKey(path)),
      m_writes(std::move(path)) {}

std::optional<RegistryValue> HiveRegistryKey::value(std::string_view name) const {
    if (const RegistryValue* found = m_view.findValue(name))
        return *found;
    return std::nullopt;
}

std::vector<std::string> HiveRegistryKey::valueNames() const {
    std::vector<std::string> names;
    names.reserve(m_view.values().size());
    for (const RegistryValue& value : m_view.values())
        names.push_back(value.name);
    return names;
}

void HiveRegistryKey::setValue(std::string_view name, std::uint32_t type, std::string data) {
    // Refused here rather than at commit, so that the message names this value and not the
    // first one the key wrote.
    if (!canStoreValueName(name))
        throw Failure(formatMessage(messages::failedToSetData, name) + "\n" +
                      std::string(unstorableValueName));
    m_view.setValue(name, type, data);
    m_writes.setValue(name, type, std::move(data));
}

void HiveRegistryKey::commit() {
    if (m_held || (m_exists && m_writes.values().empty()))
        return;
    reportingFailures([this] {
        HiveLock lock(m_hiveFile, m_lockWait);
        // Another process may have written since the snapshot: start from what is on disk now,
        // so that only the values this key wrote replace anything.
        commitOnto(readHive(m_hiveFile), lock);
    });
}

void HiveRegistryKey::reportingFailures(const std::function<void()>& work) {
    // A key that cannot be created is not worth a message; values that cannot be saved are.
    auto fail = [this](const std::string& reason) {
        if (!m_writes.values().empty())
            throw Failure(formatMessage(messages::failedToSetData, m_writes.values().front().name) +
                          "\n" + reason);
    };
    try {
        work();
    } catch (const HiveBusy& busy) {
        fail(busy.what());
    } catch (const UnstorableName& name) {
        fail(name.what());
    } catch (const Failure&) {
        // The settings file cannot be read: its own message says which and where.
        throw;
    } catch (const std::exception& error) {
        fail(reasonOf(error));
    }
}

void HiveRegistryKey::commitOnto(Hive hive, const HiveLock&) {
    if (m_writes.values().empty() && hive.findKey(m_writes.path())) {
        m_exists = true;
        m_view = *std::move(hive).takeKey(m_writes.path());
        return;
    }
    HiveKey& key = hive.ensureKey(m_writes.path());
    for (const RegistryValue& value : m_writes.values())
        key.setValue(value.name, value.type, value.data);
    std::string bytes = hive.serialize();

    // Every writer holds the lock while its temporary exists, so any found now was left by one
    // that died before renaming, whatever has become of its pid since.
    removeAllTemporaries(m_hiveFile);
    if (m_writer)
        m_writer(m_hiveFile, bytes);
    else
        writeFileAtomically(m_hiveFile, bytes);

    m_exists = true;
    m_view = std::move(key);
    m_writes.clearValues();
}

std::filesystem::path homeFolder() {
    if (const char* home = std::getenv("HOME"); home && *home)
        return home;
    if (const passwd* entry = ::getpwuid(::getuid()); entry && entry->pw_dir)
        return entry->pw_dir;
    return ".";
}

} // namespace

HiveRegistry::HiveRegistry(std::filesystem::path hiveFile, FileWriter writer,
                           std::chrono::milliseconds lockWait)
    : m_hiveFile(std::move(hiveFile)), m_writer(std::move(writer)), m_lockWait(lockWait) {}

std::filesystem::path HiveRegistry::defaultHiveFile() {
    std::filesystem::path config;
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && *xdg)
        config = xdg;
    else
        config = homeFolder() / ".config";
    return config / "quorvane" / "HKEY_CLASSES_ROOT.reg";
}

void HiveRegistry::update(std::string_view path, const std::function<void(RegistryKey&)>& change) {
    std::optional<HiveLock> lock;
    try {
        lock.emplace(m_hiveFile, m_lockWait);
    } catch (const std::system_error& error) {
        throw Failure("Cannot write the settings file '" + m_hiveFile.string() +
                      "': " + error.code().message());
    }
    Hive hive = readHive(m_hiveFile);
    std::optional<HiveKey> snapshot;
    if (const HiveKey* found = hive.findKey(path))
        snapshot = *found;
    HiveRegistryKey key(m_hiveFile, m_writer, m_lockWait, std::string(path), std::move(snapshot));
    key.holdCommits();
    change(key);
    key.reportingFailures([&] { key.commitOnto(std::move(hive), *lock); });
}

std::unique_ptr<RegistryKey> HiveRegistry::openKey(std::string_view path) {
    Hive hive = readHive(m_hiveFile);
    return std::make_unique<HiveRegistryKey>(m_hiveFile, m_writer, m_lockWait, std::string(path),
                                             std::move(hive).takeKey(path));
}

} // namespace quorvane
