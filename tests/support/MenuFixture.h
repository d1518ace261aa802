#pragma once

#include "settings/MenuLoad.h"
#include "support/MemoryRegistry.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace quorvane::test {

// A store as first run leaves it (ItemsAvailable "21", the default captions and item lists) and
// an editor model to load it into.
class MenuFixture : public ::testing::Test {
public:
    MenuFixture();

    void set(std::string_view name, std::string_view text);
    void unset(std::string_view name);
    LoadedView load(std::string_view menu, LoadMode mode = LoadMode::Given,
                    const FirstRunSetup& firstRun = {});
    // The text of the failure that stopped the load, or "" when it completed.
    std::string loadFailure(std::string_view menu);
    // Stores the model as Apply does: the 21 captions, the menu string and the item lists.
    void apply();

    test::MemoryRegistry registry;
    const std::string path;
    RecordPool pool;
    MenuTree tree{pool.rootRecord()};
    AvailableEntries source;
};

// The root's content in one line: `caption{...}` a submenu, `N:caption` operation N, `-` a
// separator, `ext:caption`, `move:caption>target` (likewise copy, run, send), joined by `|`.
std::string outline(const MenuNode* parent);
inline std::string outline(const MenuTree& tree) {
    return outline(tree.root());
}

// The captions of the list entries after the seven kind entries.
std::vector<std::string> listedOperations(const AvailableEntries& source);

} // namespace quorvane::test
