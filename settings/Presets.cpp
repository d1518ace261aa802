#include "settings/Presets.h"

#include "menu/Catalog.h"
#include "settings/ItemLists.h"
#include "settings/Schema.h"
#include "settings/SettingsKey.h"

namespace quorvane {

namespace {

// Each list helper works on a key of its own when given the registry, or on the caller's key.
template <typename Store> std::string moveCodes(Store& store) {
    return ensureItemPair(store, value::moveItems, value::moveDirItems, defaults::moveItems,
                          defaults::moveDirItems, code::moveTo);
}

template <typename Store> std::string copyCodes(Store& store) {
    return ensureItemPair(store, value::copyItems, value::copyDirItems, defaults::copyItems,
                          defaults::copyDirItems, code::copyTo);
}

template <typename Store> std::string runCodes(Store& store) {
    return ensureItemPair(store, value::fileItems, value::fileDirItems, defaults::fileItems,
                          defaults::fileDirItems, code::runOpen);
}

template <typename Store> std::string extCodes(Store& store) {
    return ensureItemList(store, value::extItems, defaults::extItems, code::extension);
}

template <typename Store> std::string defaultMenuOn(Store& store) {
    const std::string move = moveCodes(store);
    const std::string copy = copyCodes(store);
    const std::string ext = extCodes(store);
    return "\"Explore\",0,1,-2,\"Move To\"," + move + ",-1,19,13,-2,\"Copy To\"," + copy +
           ",-1,20,14,-2,\"Extension\"," + ext + ",-1,12,-2" + ",\"Clipboard\",2,10,-2" + ",-1,5" +
           ",-1,16,-1,7,-1,8,-2";
}

} // namespace

std::string defaultMenu(Registry& registry) {
    return defaultMenuOn(registry);
}

std::string defaultMenu(SettingsKey& key) {
    return defaultMenuOn(key);
}

std::string compactMenu(Registry& registry) {
    const std::string move = moveCodes(registry);
    const std::string copy = copyCodes(registry);
    return "\"Move To\"," + move + ",-1,13,-2,\"Copy To\"," + copy + ",-1,14,-2," +
           "0,2,5,7,8,-1,16,-2";
}

std::string allMenu(Registry& registry) {
    const std::string run = runCodes(registry);
    const std::string move = moveCodes(registry);
    const std::string copy = copyCodes(registry);
    const std::string ext = extCodes(registry);
    return "\"Explore\",0,1,-2,\"Run/Open\"," + run + ",-1,15,-2,\"Move To\"," + move +
           ",-1,19,13,-2,\"Copy To\"," + copy + ",-1,20,14,-2,\"Extension\"," + ext + ",-1,12,-2" +
           ",\"Clipboard\",2,10,3,11,-1,4,-2" + ",\"Prompt\",5,9,6,-2" +
           ",-1,17,-1,16,-1,7,-1,8,-2";
}

} // namespace quorvane
