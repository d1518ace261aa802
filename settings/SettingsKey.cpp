#include "settings/SettingsKey.h"

#include "platform/Failure.h"
#include "settings/KeyPath.h"

namespace quorvane {

namespace {

bool isStringType(std::uint32_t type) {
    return type == regtype::sz || type == regtype::expandSz;
}

} // namespace

std::string damagedValue(std::string_view message) {
    return std::string(message) + "\nLoading a menu file that holds the value repairs it.";
}

SettingsKey::SettingsKey(Registry& registry)
    : m_owned(registry.openKey(settingsKeyPath())), m_key(m_owned.get()) {}

SettingsKey::SettingsKey(RegistryKey& key) : m_key(&key) {}

SettingsKey::~SettingsKey() = default;

bool SettingsKey::valueExists(std::string_view name) const {
    return m_key->value(name).has_value();
}

ValueType SettingsKey::valueType(std::string_view name) const {
    const auto value = m_key->value(name);
    if (!value)
        return ValueType::Missing;
    if (isStringType(value->type))
        return ValueType::String;
    if (value->type == regtype::dword)
        return ValueType::Integer;
    return ValueType::Other;
}

std::vector<std::string> SettingsKey::valueNames() const {
    return m_key->valueNames();
}

std::string SettingsKey::readString(std::string_view name) const {
    const auto value = m_key->value(name);
    if (!value)
        return {};
    if (!isStringType(value->type))
        throw Failure(damagedValue(formatMessage(messages::invalidDataType, name)));
    return value->data.substr(0, value->data.find('\0'));
}

std::int32_t SettingsKey::readInteger(std::string_view name) const {
    const auto value = m_key->value(name);
    if (!value)
        throw Failure(damagedValue(formatMessage(messages::failedToGetData, name)));
    if (value->type != regtype::dword)
        throw Failure(damagedValue(formatMessage(messages::invalidDataType, name)));
    const auto number = dwordNumber(value->data);
    if (!number)
        throw Failure(damagedValue(formatMessage(messages::failedToGetData, name)));
    return static_cast<std::int32_t>(*number);
}

std::optional<std::int32_t> SettingsKey::integerIfReadable(std::string_view name) const {
    const auto value = m_key->value(name);
    if (!value || value->type != regtype::dword)
        return std::nullopt;
    if (const auto number = dwordNumber(value->data))
        return static_cast<std::int32_t>(*number);
    return std::nullopt;
}

bool SettingsKey::isPlainString(std::string_view name) const {
    const auto value = m_key->value(name);
    return value && value->type == regtype::sz;
}

bool SettingsKey::readBool(std::string_view name) const {
    return readInteger(name) != 0;
}

void SettingsKey::writeString(std::string_view name, std::string_view text) {
    m_key->setValue(name, regtype::sz, std::string(text));
}

void SettingsKey::writeInteger(std::string_view name, std::int32_t value) {
    m_key->setValue(name, regtype::dword, dwordData(static_cast<std::uint32_t>(value)));
}

void SettingsKey::writeBool(std::string_view name, bool value) {
    writeInteger(name, value ? 1 : 0);
}

void SettingsKey::close() {
    m_key->commit();
}

void updateSettings(Registry& registry, const std::function<void(SettingsKey&)>& change) {
    registry.update(settingsKeyPath(), [&change](RegistryKey& raw) {
        SettingsKey key(raw);
        change(key);
    });
}

} // namespace quorvane
