#pragma once

#include "store/Registry.h"

#include <string_view>

namespace quorvane::test {

// The Default menu as first-run set-up stores it.
inline constexpr std::string_view defaultMenuString =
    R"("Explore",0,1,-2,"Move To",-6,-6,-1,19,13,-2,"Copy To",-7,-7,-1,20,14,-2,)"
    R"("Extension",-5,-5,-5,-1,12,-2,"Clipboard",2,10,-2,-1,5,-1,16,-1,7,-1,8,-2)";

// Writes what first-run set-up leaves behind: the installation mark, ItemsAvailable "21", the
// default captions and item lists, `menu` as TheMenu, and the placement as four zeros.
void seedSettings(Registry& registry, std::string_view menu = defaultMenuString);

} // namespace quorvane::test
