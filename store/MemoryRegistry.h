#pragma once

#include "store/Registry.h"

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace quorvane {

// A registry held in memory with the commit rules of the real store: reads see a snapshot plus
// the key's own writes, and only commit() publishes them. It lets an operation be tried out on a
// copy of the settings before anything is stored, and lets tests run without files. Counts
// commits, so that a caller can tell whether an operation wrote anything.
class MemoryRegistry : public Registry {
public:
    using Values = std::vector<RegistryValue>;

    std::unique_ptr<RegistryKey> openKey(std::string_view path) override;
    void update(std::string_view path, const std::function<void(RegistryKey&)>& change) override;

    // The committed values of a key, in enumeration order.
    Values& key(const std::string& path) { return m_keys[path]; }
    const RegistryValue* find(const std::string& path, std::string_view name);
    void setString(const std::string& path, std::string_view name, std::string_view text);
    void setInteger(const std::string& path, std::string_view name, std::int32_t value);

    int commits = 0;

private:
    std::map<std::string, Values> m_keys;
};

} // namespace quorvane
