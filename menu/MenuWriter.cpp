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

std::array<std::string, operationCount> operationCaptions(const TreeSource& source,
                                                          const MenuTree& tree) {
    auto slot = [](const TAssoc& record) {
        return record.code >= 0 && record.code < operationCount
                   ? static_cast<std::size_t>(record.code)
                   : static_cast<std::size_t>(operationCount);
    };
    // One slot more than there are operations takes every entry that is none.
    std::array<std::string, operationCount + 1> fromList;
    for (const SourceEntry& entry : source.entries())
        if (!entry.caption.empty())
            fromList[slot(*entry.record)] = entry.caption;
    std::array<std::string, operationCount + 1> fromTree;
    for (const MenuNode* node : tree.inTreeOrder())
        if (!node->caption().empty())
            fromTree[slot(*node->record())] = node->caption();

    std::array<std::string, operationCount> captions;
    for (std::size_t n = 0; n < captions.size(); ++n)
        captions[n] = std::move(fromList[n].empty() ? fromTree[n] : fromList[n]);
    return captions;
}

namespace {

// Every token of a menu string is quoted and followed by a comma.
void appendToken(std::string& out, std::string_view text) {
    appendQuoted(out, text);
    out += ',';
}

void appendToken(std::string& out, int code) {
    char digits[16];
    const auto end = std::to_chars(digits, digits + sizeof digits, code).ptr;
    out += '"';
    out.append(digits, end);
    out += "\",";
}

} // namespace

std::string menuString(const MenuTree& tree, ItemLists& lists) {
    for (auto& list : lists)
        list.clear();

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
                appendToken(out, node->caption());
                open.push_back({node, 0});
            }
            continue;
        }
        const ItemListSlots slots = itemListSlots(record.kind);
        if (slots.captions >= 0)
            lists[static_cast<std::size_t>(slots.captions)].push_back(node->caption());
        if (slots.targets >= 0)
            lists[static_cast<std::size_t>(slots.targets)].push_back(record.description);
        appendToken(out, record.code);
    }
    out.pop_back();
    return out;
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
