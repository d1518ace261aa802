#pragma once

#include "store/Registry.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quorvane {

enum class ValueType { Missing, String, Integer, Other };

// The settings key, open for one operation: opened (and created when missing) by the
// constructor, committed by close(). A key destroyed without close() - because the operation
// ended with a failure - writes nothing, so no half-done operation reaches the store.
class SettingsKey {
public:
    explicit SettingsKey(Registry& registry);
    // The settings key handed out by Registry::update, which commits it itself.
    explicit SettingsKey(RegistryKey& key);
    SettingsKey(const SettingsKey&) = delete;
    SettingsKey& operator=(const SettingsKey&) = delete;
    ~SettingsKey();

    bool valueExists(std::string_view name) const;
    ValueType valueType(std::string_view name) const;
    std::vector<std::string> valueNames() const;

    // A missing value reads as the empty string; the text ends at the first NUL it holds.
    std::string readString(std::string_view name) const;
    std::int32_t readInteger(std::string_view name) const;
    // The integer, or nothing when the value is missing, of another type or not four bytes long.
    std::optional<std::int32_t> integerIfReadable(std::string_view name) const;
    // Strings as the registry has them, without expandable strings.
    bool isPlainString(std::string_view name) const;
    bool readBool(std::string_view name) const;

    void writeString(std::string_view name, std::string_view text);
    void writeInteger(std::string_view name, std::int32_t value);
    void writeBool(std::string_view name, bool value);

    void close();

private:
    std::unique_ptr<RegistryKey> m_owned;
    RegistryKey* m_key;
};

// A failure to read a stored value, with what mends it: the user cannot reach the key otherwise.
std::string damagedValue(std::string_view message);

// Runs `change` on the settings key as stored now, with other writers kept out until its writes
// are committed; nothing is written when it throws.
void updateSettings(Registry& registry, const std::function<void(SettingsKey&)>& change);

} // namespace quorvane
