#pragma once

#include "menu/Catalog.h"

#include <memory>
#include <string>
#include <vector>

namespace quorvane {

class MenuTree;

// One node of the menu tree. It points at its record and never owns it.
class MenuNode {
public:
    const std::string& caption() const { return m_caption; }
    TAssoc* record() const { return m_record; }
    MenuNode* parent() const { return m_parent; }
    int childCount() const { return static_cast<int>(m_children.size()); }
    MenuNode* child(int row) const { return m_children[static_cast<std::size_t>(row)].get(); }
    // Position among its parent's children; 0 for the root.
    int row() const;
    MenuNode* nextSibling() const;
    // Shown with an expand button even without children, as a tree view does for a node
    // marked so; cleared when its last child moves away.
    bool hasChildrenMark() const { return m_hasChildrenMark; }
    bool hasChildren() const { return !m_children.empty() || m_hasChildrenMark; }
    // True when this node is `other` or lies below it.
    bool isWithin(const MenuNode* other) const;

private:
    friend class MenuTree;
    MenuNode(std::string caption, TAssoc* record)
        : m_caption(std::move(caption)), m_record(record) {}

    std::string m_caption;
    TAssoc* m_record;
    MenuNode* m_parent = nullptr;
    std::vector<std::unique_ptr<MenuNode>> m_children;
    bool m_hasChildrenMark = false;
};

// Told about every change of a MenuTree before and after it happens, so that an item model can
// bracket each change exactly and views keep their expansion and selection. Rows are positions
// among the parent's children at the moment of the call.
class MenuTreeObserver {
public:
    virtual ~MenuTreeObserver() = default;
    virtual void beforeReset() {}
    virtual void afterReset() {}
    virtual void beforeInsert(MenuNode* /*parent*/, int /*row*/) {}
    virtual void afterInsert(MenuNode* /*node*/) {}
    // `node` and its subtree are about to leave the tree; nodeLeaving() follows for each of them
    // (in tree order) before they are destroyed.
    virtual void beforeRemove(MenuNode* /*node*/) {}
    virtual void afterRemove() {}
    // Called for every node that leaves the tree: removed, inside a removed subtree, or cleared by
    // a reset. Moves do not count.
    virtual void nodeLeaving(MenuNode* /*node*/) {}
    // `node` moves to position `destinationRow` of `newParent`, counted before the move (so a move
    // to the end of a parent is its child count), as item models expect.
    virtual void beforeMove(MenuNode* /*node*/, MenuNode* /*newParent*/, int /*destinationRow*/) {}
    virtual void afterMove(MenuNode* /*node*/) {}
    // Caption, has-children mark or the target of the node's record changed.
    virtual void changed(MenuNode* /*node*/) {}
};

// The menu being edited: exactly one top-level node, the root, with every other node below it.
// Only these primitives change it, and none of them can break that invariant.
class MenuTree {
public:
    // Starts as a root captioned "Quorvane" carrying `rootRecord`.
    explicit MenuTree(TAssoc* rootRecord);
    MenuTree(const MenuTree&) = delete;
    MenuTree& operator=(const MenuTree&) = delete;
    ~MenuTree();

    MenuNode* root() const { return m_root.get(); }

    // Drops every node and starts again from a lone root with a new record.
    void reset(TAssoc* rootRecord);

    MenuNode* addLastChild(MenuNode* parent, std::string caption, TAssoc* record);
    MenuNode* addFirstChild(MenuNode* parent, std::string caption, TAssoc* record);
    // Inserts a new node directly before `sibling`, which must not be the root.
    MenuNode* insertBefore(MenuNode* sibling, std::string caption, TAssoc* record);

    // Moves `node` with its subtree directly before `target`, or as the first child of `parent`.
    // Refused (returns false, nothing changes) for the root, for a target that is the node
    // itself or lies inside its subtree, and for a target that is the root (the root has no
    // siblings).
    bool moveBefore(MenuNode* node, MenuNode* target);
    bool moveAsFirstChild(MenuNode* node, MenuNode* parent);

    // Deletes a node with its subtree; the root cannot be deleted.
    void remove(MenuNode* node);

    void rename(MenuNode* node, std::string caption);
    void setHasChildrenMark(MenuNode* node, bool mark);
    // Sets the target (descriptionOrTarget) of an item's record; every node carrying the record is
    // reported changed.
    void setTarget(TAssoc* record, std::string target);

    // All nodes, root first, each parent before its children, in sibling order ("tree order").
    std::vector<MenuNode*> inTreeOrder() const;
    int nodeCount() const;

    // Set while a load is under way and left set when it stops part-way: the tree and the list
    // beside it then hold only part of what is stored, and storing them would lose the rest.
    bool isPartial() const { return m_partial; }
    void setPartial(bool partial) { m_partial = partial; }

    void addObserver(MenuTreeObserver* observer);
    void removeObserver(MenuTreeObserver* observer);

private:
    MenuNode* insertAt(MenuNode* parent, int row, std::string caption, TAssoc* record);
    bool moveTo(MenuNode* node, MenuNode* newParent, int row);
    void announceLeaving(MenuNode* node);
    static void destroySubtree(std::unique_ptr<MenuNode> subtree);

    std::unique_ptr<MenuNode> m_root;
    std::vector<MenuTreeObserver*> m_observers;
    bool m_partial = false;
};

} // namespace quorvane
