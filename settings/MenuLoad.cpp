#include "settings/MenuLoad.h"

#include "menu/CommaText.h"
#include "menu/MenuWriter.h"
#include "platform/Failure.h"
#include "settings/Schema.h"
#include "settings/SettingsKey.h"

#include <array>
#include <limits>
#include <optional>
#include <string>
#include <vector>

namespace quorvane {

namespace {

[[noreturn]] void listIndexOutOfBounds() {
    throw Failure(std::string(messages::listIndexOutOfBounds));
}

// Dynamic item tokens carry no index: the n-th token of a kind, in text order across all
// submenus, binds to entry n of that kind's lists.
class Binder {
public:
    explicit Binder(const ItemLists& lists) : m_lists(lists) {}

    // Adds the next item of `kind` below `parent`, or nothing once its captions list is used up.
    void addNext(Kind kind, MenuNode* parent, RecordPool& pool, MenuTree& tree) {
        const ItemListSlots slots = itemListSlots(kind);
        const auto& captions = m_lists[static_cast<std::size_t>(slots.captions)];
        std::size_t& counter = m_counters[static_cast<std::size_t>(slots.captions)];
        const auto* targets =
            slots.targets >= 0 ? &m_lists[static_cast<std::size_t>(slots.targets)] : nullptr;
        // Targets without any caption are as damaged as captions without targets: building on
        // would drop the items, and the next Apply would store their lists empty.
        if (captions.empty() && targets && !targets->empty())
            listIndexOutOfBounds();
        if (counter >= captions.size())
            return;
        TAssoc* record = pool.prototype(kind);
        if (targets) {
            if (counter >= targets->size())
                listIndexOutOfBounds();
            record = pool.copyOf(*record, (*targets)[counter]);
        }
        tree.addLastChild(parent, captions[counter], record);
        ++counter;
    }

private:
    const ItemLists& m_lists;
    std::array<std::size_t, 5> m_counters{};
};

} // namespace

// A 4095-character menu string can nest some two thousand submenus, so the open submenus are an
// explicit stack of parents instead of a recursion per level. Every token is looked at once and
// every node goes to the end of its parent, so the build takes time linear in the tokens.
void buildMenuTree(const std::vector<std::string>& tokens, const ItemLists& lists,
                   std::array<std::string, operationCount>& captions, RecordPool& pool,
                   MenuTree& tree) {
    Binder binder(lists);
    std::vector<MenuNode*> parents{tree.root()};
    for (const std::string& token : tokens) {
        MenuNode* parent = parents.back();
        const std::int32_t value = tokenValue(token);
        if (value >= 0 && value < operationCount) {
            auto& caption = captions[static_cast<std::size_t>(value)];
            tree.addLastChild(parent, caption, pool.operationRecord(value));
            // Emptied so that the list does not offer it a second time.
            caption.clear();
        } else if (value == code::separator) {
            tree.addLastChild(parent, std::string(separatorCaption),
                              pool.prototype(Kind::Separator));
        } else if (value == code::submenu) {
            parents.push_back(tree.addLastChild(parent, token, pool.loadedSubmenuRecord()));
        } else if (value == code::endOfSubmenu) {
            parents.pop_back();
            // The -2 that closes the top level ends the menu; whatever follows it is ignored.
            if (parents.empty())
                return;
        } else if (const ItemKind* item = itemKindOfCode(value)) {
            binder.addNext(item->kind, parent, pool, tree);
        } else {
            listIndexOutOfBounds();
        }
    }
    // Submenus still open when the tokens run out end here.
}

MenuParts readMenuParts(const SettingsKey& key, std::optional<std::string_view> menuString) {
    MenuParts parts;
    for (std::size_t n = 0; n < parts.captions.size(); ++n)
        parts.captions[n] = key.readString(operations()[n].valueName);
    for (std::size_t i = 0; i < parts.lists.size(); ++i)
        parts.lists[i] = splitCommaText(key.readString(value::itemLists[i]));
    parts.tokens =
        splitCommaText(menuString ? std::string(*menuString) : key.readString(value::theMenu));
    return parts;
}

LoadedView loadMenu(Registry& registry, RecordPool& pool, MenuTree& tree, AvailableEntries& source,
                    LoadMode mode, std::string_view menuString, const FirstRunSetup& firstRun) {
    source.clear();
    for (const KindEntry& entry : kindEntries)
        source.append(std::string(entry.caption), pool.prototype(entry.kind));
    tree.reset(pool.rootRecord());
    tree.setPartial(true);

    // First-run set-up writes through keys of its own; ours is opened after it so that its
    // snapshot holds what first run wrote.
    if (firstRun)
        firstRun(registry);
    SettingsKey key(registry);

    const std::string availableText = key.readString(value::itemsAvailable);
    const std::optional<std::int32_t> available = parseInteger(availableText);
    if (!available)
        throw Failure(damagedValue(formatMessage(messages::notAnInteger, availableText) + " for '" +
                                   std::string(value::itemsAvailable) + "'"));

    MenuParts parts = readMenuParts(
        key, mode == LoadMode::Stored ? std::nullopt : std::optional<std::string_view>(menuString));
    auto& captions = parts.captions;
    buildMenuTree(parts.tokens, parts.lists, captions, pool, tree);

    for (std::int32_t n = 0; n < *available; ++n) {
        // ItemsAvailable can claim more operations than exist; the ones that do exist are
        // listed before that is noticed.
        if (n >= operationCount)
            listIndexOutOfBounds();
        const auto& caption = captions[static_cast<std::size_t>(n)];
        if (!caption.empty())
            source.append(caption, pool.operationRecord(n));
    }

    key.close();
    tree.setPartial(false);
    return {tree.root(), tree.root()};
}

} // namespace quorvane
