#pragma once

#include "menu/AvailableEntries.h"
#include "menu/MenuTree.h"
#include "menu/RecordPool.h"

namespace quorvane {

// What the views should do after an edit; empty members ask for nothing.
struct EditView {
    MenuNode* expand = nullptr;   // expand by one level
    MenuNode* select = nullptr;   // make the selected node
    MenuNode* scrollTo = nullptr; // scroll into view
};

// Where a drop on the tree puts what it brings.
struct DropPlace {
    enum class Where {
        Into,  // the first children of `node`, the root or a submenu
        After, // right after `node` and what lies below it, under the same parent
        AtEnd, // the last children of the root: the empty space below the last entry
    };
    Where where = Where::AtEnd;
    MenuNode* node = nullptr;
};

// The rules of editing the menu, on the model alone. What the views know - the drop target, the
// selection, the first visible node - comes in as arguments.
class TreeEditing {
public:
    TreeEditing(MenuTree& tree, AvailableEntries& source, RecordPool& pool)
        : m_tree(tree), m_available(source), m_pool(pool) {}

    // The selected list entries dropped on the tree. On the root or a submenu they become its
    // first children, in list order; on any other node they follow it, the first of them
    // selected. Operations leave the list; the other entries stay and only give new nodes.
    EditView insertSelected(MenuNode* dropTarget, MenuNode* firstVisible);
    EditView insertSelected(DropPlace place);

    // `node` dropped on the list (or deleted): its operations go back to the end of the list,
    // selected, and the node goes with its subtree. The root itself stays; only its contents go.
    void remove(MenuNode* node);

    // The place a drop on `target` gives: into the root or a submenu, after any other node.
    static DropPlace placeOn(MenuNode* target);

    // `dragged` dropped within the tree, at `place` or on `target`'s place. A drop the tree
    // refuses moves nothing.
    EditView move(MenuNode* dragged, MenuNode* target);
    EditView move(MenuNode* dragged, DropPlace place);
    // A node cannot go into or beside its own subtree, and the root goes nowhere.
    bool refuses(const MenuNode* dragged, DropPlace place) const;
    // Whether that drop moves any node at all.
    bool moves(const MenuNode* dragged, DropPlace place) const;

    // A move by the keyboard, by one step from where the node is.
    enum class Step {
        Up,   // before its previous sibling
        Down, // after its next sibling
        Out,  // out of its submenu, to follow it
        In,   // into the submenu just above it, as its last child
    };
    // Nothing moves where the step leads nowhere: no sibling that way, already in the root, or
    // no submenu above.
    EditView step(MenuNode* node, Step step);

    // The root and separators keep their captions in the tree; separators in the list too.
    static bool mayRename(const MenuNode& node);
    static bool mayRename(const AvailableEntry& entry);

private:
    TAssoc* recordForNewNode(const AvailableEntry& entry);
    void returnToList(MenuNode* operation);
    void placeAfter(MenuNode* node, MenuNode* target);

    MenuTree& m_tree;
    AvailableEntries& m_available;
    RecordPool& m_pool;
};

} // namespace quorvane
