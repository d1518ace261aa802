#include "settings/ItemLists.h"

#include "menu/CommaText.h"
#include "settings/SettingsKey.h"

#include <optional>

namespace quorvane {

namespace {

std::string ensureItems(SettingsKey& key, std::string_view captionsName,
                        std::optional<std::string_view> targetsName,
                        std::string_view defaultCaptions, std::string_view defaultTargets,
                        std::int32_t code) {
    auto captions = splitCommaText(key.readString(captionsName));
    if (captions.empty() && !defaultCaptions.empty()) {
        key.writeString(captionsName, defaultCaptions);
        if (targetsName)
            key.writeString(*targetsName, defaultTargets);
        captions = splitCommaText(key.readString(captionsName));
    }
    std::string codes;
    const std::string token = std::to_string(code);
    for (std::size_t i = 0; i < captions.size(); ++i) {
        if (i > 0)
            codes += ',';
        codes += token;
    }
    return codes;
}

} // namespace

std::string ensureItemList(SettingsKey& key, std::string_view captionsName,
                           std::string_view defaultCaptions, std::int32_t code) {
    return ensureItems(key, captionsName, std::nullopt, defaultCaptions, {}, code);
}

std::string ensureItemPair(SettingsKey& key, std::string_view captionsName,
                           std::string_view targetsName, std::string_view defaultCaptions,
                           std::string_view defaultTargets, std::int32_t code) {
    return ensureItems(key, captionsName, targetsName, defaultCaptions, defaultTargets, code);
}

// The defaults go in only if the list is still empty when they are committed, so that items
// another program stores meanwhile are never replaced.
std::string ensureItemList(Registry& registry, std::string_view captionsName,
                           std::string_view defaultCaptions, std::int32_t code) {
    std::string codes;
    updateSettings(registry, [&](SettingsKey& key) {
        codes = ensureItemList(key, captionsName, defaultCaptions, code);
    });
    return codes;
}

std::string ensureItemPair(Registry& registry, std::string_view captionsName,
                           std::string_view targetsName, std::string_view defaultCaptions,
                           std::string_view defaultTargets, std::int32_t code) {
    std::string codes;
    updateSettings(registry, [&](SettingsKey& key) {
        codes =
            ensureItemPair(key, captionsName, targetsName, defaultCaptions, defaultTargets, code);
    });
    return codes;
}

} // namespace quorvane
