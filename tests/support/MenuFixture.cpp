#include "support/MenuFixture.h"

#include "menu/CommaText.h"
#include "menu/MenuWriter.h"
#include "platform/Failure.h"
#include "settings/KeyPath.h"
#include "settings/Schema.h"
#include "settings/SettingsKey.h"

namespace quorvane::test {

MenuFixture::MenuFixture() : path(settingsKeyPath()) {
    set(value::itemsAvailable, "21");
    for (const Operation& op : operations())
        set(op.valueName, op.defaultCaption);
    const std::string_view lists[] = {
        defaults::extItems,     defaults::moveItems,    defaults::copyItems,
        defaults::fileItems,    defaults::sendItems,    defaults::moveDirItems,
        defaults::copyDirItems, defaults::fileDirItems, defaults::sendDirItems};
    for (std::size_t i = 0; i < value::itemLists.size(); ++i)
        set(value::itemLists[i], lists[i]);
}

void MenuFixture::set(std::string_view name, std::string_view text) {
    registry.setString(path, name, text);
}

void MenuFixture::unset(std::string_view name) {
    std::erase_if(registry.key(path), [&](const RegistryValue& v) { return v.name == name; });
}

LoadedView MenuFixture::load(std::string_view menu, LoadMode mode, const FirstRunSetup& firstRun) {
    return loadMenu(registry, pool, tree, source, mode, menu, firstRun);
}

std::string MenuFixture::loadFailure(std::string_view menu) {
    try {
        load(menu);
    } catch (const Failure& failure) {
        return failure.what();
    }
    return "";
}

void MenuFixture::apply() {
    SettingsKey key(registry);
    for (int n = 0; n < operationCount; ++n)
        key.writeString(operations()[static_cast<std::size_t>(n)].valueName,
                        operationCaption(source, tree, n));
    ItemLists lists;
    key.writeString(value::theMenu, menuString(tree, lists));
    for (std::size_t i = 0; i < lists.size(); ++i)
        key.writeString(value::itemLists[i], writeItemList(lists[i]));
    key.close();
}

std::string outline(const MenuNode* parent) {
    // Indexed by kind; the root never occurs below the root.
    static const char* const prefixes[] = {
        "", "", "", "", "ext:", "move:", "copy:", "run:", "send:"};
    std::string text;
    for (int row = 0; row < parent->childCount(); ++row) {
        const MenuNode* node = parent->child(row);
        const TAssoc& record = *node->record();
        text += row ? "|" : "";
        if (record.kind == Kind::Submenu)
            text += node->caption() + "{" + outline(node) + "}";
        else if (record.kind == Kind::Separator)
            text += "-";
        else if (record.kind == Kind::Operation)
            text += std::to_string(record.code) + ":" + node->caption();
        else
            text += prefixes[static_cast<int>(record.kind)] + node->caption() +
                    (hasTarget(record.kind) ? ">" + record.descriptionOrTarget : "");
    }
    return text;
}

std::vector<std::string> listedOperations(const AvailableEntries& source) {
    std::vector<std::string> captions;
    for (int row = 7; row < source.size(); ++row)
        captions.push_back(source.at(row).caption);
    return captions;
}

} // namespace quorvane::test
