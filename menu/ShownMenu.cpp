#include "menu/ShownMenu.h"

namespace quorvane {

namespace {

struct Open {
    const MenuNode* parent;
    int next;
    std::vector<ShownEntry>* into;
};

} // namespace

// The nesting is bounded only by the length of a menu string, so the open submenus live on an
// explicit stack; a submenu is built in place and dropped again if it ends up empty.
ShownMenu shownMenu(const MenuNode& root) {
    ShownMenu menu;
    std::vector<Open> open{{&root, 0, &menu.entries}};
    while (!open.empty()) {
        Open& top = open.back();
        if (top.next == top.parent->childCount()) {
            open.pop_back();
            if (!open.empty() && open.back().into->back().entries.empty())
                open.back().into->pop_back();
            continue;
        }
        const MenuNode* node = top.parent->child(top.next++);
        const TAssoc& record = *node->record();
        ShownEntry entry{record.kind, node->caption(), -1, {}, {}};
        if (record.kind == Kind::Operation)
            entry.operation = record.code;
        if (hasTarget(record.kind))
            entry.target = record.descriptionOrTarget;
        std::vector<ShownEntry>* into = top.into;
        into->push_back(std::move(entry));
        if (record.kind == Kind::Submenu)
            open.push_back({node, 0, &into->back().entries});
    }
    return menu;
}

} // namespace quorvane
