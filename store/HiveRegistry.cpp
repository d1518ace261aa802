#include "store/HiveRegistry.h"

#include "platform/Failure.h"
#include "platform/System.h"
#include "store/HiveFile.h"
#include "store/HiveLock.h"
#include "store/HiveUpdate.h"

#include <cstdlib>
#include <exception>
#include <optional>

namespace quorvane {

namespace {

class HiveRegistryKey : public RegistryKey {
public:
    HiveRegistryKey(std::filesystem::path hiveFile, HiveRegistry::FileWriter writer,
                    std::chrono::milliseconds lockWait, std::shared_ptr<HiveMemo> memo,
                    std::string path, std::optional<HiveKey> snapshot);

    // Puts this key's writes into `hive`, which the caller read under the lock.
    void applyTo(Hive& hive);
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
    std::shared_ptr<HiveMemo> m_memo;
    bool m_exists;
    // The key as it was read or last committed; reads see it with m_writes laid over it, so that
    // a write is kept once, not copied into a view of its own.
    HiveKey m_stored;
    // One entry per name, at the place of its first write, holding the latest write.
    HiveKey m_writes;
    // The key as the last commit left it, when another writer had changed it since it was read;
    // otherwise it is m_stored with m_writes set, and needs no copy.
    std::optional<HiveKey> m_committed;
    // Set when the last commit stored m_writes as they are: they then stand for the file as much
    // as m_stored does, and are merged into it only if the key is written again (most keys are
    // dropped right after their commit).
    bool m_writesStored = false;
    bool m_held = false;

    void mergeStoredWrites();
};

HiveRegistryKey::HiveRegistryKey(std::filesystem::path hiveFile, HiveRegistry::FileWriter writer,
                                 std::chrono::milliseconds lockWait, std::shared_ptr<HiveMemo> memo,
                                 std::string path, std::optional<HiveKey> snapshot)
    : m_hiveFile(std::move(hiveFile)), m_writer(std::move(writer)), m_lockWait(lockWait),
      m_memo(std::move(memo)), m_exists(snapshot.has_value()),
      m_stored(snapshot ? std::move(*snapshot) : HiveKey(path)), m_writes(std::move(path)) {}

std::optional<RegistryValue> HiveRegistryKey::value(std::string_view name) const {
    const RegistryValue* stored = m_stored.findValue(name);
    if (const RegistryValue* written = m_writes.findValue(name)) {
        RegistryValue value = *written;
        // A value that exists keeps the case of its name, as it does in the file.
        if (stored)
            value.name = stored->name;
        return value;
    }
    if (stored)
        return *stored;
    return std::nullopt;
}

std::vector<std::string> HiveRegistryKey::valueNames() const {
    // The stored values in their order, then the new ones in the order of their first write:
    // where the commit puts them.
    std::vector<std::string> names;
    names.reserve(m_stored.values().size() + m_writes.values().size());
    for (const RegistryValue& value : m_stored.values())
        names.push_back(value.name);
    for (const RegistryValue& value : m_writes.values())
        if (!m_stored.findValue(value.name))
            names.push_back(value.name);
    return names;
}

void HiveRegistryKey::setValue(std::string_view name, std::uint32_t type, std::string data) {
    // Refused here rather than at commit, so that the message names this value and not the
    // first one the key wrote.
    if (!canStoreValueName(name))
        throw Failure(formatMessage(messages::failedToSetData, name) + "\n" +
                      std::string(unstorableValueName));
    mergeStoredWrites();
    m_writes.setValue(name, type, std::move(data));
}

void HiveRegistryKey::mergeStoredWrites() {
    if (m_writesStored) {
        m_stored.setValues(std::move(m_writes));
        m_writesStored = false;
    }
}

void HiveRegistryKey::commit() {
    mergeStoredWrites();
    if (m_held || (m_exists && m_writes.values().empty()))
        return;
    // Another process may have written since the snapshot: the update starts from what is on
    // disk once it holds the lock, so that only the values this key wrote replace anything.
    reportingFailures([this] {
        updateHive(
            m_hiveFile, [this](Hive& hive) { applyTo(hive); }, m_lockWait, m_writer, m_memo.get());
        m_exists = true;
        if (m_committed) {
            m_stored = std::move(*m_committed);
            m_committed.reset();
            m_writes.clearValues();
        } else {
            m_writesStored = true;
        }
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

void HiveRegistryKey::applyTo(Hive& hive) {
    HiveKey& key = hive.ensureKey(m_writes.path());
    // What reads see once the write is through is the key as stored, other writers' values too;
    // it is copied only when another writer changed it since it was read.
    const bool asRead = key == m_stored;
    for (const RegistryValue& value : m_writes.values())
        key.setValue(value);
    if (asRead)
        m_committed.reset();
    else
        m_committed = key;
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
        config = std::filesystem::path(homeDirectory()) / ".config";
    return config / "quorvane" / "HKEY_CLASSES_ROOT.reg";
}

void HiveRegistry::update(std::string_view path, const std::function<void(RegistryKey&)>& change) {
    std::optional<HiveRegistryKey> key;
    auto changeHive = [&](Hive& hive) {
        std::optional<HiveKey> snapshot;
        if (const HiveKey* found = hive.findKey(path))
            snapshot = *found;
        key.emplace(m_hiveFile, m_writer, m_lockWait, m_memo, std::string(path),
                    std::move(snapshot));
        key->holdCommits();
        change(*key);
        key->applyTo(hive);
    };
    try {
        updateHive(m_hiveFile, changeHive, m_lockWait, m_writer, m_memo.get());
    } catch (const Failure&) {
        // The lock, the settings file or `change` itself: each says what went wrong.
        throw;
    } catch (const std::exception& failure) {
        // Taking the lock failed before any value was written, so there is no value to name:
        // the message names the file instead.
        if (!key)
            throw Failure("Cannot write the settings file '" + m_hiveFile.string() +
                          "': " + reasonOf(failure));
        const std::exception_ptr error = std::current_exception();
        key->reportingFailures([&error] { std::rethrow_exception(error); });
    }
}

std::unique_ptr<RegistryKey> HiveRegistry::openKey(std::string_view path) {
    return std::make_unique<HiveRegistryKey>(m_hiveFile, m_writer, m_lockWait, m_memo,
                                             std::string(path),
                                             readHiveKey(m_hiveFile, path, m_memo.get()));
}

} // namespace quorvane
