#include "platform/HiveRegistry.h"

#include "platform/AtomicFile.h"
#include "platform/Failure.h"
#include "platform/FileBytes.h"
#include "platform/HiveFile.h"
#include "platform/HiveLock.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <optional>
#include <pwd.h>
#include <sys/file.h>
#include <unistd.h>

namespace quorvane {

namespace {

[[noreturn]] void failToRead(const std::filesystem::path& file, int error) {
    throw Failure("Cannot read the settings file '" + file.string() + "': " + std::strerror(error));
}

Hive readHive(const std::filesystem::path& file) {
    std::optional<std::string> bytes;
    try {
        bytes = readFileBytes(file);
    } catch (const std::system_error& error) {
        failToRead(file, error.code().value());
    }
    return bytes ? Hive::parse(*bytes, file.string()) : Hive();
}

// Temporaries are only written under the lock, so any found while holding it were left by a
// writer that died before renaming.
void removeStaleTemporaries(const std::filesystem::path& hiveFile) {
    std::filesystem::path folder = hiveFile.parent_path();
    if (folder.empty())
        folder = ".";
    const std::string prefix = hiveFile.filename().string() + ".tmp.";
    std::error_code error;
    for (std::filesystem::directory_iterator it(folder, error), end; !error && it != end;
         it.increment(error)) {
        if (it->path().filename().string().starts_with(prefix)) {
            std::error_code ignored;
            std::filesystem::remove(it->path(), ignored);
        }
    }
}

class HiveRegistryKey : public RegistryKey {
public:
    HiveRegistryKey(std::filesystem::path hiveFile, HiveRegistry::FileWriter writer,
                    std::string path, const HiveKey* snapshot);

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
    bool m_exists;
    // The snapshot with this key's writes applied, which is what reads see.
    HiveKey m_view;
    // One entry per name, at the place of its first write, holding the latest write.
    HiveKey m_writes;
    bool m_held = false;
};

HiveRegistryKey::HiveRegistryKey(std::filesystem::path hiveFile, HiveRegistry::FileWriter writer,
                                 std::string path, const HiveKey* snapshot)
    : m_hiveFile(std::move(hiveFile)), m_writer(std::move(writer)), m_exists(snapshot != nullptr),
      m_view(snapshot ? *snapshot : HiveKey{path, {}}), m_writes{std::move(path), {}} {}

std::optional<RegistryValue> HiveRegistryKey::value(std::string_view name) const {
    if (const RegistryValue* found = Hive::findValue(m_view, name))
        return *found;
    return std::nullopt;
}

std::vector<std::string> HiveRegistryKey::valueNames() const {
    std::vector<std::string> names;
    names.reserve(m_view.values.size());
    for (const RegistryValue& value : m_view.values)
        names.push_back(value.name);
    return names;
}

void HiveRegistryKey::setValue(std::string_view name, std::uint32_t type, std::string data) {
    Hive::setValue(m_view, name, type, data);
    Hive::setValue(m_writes, name, type, std::move(data));
}

void HiveRegistryKey::commit() {
    if (m_held || (m_exists && m_writes.values.empty()))
        return;
    reportingFailures([this] {
        HiveLock lock(m_hiveFile);
        // Another process may have written since the snapshot: start from what is on disk now,
        // so that only the values this key wrote replace anything.
        commitOnto(readHive(m_hiveFile), lock);
    });
}

void HiveRegistryKey::reportingFailures(const std::function<void()>& work) {
    try {
        work();
    } catch (const Failure&) {
        throw;
    } catch (const std::exception&) {
        // A key that cannot be created is not worth a message; values that cannot be saved are.
        if (m_writes.values.empty())
            return;
        throw Failure(formatMessage(messages::failedToSetData, m_writes.values.front().name));
    }
}

void HiveRegistryKey::commitOnto(Hive hive, const HiveLock&) {
    if (m_writes.values.empty() && hive.findKey(m_writes.path)) {
        m_exists = true;
        m_view = *hive.findKey(m_writes.path);
        return;
    }
    HiveKey& key = hive.ensureKey(m_writes.path);
    for (const RegistryValue& value : m_writes.values)
        Hive::setValue(key, value.name, value.type, value.data);
    HiveKey committed = key;
    std::string bytes = hive.serialize();

    removeStaleTemporaries(m_hiveFile);
    if (m_writer)
        m_writer(m_hiveFile, bytes);
    else
        writeFileAtomically(m_hiveFile, bytes);

    m_exists = true;
    m_view = std::move(committed);
    m_writes.values.clear();
}

std::filesystem::path homeFolder() {
    if (const char* home = std::getenv("HOME"); home && *home)
        return home;
    if (const passwd* entry = ::getpwuid(::getuid()); entry && entry->pw_dir)
        return entry->pw_dir;
    return ".";
}

} // namespace

HiveRegistry::HiveRegistry(std::filesystem::path hiveFile, FileWriter writer)
    : m_hiveFile(std::move(hiveFile)), m_writer(std::move(writer)) {}

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
        lock.emplace(m_hiveFile);
    } catch (const std::system_error& error) {
        throw Failure("Cannot write the settings file '" + m_hiveFile.string() +
                      "': " + error.code().message());
    }
    Hive hive = readHive(m_hiveFile);
    HiveRegistryKey key(m_hiveFile, m_writer, std::string(path), hive.findKey(path));
    key.holdCommits();
    change(key);
    key.reportingFailures([&] { key.commitOnto(std::move(hive), *lock); });
}

std::unique_ptr<RegistryKey> HiveRegistry::openKey(std::string_view path) {
    Hive hive = readHive(m_hiveFile);
    return std::make_unique<HiveRegistryKey>(m_hiveFile, m_writer, std::string(path),
                                             hive.findKey(path));
}

} // namespace quorvane
