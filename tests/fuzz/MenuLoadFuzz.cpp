// The menu load on any ItemsAvailable, item lists and menu string. It may only stop with the
// load's own texts, and whatever it loads, once written as Apply would store it, loads back as
// the same menu.

#include "FuzzSupport.h"
#include "menu/CommaText.h"
#include "menu/MenuWriter.h"
#include "platform/Failure.h"
#include "settings/KeyPath.h"
#include "settings/MenuLoad.h"
#include "settings/Schema.h"
#include "settings/SettingsKey.h"
#include "support/MemoryRegistry.h"

using namespace quorvane;

namespace {

// Whether a submenu holds an entry that is not a submenu, at any depth.
bool holdsEntry(const MenuNode* submenu) {
    for (int i = 0; i < submenu->childCount(); ++i) {
        const MenuNode* child = submenu->child(i);
        if (child->record()->kind != Kind::Submenu || holdsEntry(child))
            return true;
    }
    return false;
}

// The tree in one line, with everything the menu string and the lists carry. The writer leaves
// out submenus without entries, and those holding nothing but such submenus, at any depth;
// `asWritten` leaves them out too.
void outline(const MenuNode* node, bool asWritten, std::string& out) {
    for (int i = 0; i < node->childCount(); ++i) {
        const MenuNode* child = node->child(i);
        const TAssoc& record = *child->record();
        if (asWritten && record.kind == Kind::Submenu && !holdsEntry(child))
            continue;
        out += std::to_string(static_cast<int>(record.kind)) + ":" + std::to_string(record.code) +
               ":" + fuzz::escaped(child->caption()) + ">" +
               fuzz::escaped(record.descriptionOrTarget);
        if (record.kind == Kind::Submenu) {
            out += "{";
            outline(child, asWritten, out);
            out += "}";
        }
        out += "|";
    }
}

struct Loaded {
    RecordPool pool;
    MenuTree tree{pool.rootRecord()};
    AvailableEntries source;
    std::string failure;
};

void load(test::MemoryRegistry& registry, std::string_view menu, Loaded& loaded) {
    try {
        loadMenu(registry, loaded.pool, loaded.tree, loaded.source, LoadMode::Given, menu, {});
    } catch (const Failure& failure) {
        loaded.failure = failure.what();
    }
}

// What Apply refuses to store, as it would not read back the same.
bool storable(const MenuTree& tree, const std::string& menu, const ItemLists& lists) {
    if (menu.size() > commaTextLimit)
        return false;
    for (const auto& list : lists)
        if (writeItemList(list, std::string::npos).size() > commaTextLimit)
            return false;
    for (const MenuNode* node : tree.inTreeOrder())
        if (node->record()->kind == Kind::Submenu && node->childCount() > 0 &&
            parseInteger(node->caption()))
            return false;
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // ItemsAvailable, the nine item lists, then the menu string; a missing field is a missing
    // value.
    const std::vector<std::string> input = fuzz::fields(fuzz::bytes(data, size), 11);
    const std::string menu = input.size() == 11 ? input[10] : input.back();
    const std::string key = settingsKeyPath();

    test::MemoryRegistry registry;
    for (const Operation& op : operations())
        registry.setString(key, op.valueName, op.defaultCaption);
    if (input.size() > 1)
        registry.setString(key, value::itemsAvailable, input[0]);
    for (std::size_t i = 0; i < value::itemLists.size() && i + 2 < input.size(); ++i)
        registry.setString(key, value::itemLists[i], input[i + 1]);

    const test::MemoryRegistry::Values stored = registry.key(key);
    Loaded first;
    load(registry, menu, first);
    fuzz::require(registry.key(key) == stored, "the load changed the settings");
    if (!first.failure.empty()) {
        std::string available = input.size() > 1 ? input[0] : "";
        available = available.substr(0, available.find('\0'));
        fuzz::require(first.failure == messages::listIndexOutOfBounds ||
                          first.failure ==
                              damagedValue(formatMessage(messages::notAnInteger, available) +
                                           " for '" + std::string(value::itemsAvailable) + "'"),
                      "the load stopped with a text of its own", first.failure);
        return 0;
    }

    ItemLists lists;
    const std::string written = menuString(first.tree, lists);
    if (!storable(first.tree, written, lists))
        return 0;
    for (std::size_t i = 0; i < lists.size(); ++i)
        registry.setString(key, value::itemLists[i], writeItemList(lists[i]));
    Loaded second;
    load(registry, written, second);
    fuzz::require(second.failure.empty(), "a written menu does not load", second.failure);

    std::string before, after;
    outline(first.tree.root(), true, before);
    outline(second.tree.root(), false, after);
    fuzz::require(before == after, "a written menu loads back different",
                  menu + "\n  wrote " + written + "\n  before " + before + "\n  after  " + after);
    return 0;
}
