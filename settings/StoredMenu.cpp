#include "settings/StoredMenu.h"

#include "menu/CommaText.h"
#include "settings/MenuLoad.h"
#include "settings/Schema.h"
#include "settings/SettingsKey.h"

namespace quorvane {

ShownMenu readShownMenu(Registry& registry) {
    const SettingsKey key(registry);
    std::array<std::string, operationCount> captions;
    for (std::size_t n = 0; n < captions.size(); ++n)
        captions[n] = key.readString(operations()[n].valueName);
    ItemLists lists;
    for (std::size_t i = 0; i < lists.size(); ++i)
        lists[i] = splitCommaText(key.readString(value::itemLists[i]));
    const std::vector<std::string> tokens = splitCommaText(key.readString(value::theMenu));

    RecordPool pool;
    MenuTree tree(pool.rootRecord());
    buildMenuTree(tokens, lists, captions, pool, tree);
    return shownMenu(*tree.root());
}

} // namespace quorvane
