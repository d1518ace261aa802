#include "settings/StoredMenu.h"

#include "menu/CommaText.h"
#include "settings/MenuLoad.h"
#include "settings/Schema.h"
#include "settings/SettingsKey.h"

namespace quorvane {

ShownMenu readShownMenu(Registry& registry) {
    const SettingsKey key(registry);
    MenuParts parts = readMenuParts(key);
    RecordPool pool;
    MenuTree tree(pool.rootRecord());
    buildMenuTree(parts.tokens, parts.lists, parts.captions, pool, tree);
    return shownMenu(*tree.root());
}

} // namespace quorvane
