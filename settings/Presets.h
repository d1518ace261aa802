#pragma once

#include "store/Registry.h"

#include <string>

namespace quorvane {

class SettingsKey;

// The ready-made menus. Each fills an empty item list with its defaults at once (even if the menu
// is never applied) and takes one code per stored item of each list it holds.
std::string defaultMenu(Registry& registry);
std::string compactMenu(Registry& registry);
std::string allMenu(Registry& registry);

// The Default menu built on a key the caller holds open (first-run set-up, which has just written
// the item lists on that key).
std::string defaultMenu(SettingsKey& key);

} // namespace quorvane
