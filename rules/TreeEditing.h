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

    // `node` dropped on the list (or deleted): its operations go back to the end of the list,
    // selected, and the node goes with its subtree. The root itself stays; only its contents go.
    void remove(MenuNode* node);

    // `dragged` dropped on `target` within the tree: on the root or a submenu it becomes the
    // first child; on any other node it ends up directly after it. Steps that would put a node
    // inside its own subtree are skipped. A drag of the root moves nothing.
    EditView move(MenuNode* dragged, MenuNode* target);
    // Whether that drop moves any node at all.
    static bool moves(const MenuNode* dragged, const MenuNode* target);

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
