#include "settings/Properties.h"

#include "settings/Schema.h"
#include "settings/SettingsKey.h"

#include <array>
#include <string_view>
#include <utility>

namespace quorvane {

namespace {

constexpr std::int32_t creationBit = 1;
constexpr std::int32_t lastAccessedBit = 2;
constexpr std::int32_t lastModifiedBit = 4;

// The texts and the switches, each in the order they are read and written.
template <typename P> auto texts(P& p) {
    return std::array{std::pair{value::dosPromptFile, &p.dosPromptFile},
                      std::pair{value::altPromptFile, &p.altPromptFile},
                      std::pair{value::altPromptStart, &p.altPromptStart},
                      std::pair{value::cPromptFile, &p.cPromptFile}};
}

template <typename P> auto switches(P& p) {
    return std::array{
        std::pair{value::copyCrLf, &p.copyCrLf}, std::pair{value::appendCrLf, &p.appendCrLf},
        std::pair{value::addPrePath, &p.addPrePath}, std::pair{value::addFileExt, &p.addFileExt}};
}

} // namespace

std::int32_t stampBits(const StampDates& dates) {
    return (dates.creation ? creationBit : 0) | (dates.lastAccessed ? lastAccessedBit : 0) |
           (dates.lastModified ? lastModifiedBit : 0);
}

StampDates stampDates(std::int32_t bits) {
    return {(bits & creationBit) != 0, (bits & lastAccessedBit) != 0,
            (bits & lastModifiedBit) != 0};
}

void readProperties(Registry& registry, Properties& into) {
    SettingsKey key(registry);
    for (auto [name, field] : texts(into))
        if (key.valueExists(name))
            *field = key.readString(name);
    into.stamp = key.valueExists(value::stampOptions)
                     ? stampDates(key.readInteger(value::stampOptions))
                     : StampDates{};
    for (auto [name, field] : switches(into))
        if (key.valueExists(name))
            *field = key.readBool(name);
    key.close();
}

void writeProperties(Registry& registry, const Properties& properties) {
    SettingsKey key(registry);
    for (auto [name, field] : texts(properties))
        key.writeString(name, *field);
    key.writeInteger(value::stampOptions, stampBits(properties.stamp));
    for (auto [name, field] : switches(properties))
        key.writeBool(name, *field);
    key.close();
}

} // namespace quorvane
