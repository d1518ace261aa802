#pragma once

#include "menu/MenuTree.h"
#include "menu/RecordPool.h"
#include "menu/TreeSource.h"
#include "platform/Registry.h"

#include <functional>
#include <string_view>

namespace quorvane {

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
LoadedView Load(Registry& registry, RecordPool& pool, MenuTree& tree, TreeSource& source,
                LoadMode mode, std::string_view menuString, const FirstRunSetup& firstRun);

} // namespace quorvane
