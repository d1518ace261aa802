// The menus, settings keys and models the core benchmarks run on.
#pragma once

#include "menu/AvailableEntries.h"
#include "menu/CommaText.h"
#include "menu/MenuTree.h"
#include "menu/RecordPool.h"
#include "settings/MenuLoad.h"
#include "settings/Messages.h"
#include "store/HiveRegistry.h"
#include "support/TestFiles.h"

#include <cstddef>
#include <string>
#include <string_view>

namespace quorvane::bench {

// Menu strings in the bare form, without quotes, which packs the most tokens into a length;
// each is as long as `length` allows.
// Single-digit operations one after another, 0 to 9 and again: the most nodes a flat menu holds.
std::string flatMenu(std::size_t length = commaTextLimit);
// Separators only: a flat menu with every operation left in the list.
std::string separatorMenu(std::size_t length = commaTextLimit);
// Submenus each inside the one before, operation 16 innermost: the deepest nesting.
std::string nestedMenu(std::size_t length = commaTextLimit);
// Extension, Move To, Copy To, Run/Open and Send To items in turn.
std::string itemMenu(std::size_t length = commaTextLimit);

std::size_t tokenCount(std::string_view menu);
// The item lists `menu` needs so that each of its item tokens gives a node.
std::size_t itemsPerKind(std::string_view menu);

// Swallows every message, as a benchmark answers none.
Messages& silent();

// The settings key as first run leaves it.
void setUpFirstRun(Registry& registry);
// Gives each of the five item kinds `perKind` captions and, where the kind has them, targets.
void storeItemLists(Registry& registry, std::size_t perKind);
// What the window hands every load: first-run set-up, here with an installer that does nothing.
FirstRunSetup programFirstRun();

struct Model {
    RecordPool pool;
    MenuTree tree{pool.rootRecord()};
    AvailableEntries source;

    void load(Registry& registry, std::string_view menu);
};

// A settings file in a fresh temporary folder, as first run leaves it.
struct SettingsFile {
    SettingsFile();
    test::TempFolder folder;
    HiveRegistry registry;
};

// The largest menu Apply stores: the 21 operations in a submenu, then submenus each holding one
// item of every kind and a separator, as many as the 4095 characters of the stored menu allow.
// Stores the item lists it needs in `registry`.
std::string fullMenu(Registry& registry);

} // namespace quorvane::bench
