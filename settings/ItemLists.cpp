#include "settings/ItemLists.h"

#include "menu/CommaText.h"
#include "settings/SettingsKey.h"

#include <optional>

namespace quorvane {

namespace {

std::string ensureItems(Registry& registry, std::string_view captionsName,
                        std::optional<std::string_view> targetsName,
                        std::string_view defaultCaptions, std::string_view defaultTargets,
                        std::int32_t code) {
    SettingsKey key(registry);
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
    key.close();
    return codes;
}

} // namespace

std::string EnsureItemList(Registry& registry, std::string_view captionsName,
                           std::string_view defaultCaptions, std::int32_t code) {
    return ensureItems(registry, captionsName, std::nullopt, defaultCaptions, {}, code);
}

std::string EnsureItemPair(Registry& registry, std::string_view captionsName,
                           std::string_view targetsName, std::string_view defaultCaptions,
                           std::string_view defaultTargets, std::int32_t code) {
    return ensureItems(registry, captionsName, targetsName, defaultCaptions, defaultTargets, code);
}

} // namespace quorvane
