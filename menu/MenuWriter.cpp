#include "menu/MenuWriter.h"

#include "menu/CommaText.h"

#include <charconv>

namespace quorvane {

ItemListSlots itemListSlots(Kind kind) {
    switch (kind) {
    case Kind::Extension:
        return {0, -1};
    case Kind::MoveTo:
        return {1, 5};
    case Kind::CopyTo:
        return {2, 6};
    case Kind::RunOpen:
        return {3, 7};
    case Kind::SendTo:
        return {4, 8};
    default:
        return {};
    }
}

// An empty caption never replaces one found before it: an operation that stands twice in a
// loaded menu has an empty caption on its second node, and storing that would hide the
// operation for good.
std::string operationCaption(const TreeSource& source, const MenuTree& tree, int n) {
    return operationCaptions(source, tree)[static_cast<std::size_t>(n)];
}

namespace {

// Calls `visit` for every node of `tree` in tree order, root first. The open submenus live on an
// explicit stack, as the nesting is bounded only by the length of a menu string.
template <typename Visit> void visitInTreeOrder(const MenuTree& tree, Visit visit) {
    struct Open {
        const MenuNode* parent;
        int next;
    };
    visit(*tree.root());
    std::vector<Open> open{{tree.root(), 0}};
    while (!open.empty()) {
        Open& top = open.back();
        if (top.next == top.parent->childCount()) {
            open.pop_back();
            continue;
        }
        const MenuNode* node = top.parent->child(top.next++);
        visit(*node);
        if (node->childCount() > 0)
            open.push_back({node, 0});
    }
}

} // namespace

std::array<std::string, operationCount> operationCaptions(const TreeSource& source,
                                                          const MenuTree& tree) {
    // Where each caption is, so that only the one that counts is copied.
    using Found = std::array<const std::string*, operationCount>;
    auto note = [](Found& found, const TAssoc& record, const std::string& caption) {
        if (!caption.empty() && record.code >= 0 && record.code < operationCount)
            found[static_cast<std::size_t>(record.code)] = &caption;
    };
    Found fromList{};
    for (const SourceEntry& entry : source.entries())
        note(fromList, *entry.record, entry.caption);
    Found fromTree{};
    visitInTreeOrder(tree,
                     [&](const MenuNode& node) { note(fromTree, *node.record(), node.caption()); });

    std::array<std::string, operationCount> captions;
    for (std::size_t n = 0; n < captions.size(); ++n)
        if (const std::string* caption = fromList[n] ? fromList[n] : fromTree[n])
            captions[n] = *caption;
    return captions;
}

namespace {

// Every token of a menu string is quoted and followed by a comma.
void appendToken(std::string& out, std::string_view text) {
    appendQuoted(out, text);
    out += ',';
}

// One append per code: a menu string is mostly codes.
void appendToken(std::string& out, int code) {
    char token[16];
    token[0] = '"';
    char* end = std::to_chars(token + 1, token + sizeof token - 2, code).ptr;
    *end++ = '"';
    *end++ = ',';
    out.append(token, end);
}

// The menu string of `tree`; `addItem(slot, text)` gets the captions and targets of its dynamic
// items for the item list in `slot`, in the order the menu string names them, and
// `addSubmenu(node)` every submenu whose caption it writes.
template <typename AddItem, typename AddSubmenu>
std::string writeMenu(const MenuTree& tree, AddItem addItem, AddSubmenu addSubmenu) {
    // The open submenus live on an explicit stack, as the nesting is bounded only by the length
    // of a menu string. Children are reached by index, so every node costs constant time.
    struct Open {
        const MenuNode* parent;
        int next;
    };
    std::vector<Open> open{{tree.root(), 0}};
    std::string out;
    out.reserve(commaTextLimit + 1);
    while (!open.empty()) {
        Open& top = open.back();
        if (top.next == top.parent->childCount()) {
            out += "\"-2\",";
            open.pop_back();
            continue;
        }
        const MenuNode* node = top.parent->child(top.next++);
        const TAssoc& record = *node->record();
        if (record.kind == Kind::Submenu) {
            // A submenu without entries has nothing to offer in the menu, so it is not stored.
            if (node->childCount() > 0) {
                addSubmenu(*node);
                appendToken(out, node->caption());
                open.push_back({node, 0});
            }
            continue;
        }
        const ItemListSlots slots = itemListSlots(record.kind);
        if (slots.captions >= 0)
            addItem(static_cast<std::size_t>(slots.captions), node->caption());
        if (slots.targets >= 0)
            addItem(static_cast<std::size_t>(slots.targets), record.description);
        appendToken(out, record.code);
    }
    out.pop_back();
    return out;
}

} // namespace

std::string menuString(const MenuTree& tree, ItemLists& lists) {
    for (auto& list : lists)
        list.clear();
    return writeMenu(
        tree, [&lists](std::size_t slot, const std::string& text) { lists[slot].push_back(text); },
        [](const MenuNode&) {});
}

MenuTexts menuTexts(const MenuTree& tree) {
    std::array<ItemListText, 9> lists;
    MenuTexts texts;
    texts.menu = writeMenu(
        tree, [&lists](std::size_t slot, const std::string& text) { lists[slot].append(text); },
        [&texts](const MenuNode& submenu) {
            if (!texts.numberedSubmenu && parseInteger(submenu.caption()).has_value())
                texts.numberedSubmenu = &submenu;
        });
    for (std::size_t i = 0; i < lists.size(); ++i)
        texts.lists[i] = lists[i].take();
    return texts;
}

std::string storedForm(const MenuTree& tree, const TreeSource& source) {
    ItemLists lists;
    std::string form = menuString(tree, lists);
    // A NUL parts the texts, as no stored text holds one; each list starts with its length.
    for (const auto& list : lists) {
        (form += '\0') += std::to_string(list.size());
        for (const std::string& text : list)
            (form += '\0') += text;
    }
    for (const std::string& caption : operationCaptions(source, tree))
        (form += '\0') += caption;
    return form;
}

} // namespace quorvane
