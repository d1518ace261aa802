#pragma once

#include "platform/Registry.h"

#include <cstdint>
#include <memory>
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
    SettingsKey(const SettingsKey&) = delete;
    SettingsKey& operator=(const SettingsKey&) = delete;
    ~SettingsKey();

    bool valueExists(std::string_view name) const;
    ValueType valueType(std::string_view name) const;
    std::vector<std::string> valueNames() const;

    // A missing value reads as the empty string; the text ends at the first NUL it holds.
    std::string readString(std::string_view name) const;
    std::int32_t readInteger(std::string_view name) const;
    bool readBool(std::string_view name) const;

    void writeString(std::string_view name, std::string_view text);
    void writeInteger(std::string_view name, std::int32_t value);
    void writeBool(std::string_view name, bool value);

    void close();

private:
    std::unique_ptr<RegistryKey> m_key;
};

} // namespace quorvane
