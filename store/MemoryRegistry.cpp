#include "store/MemoryRegistry.h"

#include "platform/Failure.h"
#include "store/HiveFile.h"

#include <algorithm>

namespace quorvane {

namespace {

RegistryValue* findIn(MemoryRegistry::Values& values, std::string_view name) {
    auto it = std::find_if(values.begin(), values.end(), [&](const RegistryValue& v) {
        return equalsIgnoringCase(v.name, name);
    });
    return it == values.end() ? nullptr : &*it;
}

void setIn(MemoryRegistry::Values& values, RegistryValue value) {
    if (auto* existing = findIn(values, value.name)) {
        existing->type = value.type;
        existing->data = std::move(value.data);
    } else {
        values.push_back(std::move(value));
    }
}

// Keys are looked up through HiveKey's index, as in the file store, so that a key of many values
// is read and written in linear time. The committed values stay a plain list that tests may edit,
// so their index is built afresh for each commit rather than kept alongside.
class MemoryKey : public RegistryKey {
public:
    MemoryKey(MemoryRegistry& owner, const std::string& path, bool commits = true)
        : m_owner(owner), m_view(path, owner.key(path)), m_commits(commits) {}

    std::optional<RegistryValue> value(std::string_view name) const override {
        if (const RegistryValue* found = m_view.findValue(name))
            return *found;
        return std::nullopt;
    }
    std::vector<std::string> valueNames() const override {
        std::vector<std::string> names;
        names.reserve(m_view.values().size());
        for (const auto& v : m_view.values())
            names.push_back(v.name);
        return names;
    }
    void setValue(std::string_view name, std::uint32_t type, std::string data) override {
        // The file store cannot hold such a name; whatever is tried out here must store there.
        if (!canStoreValueName(name))
            throw Failure(formatMessage(messages::failedToSetData, name) + "\n" +
                          std::string(unstorableValueName));
        m_view.setValue(name, type, data);
        m_writes.push_back({std::string(name), type, std::move(data)});
    }
    void commit() override {
        if (m_commits)
            publish();
    }
    void publish() {
        auto& committed = m_owner.key(m_view.path());
        HiveKey updated(m_view.path(), committed);
        for (auto& v : m_writes)
            updated.setValue(v.name, v.type, std::move(v.data));
        committed = updated.values();
        m_writes.clear();
        ++m_owner.commits;
    }

private:
    MemoryRegistry& m_owner;
    HiveKey m_view;
    std::vector<RegistryValue> m_writes;
    bool m_commits;
};

} // namespace

std::unique_ptr<RegistryKey> MemoryRegistry::openKey(std::string_view path) {
    return std::make_unique<MemoryKey>(*this, std::string(path));
}

void MemoryRegistry::update(std::string_view path,
                            const std::function<void(RegistryKey&)>& change) {
    MemoryKey key(*this, std::string(path), false);
    change(key);
    key.publish();
}

const RegistryValue* MemoryRegistry::find(const std::string& path, std::string_view name) {
    return findIn(key(path), name);
}

void MemoryRegistry::setString(const std::string& path, std::string_view name,
                               std::string_view text) {
    setIn(key(path), {std::string(name), regtype::sz, std::string(text)});
}

void MemoryRegistry::setInteger(const std::string& path, std::string_view name,
                                std::int32_t value) {
    setIn(key(path),
          {std::string(name), regtype::dword, dwordData(static_cast<std::uint32_t>(value))});
}

} // namespace quorvane
