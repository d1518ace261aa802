#pragma once

#include "menu/AvailableEntries.h"
#include "menu/Catalog.h"
#include "menu/MenuTree.h"

#include <array>
#include <string>
#include <string_view>
#include <vector>

namespace quorvane {

// The nine item lists, in the order of value::itemLists: the captions of extension, Move To,
// Copy To, Run/Open and Send To items, then the targets of the last four.
using ItemLists = std::array<std::vector<std::string>, 9>;

// Where a kind keeps its captions and targets within ItemLists; -1 where it keeps none.
struct ItemListSlots {
    int captions = -1;
    int targets = -1;
};
ItemListSlots itemListSlots(Kind kind);

// The caption operation n is stored under: its list entry's caption if it is listed, otherwise
// its caption in the tree; a later caption that is not empty beats an earlier one, and an
// operation that is nowhere gets the empty caption.
std::string operationCaption(const AvailableEntries& source, const MenuTree& tree, int n);
// The same for all the operations at once, indexed by code, in one pass over list and tree.
std::array<std::string, operationCount> operationCaptions(const AvailableEntries& source,
                                                          const MenuTree& tree);

// The tree as a menu string in the quoted form the load reads back, with `lists` replaced by the
// captions and targets of its dynamic items in the order the menu string names them. Submenus
// without entries are left out, and so are those that hold nothing but such submenus at any depth,
// so that the string never holds an empty submenu (as shownMenu leaves them out).
std::string menuString(const MenuTree& tree, ItemLists& lists);

// The menu string of a tree without a single entry to store: the end of the top level alone.
inline constexpr std::string_view emptyMenuString = R"("-2")";

// What Apply stores for `tree` and `source`, found in one walk of the tree: the menu string as
// menuString gives it, the nine item lists each written in full (writeItemList without a limit,
// so that a list too long to keep shows) and the operation captions as operationCaptions gives
// them.
struct StoredTexts {
    std::string menu;
    std::array<std::string, 9> lists;
    std::array<std::string, operationCount> captions;
    // The first submenu in tree order whose caption the menu string holds and which would be read
    // back as a number, that is as a code; nullptr when there is none.
    const MenuNode* numberedSubmenu = nullptr;
};
StoredTexts storedTexts(const MenuTree& tree, const AvailableEntries& source);

// Everything Apply stores for `tree` and `source` (the operation captions, the menu string and
// the item lists) in one text: two states that store the same give the same text.
std::string storedForm(const MenuTree& tree, const AvailableEntries& source);

} // namespace quorvane
