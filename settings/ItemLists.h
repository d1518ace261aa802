#pragma once

#include "store/Registry.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace quorvane {

class SettingsKey;

// Codes for the entries of an item list, for building preset menus: `code` once per entry of the
// captions list, joined by commas. An empty captions list is first given its default captions
// (and, for ensureItemPair, its default targets); only the captions list decides.
std::string ensureItemList(Registry& registry, std::string_view captionsName,
                           std::string_view defaultCaptions, std::int32_t code);
std::string ensureItemPair(Registry& registry, std::string_view captionsName,
                           std::string_view targetsName, std::string_view defaultCaptions,
                           std::string_view defaultTargets, std::int32_t code);

// The same on a key that the caller holds open, so that what it wrote before is seen and all of
// it is committed together.
std::string ensureItemList(SettingsKey& key, std::string_view captionsName,
                           std::string_view defaultCaptions, std::int32_t code);
std::string ensureItemPair(SettingsKey& key, std::string_view captionsName,
                           std::string_view targetsName, std::string_view defaultCaptions,
                           std::string_view defaultTargets, std::int32_t code);

} // namespace quorvane
