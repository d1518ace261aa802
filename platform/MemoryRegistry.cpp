#include "platform/MemoryRegistry.h"

#include "platform/HiveFile.h"

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

class MemoryKey : public RegistryKey {
public:
    MemoryKey(MemoryRegistry& owner, std::string path, bool commits = true)
        : m_owner(owner), m_path(std::move(path)), m_view(owner.key(m_path)), m_commits(commits) {}

    std::optional<RegistryValue> value(std::string_view name) const override {
        auto it = std::find_if(m_view.begin(), m_view.end(), [&](const RegistryValue& v) {
            return equalsIgnoringCase(v.name, name);
        });
        if (it == m_view.end())
            return std::nullopt;
        return *it;
    }
    std::vector<std::string> valueNames() const override {
        std::vector<std::string> names;
        names.reserve(m_view.size());
        for (const auto& v : m_view)
            names.push_back(v.name);
        return names;
    }
    void setValue(std::string_view name, std::uint32_t type, std::string data) override {
        RegistryValue v{std::string(name), type, std::move(data)};
        setIn(m_view, v);
        m_writes.push_back(std::move(v));
    }
    void commit() override {
        if (m_commits)
            publish();
    }
    void publish() {
        auto& committed = m_owner.key(m_path);
        for (auto& v : m_writes)
            setIn(committed, v);
        m_writes.clear();
        ++m_owner.commits;
    }

private:
    MemoryRegistry& m_owner;
    std::string m_path;
    MemoryRegistry::Values m_view;
    std::vector<RegistryValue> m_writes;
    bool m_commits;
};

std::string dwordBytes(std::int32_t value) {
    std::string data(4, '\0');
    for (std::size_t i = 0; i < 4; ++i)
        data[i] = static_cast<char>((static_cast<std::uint32_t>(value) >> (8 * i)) & 0xff);
    return data;
}

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
    setIn(key(path), {std::string(name), regtype::dword, dwordBytes(value)});
}

} // namespace quorvane
