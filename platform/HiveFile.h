#pragma once

#include "platform/Registry.h"

#include <string>
#include <string_view>
#include <vector>

namespace quorvane {

// The contents of a REGEDIT4 file: keys in file order, each with its values in enumeration order.
// Key paths are stored without the "HKEY_CLASSES_ROOT\" prefix. Keys and value names compare
// without regard to ASCII case, as the registry does, and keep the case they were created with.
struct HiveKey {
    std::string path;
    std::vector<RegistryValue> values;
};

class Hive {
public:
    // Parses REGEDIT4 text (CR LF or LF line ends). Throws Failure naming `fileName` and the line
    // of the first thing it cannot read; a file it refuses must never be overwritten.
    static Hive parse(std::string_view text, std::string_view fileName);
    // The REGEDIT4 text, CR LF line ends; parse(serialize()) gives back the same keys and values.
    std::string serialize() const;

    const std::vector<HiveKey>& keys() const { return m_keys; }
    const HiveKey* findKey(std::string_view path) const;
    HiveKey& ensureKey(std::string_view path);
    // Sets a value, keeping its place among the key's values when it exists (even when the type
    // changes) and appending it otherwise.
    static void setValue(HiveKey& key, std::string_view name, std::uint32_t type, std::string data);
    static const RegistryValue* findValue(const HiveKey& key, std::string_view name);

    friend bool operator==(const Hive&, const Hive&);

private:
    std::vector<HiveKey> m_keys;
};

bool equalsIgnoringCase(std::string_view a, std::string_view b);

} // namespace quorvane
