#include "settings/Presets.h"

#include "menu/Catalog.h"
#include "settings/ItemLists.h"
#include "settings/Schema.h"
#include "settings/SettingsKey.h"

namespace quorvane {

namespace {

std::string moveCodes(SettingsKey& store) {
    return ensureItemPair(store, value::moveItems, value::moveDirItems, defaults::moveItems,
                          defaults::moveDirItems, code::moveTo);
}

std::string copyCodes(SettingsKey& store) {
    return ensureItemPair(store, value::copyItems, value::copyDirItems, defaults::copyItems,
                          defaults::copyDirItems, code::copyTo);
}

std::string runCodes(SettingsKey& store) {
    return ensureItemPair(store, value::fileItems, value::fileDirItems, defaults::fileItems,
                          defaults::fileDirItems, code::runOpen);
}

std::string extCodes(SettingsKey& store) {
    return ensureItemList(store, value::extItems, defaults::extItems, code::extension);
}

std::string defaultMenuOn(SettingsKey& store) {
    const std::string move = moveCodes(store);
    const std::string copy = copyCodes(store);
    const std::string ext = extCodes(store);
    return "\"Explore\",0,1,-2,\"Move To\"," + move + ",-1,19,13,-2,\"Copy To\"," + copy +
           ",-1,20,14,-2,\"Extension\"," + ext + ",-1,12,-2" + ",\"Clipboard\",2,10,-2" + ",-1,5" +
           ",-1,16,-1,7,-1,8,-2";
}

// A preset's lists are ensured in one commit: one that fails leaves the key as it was.
template <typename Build> std::string inOneCommit(Registry& registry, Build build) {
    std::string menu;
    updateSettings(registry, [&](SettingsKey& key) { menu = build(key); });
    return menu;
}

} // namespace

std::string defaultMenu(Registry& registry) {
    return inOneCommit(registry, [](SettingsKey& key) { return defaultMenuOn(key); });
}

std::string defaultMenu(SettingsKey& key) {
    return defaultMenuOn(key);
}

std::string compactMenu(Registry& registry) {
    return inOneCommit(registry, [](SettingsKey& key) {
        const std::string move = moveCodes(key);
        const std::string copy = copyCodes(key);
        return "\"Move To\"," + move + ",-1,13,-2,\"Copy To\"," + copy + ",-1,14,-2," +
               "0,2,5,7,8,-1,16,-2";
    });
}

std::string allMenu(Registry& registry) {
    return inOneCommit(registry, [](SettingsKey& key) {
        const std::string run = runCodes(key);
        const std::string move = moveCodes(key);
        const std::string copy = copyCodes(key);
        const std::string ext = extCodes(key);
        return "\"Explore\",0,1,-2,\"Run/Open\"," + run + ",-1,15,-2,\"Move To\"," + move +
               ",-1,19,13,-2,\"Copy To\"," + copy + ",-1,20,14,-2,\"Extension\"," + ext +
               ",-1,12,-2" + ",\"Clipboard\",2,10,3,11,-1,4,-2" + ",\"Prompt\",5,9,6,-2" +
               ",-1,17,-1,16,-1,7,-1,8,-2";
    });
}

} // namespace quorvane
