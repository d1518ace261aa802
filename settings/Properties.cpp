#include "settings/Properties.h"

#include "platform/Failure.h"
#include "settings/Schema.h"
#include "settings/SettingsKey.h"

#include <algorithm>
#include <string_view>

namespace quorvane {

namespace {

constexpr std::int32_t creationBit = 1;
constexpr std::int32_t lastAccessedBit = 2;
constexpr std::int32_t lastModifiedBit = 4;

std::string_view valueName(Property which) {
    switch (which) {
    case Property::DosPromptFile:
        return value::dosPromptFile;
    case Property::AltPromptFile:
        return value::altPromptFile;
    case Property::AltPromptStart:
        return value::altPromptStart;
    case Property::CPromptFile:
        return value::cPromptFile;
    case Property::Stamp:
        return value::stampOptions;
    case Property::CopyCrLf:
        return value::copyCrLf;
    case Property::AppendCrLf:
        return value::appendCrLf;
    case Property::AddPrePath:
        return value::addPrePath;
    case Property::AddFileExt:
        return value::addFileExt;
    }
    return {};
}

// The field of a text option, or null for the others.
template <typename P> auto textField(P& p, Property which) -> decltype(&p.dosPromptFile) {
    switch (which) {
    case Property::DosPromptFile:
        return &p.dosPromptFile;
    case Property::AltPromptFile:
        return &p.altPromptFile;
    case Property::AltPromptStart:
        return &p.altPromptStart;
    case Property::CPromptFile:
        return &p.cPromptFile;
    default:
        return nullptr;
    }
}

// The field of a switch option, or null for the others.
template <typename P> auto switchField(P& p, Property which) -> decltype(&p.copyCrLf) {
    switch (which) {
    case Property::CopyCrLf:
        return &p.copyCrLf;
    case Property::AppendCrLf:
        return &p.appendCrLf;
    case Property::AddPrePath:
        return &p.addPrePath;
    case Property::AddFileExt:
        return &p.addFileExt;
    default:
        return nullptr;
    }
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

namespace {

void readOne(const SettingsKey& key, Property which, Properties& into) {
    const std::string_view name = valueName(which);
    if (which == Property::Stamp)
        into.stamp = key.valueExists(name) ? stampDates(key.readInteger(name)) : StampDates{};
    else if (!key.valueExists(name))
        return;
    else if (std::string* text = textField(into, which))
        *text = key.readString(name);
    else
        *switchField(into, which) = key.readBool(name);
}

void writeOne(SettingsKey& key, Property which, const Properties& properties) {
    const std::string_view name = valueName(which);
    if (which == Property::Stamp)
        key.writeInteger(name, stampBits(properties.stamp));
    else if (const std::string* text = textField(properties, which))
        key.writeString(name, *text);
    else
        key.writeBool(name, *switchField(properties, which));
}

} // namespace

void readProperties(Registry& registry, Properties& into) {
    SettingsKey key(registry);
    for (Property which : allProperties)
        readOne(key, which, into);
    key.close();
}

std::vector<std::string> readEachProperty(Registry& registry, Properties& into) {
    SettingsKey key(registry);
    std::vector<std::string> failures;
    for (Property which : allProperties) {
        try {
            readOne(key, which, into);
        } catch (const Failure& failure) {
            failures.emplace_back(failure.what());
        }
    }
    key.close();
    return failures;
}

void writeProperties(Registry& registry, const Properties& properties) {
    writeProperties(registry, properties, {allProperties.begin(), allProperties.end()});
}

void writeProperties(Registry& registry, const Properties& properties,
                     const std::vector<Property>& which) {
    SettingsKey key(registry);
    for (Property property : allProperties)
        if (std::find(which.begin(), which.end(), property) != which.end())
            writeOne(key, property, properties);
    key.close();
}

} // namespace quorvane
