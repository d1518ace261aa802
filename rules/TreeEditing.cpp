#include "rules/TreeEditing.h"

#include <vector>

namespace quorvane {

namespace {

bool holdsChildren(const MenuNode& node) {
    return holdsEntries(node.record()->kind);
}

} // namespace

TAssoc* TreeEditing::recordForNewNode(const AvailableEntry& entry) {
    // Items with a target each need a record of their own; the others share the entry's.
    if (hasTarget(entry.record->kind))
        return m_pool.copyOf(*entry.record, entry.record->descriptionOrTarget);
    return entry.record;
}

EditView TreeEditing::insertSelected(MenuNode* dropTarget, MenuNode* firstVisible) {
    MenuNode* target = dropTarget;
    if (!target || m_tree.root()->childCount() == 0)
        target = firstVisible ? firstVisible : m_tree.root();
    return insertSelected(placeOn(target));
}

EditView TreeEditing::insertSelected(DropPlace place) {
    EditView view;
    if (place.where == DropPlace::Where::AtEnd) {
        MenuNode* root = m_tree.root();
        for (int row = 0; row < m_available.size();) {
            const AvailableEntry& entry = m_available.at(row);
            if (!entry.selected) {
                ++row;
                continue;
            }
            TAssoc* record = recordForNewNode(entry);
            MenuNode* added = m_tree.addLastChild(root, entry.caption, record);
            if (!view.select)
                view.select = added;
            view.scrollTo = added;
            if (record->kind == Kind::Operation)
                m_available.remove(row);
            else
                ++row;
        }
        view.expand = root;
        return view;
    }
    MenuNode* target = place.node;
    const bool intoTarget = place.where == DropPlace::Where::Into;
    // From the last entry to the first, each new node going to the same place, so that the new
    // nodes end up in list order.
    for (int row = m_available.size(); row-- > 0;) {
        const AvailableEntry& entry = m_available.at(row);
        if (!entry.selected)
            continue;
        TAssoc* record = recordForNewNode(entry);
        if (intoTarget) {
            m_tree.addFirstChild(target, entry.caption, record);
        } else {
            MenuNode* added = m_tree.insertBefore(target, entry.caption, record);
            m_tree.moveBefore(target, added);
            view.select = added;
        }
        if (record->kind == Kind::Operation)
            m_available.remove(row);
    }
    if (intoTarget)
        view.expand = target;
    view.scrollTo = target;
    return view;
}

void TreeEditing::returnToList(MenuNode* operation) {
    m_available.append(operation->caption(), operation->record(), true);
}

void TreeEditing::remove(MenuNode* node) {
    if (!node)
        return;
    // The subtree in tree order on a stack of its own: asking each node whether it still lies
    // within `node` costs its depth, and finding the next sibling costs the row, which made a
    // deep or wide subtree quadratic.
    std::vector<MenuNode*> pending{node};
    while (!pending.empty()) {
        MenuNode* n = pending.back();
        pending.pop_back();
        if (n->record()->kind == Kind::Operation)
            returnToList(n);
        for (int row = n->childCount(); row-- > 0;)
            pending.push_back(n->child(row));
    }
    if (node == m_tree.root()) {
        while (node->childCount() > 0)
            m_tree.remove(node->child(node->childCount() - 1));
    } else {
        m_tree.remove(node);
    }
}

DropPlace TreeEditing::placeOn(MenuNode* target) {
    const bool into = target && holdsChildren(*target);
    return {into ? DropPlace::Where::Into : DropPlace::Where::After, target};
}

EditView TreeEditing::move(MenuNode* dragged, MenuNode* target) {
    return target ? move(dragged, placeOn(target)) : EditView{};
}

EditView TreeEditing::move(MenuNode* dragged, DropPlace place) {
    EditView view;
    if (!moves(dragged, place))
        return view;
    MenuNode* target = place.node;
    switch (place.where) {
    case DropPlace::Where::Into:
        m_tree.moveAsFirstChild(dragged, target);
        m_tree.setHasChildrenMark(target, true);
        view.scrollTo = dragged;
        break;
    case DropPlace::Where::After:
        // Two moves place the dragged node right after the target.
        m_tree.moveBefore(dragged, target);
        m_tree.moveBefore(target, dragged);
        view.select = target;
        break;
    case DropPlace::Where::AtEnd:
        placeAfter(dragged, m_tree.root()->child(m_tree.root()->childCount() - 1));
        view.select = dragged;
        view.scrollTo = dragged;
        break;
    }
    return view;
}

bool TreeEditing::refuses(const MenuNode* dragged, DropPlace place) const {
    if (!dragged || dragged == m_tree.root())
        return true;
    if (place.where == DropPlace::Where::AtEnd)
        return false;
    return !place.node || place.node->isWithin(dragged);
}

bool TreeEditing::moves(const MenuNode* dragged, DropPlace place) const {
    if (refuses(dragged, place))
        return false;
    const MenuNode* parent = dragged->parent();
    switch (place.where) {
    case DropPlace::Where::Into:
        return parent != place.node || dragged->row() != 0;
    case DropPlace::Where::After:
        return parent != place.node->parent() || dragged->row() != place.node->row() + 1;
    case DropPlace::Where::AtEnd:
        return parent != m_tree.root() || dragged->nextSibling();
    }
    return false;
}

// The tree moves a node only before another or to the front of a parent; to follow the last
// child, the node goes before it and the child is then moved before the node.
void TreeEditing::placeAfter(MenuNode* node, MenuNode* target) {
    if (MenuNode* next = target->nextSibling()) {
        if (next != node)
            m_tree.moveBefore(node, next);
        return;
    }
    m_tree.moveBefore(node, target);
    m_tree.moveBefore(target, node);
}

EditView TreeEditing::step(MenuNode* node, Step step) {
    if (!node || node == m_tree.root())
        return {};
    MenuNode* parent = node->parent();
    MenuNode* previous = node->row() > 0 ? parent->child(node->row() - 1) : nullptr;
    EditView view;
    switch (step) {
    case Step::Up:
        if (!previous)
            return {};
        m_tree.moveBefore(node, previous);
        break;
    case Step::Down:
        if (!node->nextSibling())
            return {};
        placeAfter(node, node->nextSibling());
        break;
    case Step::Out:
        if (parent == m_tree.root())
            return {};
        placeAfter(node, parent);
        break;
    case Step::In:
        if (!previous || !holdsChildren(*previous))
            return {};
        if (previous->childCount() > 0)
            placeAfter(node, previous->child(previous->childCount() - 1));
        else
            m_tree.moveAsFirstChild(node, previous);
        m_tree.setHasChildrenMark(previous, true);
        view.expand = previous;
        break;
    }
    view.select = node;
    view.scrollTo = node;
    return view;
}

bool TreeEditing::mayRename(const MenuNode& node) {
    const Kind kind = node.record()->kind;
    return kind != Kind::Root && kind != Kind::Separator;
}

bool TreeEditing::mayRename(const AvailableEntry& entry) {
    return entry.record->kind != Kind::Separator;
}

} // namespace quorvane
