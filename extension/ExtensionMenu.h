#pragma once

#include "menu/ShownMenu.h"
#include "platform/Registry.h"

#include <string>
#include <string_view>

namespace quorvane::ext {

// What the "Quorvane" entry holds at one right-click: the stored menu, or, when the settings
// cannot be read, one disabled entry saying why in a few short lines, with the whole reason on
// one line for its tip.
struct ExtensionMenu {
    ShownMenu menu;
    std::string problem;
    std::string reason;
};

// Reads the menu afresh from `store` through a read-only view (never waiting for the store's
// lock, never writing). Never throws. A store that holds no menu yet offers Configure, so that
// the extension is not a dead end before the program has run.
ExtensionMenu readExtensionMenu(Registry& store);

// A stored caption as a GTK label: converted from the store's code page, each "_" doubled so
// that it shows instead of marking a mnemonic.
std::string menuLabel(std::string_view caption);

// What the disabled entry says of a failure: the failure wrapped at spaces into a few lines, each
// short enough for any menu.
std::string problemLines(std::string_view failure);

} // namespace quorvane::ext
