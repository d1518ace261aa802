#pragma once

#include "platform/Registry.h"

#include <string>

namespace quorvane {

class SettingsKey;

// The ready-made menus. Each fills an empty item list with its defaults at once (even if the menu
// is never applied) and takes one code per stored item of each list it holds.
std::string DefaultMenu(Registry& registry);
std::string CompactMenu(Registry& registry);
std::string AllMenu(Registry& registry);

// The Default menu built on a key the caller holds open (first-run set-up, which has just written
// the item lists on that key).
std::string DefaultMenu(SettingsKey& key);

} // namespace quorvane
