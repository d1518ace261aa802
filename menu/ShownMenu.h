#pragma once

#include "menu/Catalog.h"
#include "menu/MenuTree.h"

#include <cstdint>
#include <string>
#include <vector>

namespace quorvane {

// One entry of the menu as the extension shows it. Captions and targets are as stored (byte
// strings in the store's code page); front ends convert them where they show them.
struct ShownEntry {
    Kind kind = Kind::Operation;
    std::string caption;
    // The operation's code, for Kind::Operation only.
    std::int32_t operation = -1;
    // The item's folder or file, for Move To, Copy To, Run/Open and Send To items.
    std::string target;
    // A submenu's entries; never empty, as a submenu without entries is not shown.
    std::vector<ShownEntry> entries;

    friend bool operator==(const ShownEntry&, const ShownEntry&) = default;
};

// The cascade below the "Quorvane" entry: what the root holds.
struct ShownMenu {
    std::vector<ShownEntry> entries;

    friend bool operator==(const ShownMenu&, const ShownMenu&) = default;
};

// The tree below `root` as the extension would show it once applied: a submenu without entries
// is left out, and so is one that holds nothing but such submenus at any depth, as Apply leaves
// them out (menuString).
ShownMenu shownMenu(const MenuNode& root);

} // namespace quorvane
