#pragma once

#include "menu/ShownMenu.h"
#include "store/Registry.h"

#include <optional>
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

// The menu as it was read last, read again only when the settings file has changed since: a
// right-click that finds it as it was costs one look at the file. The store writes the file
// whole under a new name and renames it into place, so a change is always another file, or at
// least another modification time; a store without a file is read every time.
class MenuReader {
public:
    const ExtensionMenu& read(Registry& store);

private:
    struct Identity {
        unsigned long long device = 0, inode = 0;
        long long size = 0, modified = 0, changed = 0;
        bool exists = false;
        friend bool operator==(const Identity&, const Identity&) = default;
    };

    std::optional<Identity> m_identity;
    ExtensionMenu m_menu;
};

// A stored caption as a GTK label: converted from the store's code page, each "_" doubled so
// that it shows instead of marking a mnemonic.
std::string menuLabel(std::string_view caption);

// What the disabled entry says of a failure: the failure wrapped at spaces into a few lines, each
// short enough for any menu.
std::string problemLines(std::string_view failure);

} // namespace quorvane::ext
