#include "store/WindowsRegistry.h"

#include "platform/Failure.h"
#include "store/HiveFile.h"

#include <chrono>
#include <optional>
#include <system_error>
#include <windows.h>

namespace quorvane {

namespace {

// The registry's limit on a value name's length.
constexpr std::size_t longestValueName = 16383;

// How long a reader waits for a commit under way to end before reading all the same: long
// enough for a commit of the settings, short enough that no right-click waits noticeably.
constexpr std::chrono::milliseconds readerWait{50};

std::string systemReason(LONG error) {
    return std::system_category().message(static_cast<int>(error));
}

// Keeps every other update of the settings out while one runs: the registry compares and sets
// nothing on its own. The mutex is dropped by the system when its holder dies.
class UpdateMutex {
public:
    // A writer that waits in vain gives up; a reader reads all the same, as a right-click must
    // not fail because another program is slow to commit.
    enum class Timeout { Fail, GoOn };

    explicit UpdateMutex(std::chrono::milliseconds wait, Timeout timeout = Timeout::Fail) {
        m_mutex = CreateMutexA(nullptr, FALSE, "Local\\Quorvane settings update");
        if (!m_mutex)
            return;
        const DWORD result = WaitForSingleObject(m_mutex, static_cast<DWORD>(wait.count()));
        if (result == WAIT_TIMEOUT) {
            CloseHandle(m_mutex);
            m_mutex = nullptr;
            if (timeout == Timeout::GoOn)
                return;
            throw Failure("The settings are being changed by another program");
        }
        m_owned = result == WAIT_OBJECT_0 || result == WAIT_ABANDONED;
    }
    ~UpdateMutex() {
        if (m_owned)
            ReleaseMutex(m_mutex);
        if (m_mutex)
            CloseHandle(m_mutex);
    }
    UpdateMutex(const UpdateMutex&) = delete;
    UpdateMutex& operator=(const UpdateMutex&) = delete;

private:
    HANDLE m_mutex = nullptr;
    bool m_owned = false;
};

class WindowsRegistryKey : public RegistryKey {
public:
    // `commitWait`: how long commit() waits for another program's update; nothing when the
    // caller holds the update mutex already, for the whole life of the key.
    WindowsRegistryKey(std::string_view path, WindowsRegistry::Opening opening,
                       std::optional<std::chrono::milliseconds> commitWait);
    ~WindowsRegistryKey() override;
    WindowsRegistryKey(const WindowsRegistryKey&) = delete;
    WindowsRegistryKey& operator=(const WindowsRegistryKey&) = delete;

    // A key handed to Registry::update commits once its change is done, not on request.
    void holdCommits() { m_held = true; }
    void commitHeld();

    std::optional<RegistryValue> value(std::string_view name) const override;
    std::vector<std::string> valueNames() const override;
    void setValue(std::string_view name, std::uint32_t type, std::string data) override;
    void commit() override;

private:
    std::optional<RegistryValue> stored(std::string_view name) const;
    std::vector<std::string> storedNames() const;
    void writeAll();

    HKEY m_key = nullptr;
    LONG m_openError = ERROR_SUCCESS;
    // Every value as the registry held it at opening, so that reads never mix two commits.
    HiveKey m_snapshot;
    // One entry per name, at the place of its first write, holding the latest write.
    HiveKey m_writes;
    std::optional<std::chrono::milliseconds> m_commitWait;
    bool m_held = false;
};

WindowsRegistryKey::WindowsRegistryKey(std::string_view path, WindowsRegistry::Opening opening,
                                       std::optional<std::chrono::milliseconds> commitWait)
    : m_snapshot(std::string(path)), m_writes(std::string(path)), m_commitWait(commitWait) {
    // A key that cannot be opened is not reported here: its strings read empty, and the first
    // write says why it failed.
    if (opening == WindowsRegistry::Opening::ExistingOnly)
        m_openError =
            RegOpenKeyExA(HKEY_CLASSES_ROOT, std::string(path).c_str(), 0, KEY_READ, &m_key);
    else
        m_openError = RegCreateKeyExA(HKEY_CLASSES_ROOT, std::string(path).c_str(), 0, nullptr,
                                      REG_OPTION_NON_VOLATILE, KEY_READ | KEY_WRITE, nullptr,
                                      &m_key, nullptr);
    if (m_openError != ERROR_SUCCESS) {
        m_key = nullptr;
        return;
    }
    std::optional<UpdateMutex> commitsKeptOut;
    if (m_commitWait)
        commitsKeptOut.emplace(readerWait, UpdateMutex::Timeout::GoOn);
    for (const std::string& name : storedNames())
        if (auto value = stored(name))
            m_snapshot.setValue(value->name, value->type, std::move(value->data));
}

WindowsRegistryKey::~WindowsRegistryKey() {
    if (m_key)
        RegCloseKey(m_key);
}

std::optional<RegistryValue> WindowsRegistryKey::stored(std::string_view name) const {
    if (!m_key)
        return std::nullopt;
    const std::string valueName(name);
    DWORD type = 0;
    DWORD size = 0;
    if (RegQueryValueExA(m_key, valueName.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS)
        return std::nullopt;
    std::string data;
    // Another program may make the value longer between the two calls.
    for (;;) {
        data.resize(size);
        const LONG result = RegQueryValueExA(m_key, valueName.c_str(), nullptr, &type,
                                             reinterpret_cast<BYTE*>(data.data()), &size);
        if (result == ERROR_MORE_DATA)
            continue;
        if (result != ERROR_SUCCESS)
            return std::nullopt;
        data.resize(size);
        break;
    }
    // The registry keeps a string's terminating NUL in its data; the store does not.
    if ((type == REG_SZ || type == REG_EXPAND_SZ) && !data.empty() && data.back() == '\0')
        data.pop_back();
    return RegistryValue{valueName, type, std::move(data)};
}

std::optional<RegistryValue> WindowsRegistryKey::value(std::string_view name) const {
    if (const RegistryValue* written = m_writes.findValue(name))
        return *written;
    if (const RegistryValue* held = m_snapshot.findValue(name))
        return *held;
    return std::nullopt;
}

std::vector<std::string> WindowsRegistryKey::storedNames() const {
    std::vector<std::string> names;
    if (m_key) {
        DWORD longest = 0;
        RegQueryInfoKeyA(m_key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                         &longest, nullptr, nullptr, nullptr);
        std::string name(longest + 1, '\0');
        for (DWORD index = 0;; ++index) {
            DWORD length = static_cast<DWORD>(name.size());
            const LONG result = RegEnumValueA(m_key, index, name.data(), &length, nullptr, nullptr,
                                              nullptr, nullptr);
            if (result == ERROR_MORE_DATA) {
                name.resize(name.size() * 2);
                --index;
                continue;
            }
            if (result != ERROR_SUCCESS)
                break;
            names.emplace_back(name.data(), length);
        }
    }
    return names;
}

std::vector<std::string> WindowsRegistryKey::valueNames() const {
    std::vector<std::string> names;
    for (const RegistryValue& held : m_snapshot.values())
        names.push_back(held.name);
    // Values this key wrote that the registry does not hold yet come after, as they will.
    for (const RegistryValue& written : m_writes.values()) {
        bool known = false;
        for (const std::string& name : names)
            known = known || equalsIgnoringCase(name, written.name);
        if (!known)
            names.push_back(written.name);
    }
    return names;
}

void WindowsRegistryKey::setValue(std::string_view name, std::uint32_t type, std::string data) {
    // Refused here, before the commit's first write, as the registry has no transaction: a value
    // it refuses halfway through a commit would leave the values before it written.
    std::string_view problem;
    if (name.find('\0') != std::string_view::npos)
        problem = "A value name cannot hold a NUL character.";
    else if (name.size() > longestValueName)
        problem = "A value name holds at most 16383 characters.";
    if (!problem.empty())
        throw Failure(formatMessage(messages::failedToSetData, name.substr(0, name.find('\0'))) +
                      "\n" + std::string(problem));
    m_writes.setValue(name, type, std::move(data));
}

void WindowsRegistryKey::writeAll() {
    for (const RegistryValue& value : m_writes.values()) {
        LONG result = m_openError;
        if (m_key) {
            std::string data = value.data;
            if (value.type == REG_SZ || value.type == REG_EXPAND_SZ)
                data.push_back('\0');
            result = RegSetValueExA(m_key, value.name.c_str(), 0, value.type,
                                    reinterpret_cast<const BYTE*>(data.data()),
                                    static_cast<DWORD>(data.size()));
        }
        if (result != ERROR_SUCCESS)
            throw Failure(formatMessage(messages::failedToSetData, value.name) + "\n" +
                          systemReason(result));
    }
    m_writes.clearValues();
}

void WindowsRegistryKey::commit() {
    if (m_held)
        return;
    std::optional<UpdateMutex> othersKeptOut;
    if (m_commitWait)
        othersKeptOut.emplace(*m_commitWait);
    writeAll();
}

void WindowsRegistryKey::commitHeld() {
    writeAll();
}

} // namespace

WindowsRegistry::WindowsRegistry(std::chrono::milliseconds lockWait, Opening opening)
    : m_lockWait(lockWait), m_opening(opening) {}

std::unique_ptr<RegistryKey> WindowsRegistry::openKey(std::string_view path) {
    return std::make_unique<WindowsRegistryKey>(path, m_opening, m_lockWait);
}

void WindowsRegistry::update(std::string_view path,
                             const std::function<void(RegistryKey&)>& change) {
    const UpdateMutex exclusive(m_lockWait);
    WindowsRegistryKey key(path, m_opening, std::nullopt);
    key.holdCommits();
    change(key);
    key.commitHeld();
}

} // namespace quorvane
