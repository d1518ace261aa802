#pragma once

#include "menu/AvailableEntries.h"
#include "menu/MenuTree.h"
#include "menu/MenuWriter.h"
#include "menu/RecordPool.h"
#include "store/Registry.h"

#include <array>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quorvane {

class SettingsKey;

enum class LoadMode { Stored = 0, Given = 1 };

// What the window applies once a load has completed: the node to expand by one level and the node
// to select (both the root). Left empty when the load stops early.
struct LoadedView {
    MenuNode* expand = nullptr;
    MenuNode* select = nullptr;
};

// Makes sure the settings key holds what every load relies on; may be empty.
using FirstRunSetup = std::function<void(Registry&)>;

// Rebuilds the tree and the list of available entries from the settings: the operation captions,
// ItemsAvailable and the item lists always, the menu string from TheMenu (Stored) or from
// `menuString` (Given). Throws Failure with the text the user sees; what was built up to that
// point stays in `tree` and `source`, and the tree stays marked partial until a load completes.
// Adds the menu that `tokens` describe below the tree's root, binding dynamic items to `lists` and
// taking operation captions from `captions` (each emptied once used). Throws Failure with "List
// index out of bounds" where a code is not one of a menu or a targets list runs short; what was
// built until then stays.
void buildMenuTree(const std::vector<std::string>& tokens, const ItemLists& lists,
                   std::array<std::string, operationCount>& captions, RecordPool& pool,
                   MenuTree& tree);

// What a menu is built from, as the settings key holds it.
struct MenuParts {
    std::array<std::string, operationCount> captions;
    ItemLists lists;
    std::vector<std::string> tokens;
};
// Reads the operation captions, the nine item lists and the menu string's tokens: those of
// TheMenu, or of `menuString` when one is given (TheMenu is then not read).
MenuParts readMenuParts(const SettingsKey& key,
                        std::optional<std::string_view> menuString = std::nullopt);

LoadedView loadMenu(Registry& registry, RecordPool& pool, MenuTree& tree, AvailableEntries& source,
                    LoadMode mode, std::string_view menuString, const FirstRunSetup& firstRun);

} // namespace quorvane
