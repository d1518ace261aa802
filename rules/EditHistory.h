#pragma once

#include "menu/AvailableEntries.h"
#include "menu/MenuTree.h"

#include <cstddef>
#include <deque>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace quorvane {

// A caption as the names of steps quote it (`Remove "Clipboard"`).
inline std::string quotedCaption(const std::string& caption) {
    return '"' + caption + '"';
}

// The editor's state at one moment: the tree, the list beside it and the targets of the items in
// either. Records are only pointed at: the pool keeps every record for the whole run, so a state
// brought back has the very records it had.
class EditorState {
public:
    static EditorState of(const MenuTree& tree, const AvailableEntries& source);

    // Makes `tree` and `source` what this state holds. Returns the nodes in tree order.
    std::vector<MenuNode*> restore(MenuTree& tree, AvailableEntries& source) const;

    // Equal states show the same menu and list; which list entries are selected does not count.
    friend bool operator==(const EditorState& a, const EditorState& b);

private:
    struct Node {
        std::string caption;
        TAssoc* record;
        int childCount;
        bool hasChildrenMark;
        friend bool operator==(const Node&, const Node&) = default;
    };

    TAssoc* m_rootRecord = nullptr;
    std::vector<Node> m_nodes; // in tree order, root first
    std::vector<AvailableEntry> m_entries;
    std::vector<std::pair<TAssoc*, std::string>> m_targets;
    bool m_partial = false;
};

// Which nodes of a state the views showed open and selected, by position in tree order, so that
// undo and redo bring the view back with the state.
struct ViewMarks {
    std::vector<int> open;
    int selected = -1;
};

// Every change of the editor's state as a step that can be undone and redone. The newest steps
// are kept, up to a limit, so memory stays bounded.
class EditHistory {
public:
    static constexpr std::size_t defaultLimit = 300;

    EditHistory(MenuTree& tree, AvailableEntries& source, std::size_t limit = defaultLimit);

    // How the views mark the nodes; without it no marks are kept.
    void setViewMarks(std::function<ViewMarks()> marks) { m_marks = std::move(marks); }

    // Runs `change` as one step called `what` ("Remove \"Clipboard\""). A change that leaves
    // the state as it was is no step. A change that fails part-way is a step all the same, as
    // what it did stays; the failure goes on to the caller.
    void perform(std::string what, const std::function<void()>& change);

    bool canUndo() const { return !m_done.empty(); }
    bool canRedo() const { return !m_undone.empty(); }
    // What undo and redo would take back or do again; empty when there is nothing.
    std::string undoName() const;
    std::string redoName() const;

    // Each brings back a state and the marks the views had in it, with the nodes in tree order.
    struct Restored {
        std::vector<MenuNode*> nodes;
        ViewMarks marks;
    };
    Restored undo();
    Restored redo();

private:
    struct Step {
        std::string what;
        EditorState before;
        ViewMarks beforeMarks;
        EditorState after;
        ViewMarks afterMarks;
    };

    ViewMarks marks() const { return m_marks ? m_marks() : ViewMarks{}; }

    MenuTree& m_tree;
    AvailableEntries& m_available;
    std::size_t m_limit;
    std::function<ViewMarks()> m_marks;
    std::deque<Step> m_done;
    std::vector<Step> m_undone;
};

} // namespace quorvane
