#include "menu/MenuTree.h"

#include <algorithm>
#include <cassert>
#include <utility>

namespace quorvane {

int MenuNode::row() const {
    if (!m_parent)
        return 0;
    // Looked for from both ends at once: the editing rules mostly ask about first and last
    // children (removing a menu's entries from the end, dropping at the front), and from one end
    // only each of those would cost the whole row of a wide menu.
    const auto& siblings = m_parent->m_children;
    for (std::size_t front = 0, back = siblings.size(); front < back; ++front) {
        if (siblings[front].get() == this)
            return static_cast<int>(front);
        if (siblings[--back].get() == this)
            return static_cast<int>(back);
    }
    assert(false && "a node is always among its parent's children");
    return -1;
}

MenuNode* MenuNode::nextSibling() const {
    if (!m_parent)
        return nullptr;
    const int next = row() + 1;
    return next < m_parent->childCount() ? m_parent->child(next) : nullptr;
}

bool MenuNode::isWithin(const MenuNode* other) const {
    for (const MenuNode* n = this; n; n = n->m_parent)
        if (n == other)
            return true;
    return false;
}

MenuTree::MenuTree(TAssoc* rootRecord)
    : m_root(new MenuNode(std::string(rootCaption), rootRecord)) {}

MenuTree::~MenuTree() {
    destroySubtree(std::move(m_root));
}

// Iterative: a menu string can nest a couple of thousand levels deep, too deep for the recursion
// of nested destructors.
void MenuTree::destroySubtree(std::unique_ptr<MenuNode> subtree) {
    std::vector<std::unique_ptr<MenuNode>> pending;
    pending.push_back(std::move(subtree));
    while (!pending.empty()) {
        auto node = std::move(pending.back());
        pending.pop_back();
        if (!node)
            continue;
        for (auto& child : node->m_children)
            pending.push_back(std::move(child));
    }
}

void MenuTree::reset(TAssoc* rootRecord) {
    for (auto* o : m_observers)
        o->beforeReset();
    announceLeaving(m_root.get());
    destroySubtree(std::exchange(
        m_root, std::unique_ptr<MenuNode>(new MenuNode(std::string(rootCaption), rootRecord))));
    for (auto* o : m_observers)
        o->afterReset();
}

MenuNode* MenuTree::insertAt(MenuNode* parent, int row, std::string caption, TAssoc* record) {
    assert(parent && row >= 0 && row <= parent->childCount());
    for (auto* o : m_observers)
        o->beforeInsert(parent, row);
    auto* node = new MenuNode(std::move(caption), record);
    node->m_parent = parent;
    parent->m_children.insert(parent->m_children.begin() + row, std::unique_ptr<MenuNode>(node));
    for (auto* o : m_observers)
        o->afterInsert(node);
    return node;
}

MenuNode* MenuTree::addLastChild(MenuNode* parent, std::string caption, TAssoc* record) {
    return insertAt(parent, parent->childCount(), std::move(caption), record);
}

MenuNode* MenuTree::addFirstChild(MenuNode* parent, std::string caption, TAssoc* record) {
    return insertAt(parent, 0, std::move(caption), record);
}

MenuNode* MenuTree::insertBefore(MenuNode* sibling, std::string caption, TAssoc* record) {
    assert(sibling && sibling->parent() && "the root has no siblings");
    return insertAt(sibling->parent(), sibling->row(), std::move(caption), record);
}

bool MenuTree::moveTo(MenuNode* node, MenuNode* newParent, int row) {
    if (!node->m_parent || newParent->isWithin(node))
        return false;
    MenuNode* oldParent = node->m_parent;
    const int oldRow = node->row();
    if (oldParent == newParent && (row == oldRow || row == oldRow + 1))
        return true; // already there
    for (auto* o : m_observers)
        o->beforeMove(node, newParent, row);
    auto owned = std::move(oldParent->m_children[static_cast<std::size_t>(oldRow)]);
    oldParent->m_children.erase(oldParent->m_children.begin() + oldRow);
    if (oldParent == newParent && row > oldRow)
        --row;
    node->m_parent = newParent;
    newParent->m_children.insert(newParent->m_children.begin() + row, std::move(owned));
    const bool lostMark = oldParent->m_children.empty() && oldParent->m_hasChildrenMark;
    if (lostMark)
        oldParent->m_hasChildrenMark = false;
    for (auto* o : m_observers)
        o->afterMove(node);
    if (lostMark)
        for (auto* o : m_observers)
            o->changed(oldParent);
    return true;
}

bool MenuTree::moveBefore(MenuNode* node, MenuNode* target) {
    if (!target->m_parent || target == node)
        return false;
    return moveTo(node, target->m_parent, target->row());
}

bool MenuTree::moveAsFirstChild(MenuNode* node, MenuNode* parent) {
    return moveTo(node, parent, 0);
}

void MenuTree::remove(MenuNode* node) {
    assert(node && node->m_parent && "the root cannot be removed");
    MenuNode* parent = node->m_parent;
    const int row = node->row();
    for (auto* o : m_observers)
        o->beforeRemove(node);
    announceLeaving(node);
    auto doomed = std::move(parent->m_children[static_cast<std::size_t>(row)]);
    parent->m_children.erase(parent->m_children.begin() + row);
    destroySubtree(std::move(doomed));
    for (auto* o : m_observers)
        o->afterRemove();
}

void MenuTree::rename(MenuNode* node, std::string caption) {
    node->m_caption = std::move(caption);
    for (auto* o : m_observers)
        o->changed(node);
}

void MenuTree::setTarget(TAssoc* record, std::string target) {
    record->descriptionOrTarget = std::move(target);
    for (MenuNode* node : inTreeOrder())
        if (node->record() == record)
            for (auto* o : m_observers)
                o->changed(node);
}

void MenuTree::setHasChildrenMark(MenuNode* node, bool mark) {
    if (node->m_hasChildrenMark == mark)
        return;
    node->m_hasChildrenMark = mark;
    for (auto* o : m_observers)
        o->changed(node);
}

std::vector<MenuNode*> MenuTree::inTreeOrder() const {
    std::vector<MenuNode*> nodes;
    // An explicit stack rather than recursion: nesting depth is bounded only by the text length.
    std::vector<MenuNode*> pending{m_root.get()};
    while (!pending.empty()) {
        MenuNode* node = pending.back();
        pending.pop_back();
        nodes.push_back(node);
        for (int i = node->childCount(); i-- > 0;)
            pending.push_back(node->child(i));
    }
    return nodes;
}

int MenuTree::nodeCount() const {
    return static_cast<int>(inTreeOrder().size());
}

void MenuTree::announceLeaving(MenuNode* node) {
    if (m_observers.empty())
        return;
    std::vector<MenuNode*> pending{node};
    while (!pending.empty()) {
        MenuNode* n = pending.back();
        pending.pop_back();
        for (auto* o : m_observers)
            o->nodeLeaving(n);
        for (int i = n->childCount(); i-- > 0;)
            pending.push_back(n->child(i));
    }
}

void MenuTree::addObserver(MenuTreeObserver* observer) {
    m_observers.push_back(observer);
}

void MenuTree::removeObserver(MenuTreeObserver* observer) {
    std::erase(m_observers, observer);
}

} // namespace quorvane
