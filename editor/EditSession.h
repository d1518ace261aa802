#pragma once

#include "rules/EditHistory.h"

#include <functional>
#include <string>

namespace quorvane {

class EditorView;
class MainWindow;

// The window's edits as steps of the history: each named, undone and redone with the tree's
// opened and selected nodes as they were; and whether what the window holds differs from what
// Apply last stored, which the caption marks.
class EditSession {
public:
    // `changed` runs after every step, undo and redo, to show the new state.
    EditSession(MainWindow& window, EditorView& tree, std::function<void()> changed);

    const EditHistory& history() const { return m_history; }
    // Runs an edit as one step of the history, named `what`.
    void perform(std::string what, const std::function<void()>& change);
    // A load replacing unapplied edits asks nothing: it is a step that can be undone. A load of
    // what is stored (`fromStore`) is, from then on, what counts as applied, even when it
    // stopped part-way.
    void load(std::string what, bool fromStore, const std::function<void()>& load);
    void undo();
    void redo();

    // What the window holds now counts as applied.
    void rememberApplied();
    bool hasUnappliedChanges() const;

private:
    ViewMarks viewMarks() const;
    void showRestored(const EditHistory::Restored& restored);

    MainWindow& m_window;
    EditorView& m_tree;
    std::function<void()> m_changed;
    EditHistory m_history;
    // What Apply last stored, or what was loaded from the store, in storedForm's terms.
    std::string m_appliedForm;
};

} // namespace quorvane
