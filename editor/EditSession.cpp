#include "editor/EditSession.h"

#include "editor/EditorView.h"
#include "editor/MainWindow.h"
#include "menu/MenuWriter.h"

namespace quorvane {

namespace {

// Runs its action however the scope is left, a failure included.
template <typename Action> struct AtExit {
    Action action;
    ~AtExit() { action(); }
};
template <typename Action> AtExit(Action) -> AtExit<Action>;

} // namespace

EditSession::EditSession(MainWindow& window, EditorView& tree, std::function<void()> changed)
    : m_window(window), m_tree(tree), m_changed(std::move(changed)),
      m_history(window.menu(), window.availableEntries()) {
    m_history.setViewMarks([this] { return viewMarks(); });
}

void EditSession::perform(std::string what, const std::function<void()>& change) {
    const AtExit refresh{[this] { m_changed(); }};
    m_history.perform(std::move(what), change);
}

void EditSession::load(std::string what, bool fromStore, const std::function<void()>& load) {
    const AtExit loaded{[this, fromStore] {
        if (fromStore)
            rememberApplied();
        m_changed();
    }};
    m_history.perform(std::move(what), load);
}

void EditSession::undo() {
    if (!m_history.canUndo())
        return;
    showRestored(m_history.undo());
    m_changed();
}

void EditSession::redo() {
    if (!m_history.canRedo())
        return;
    showRestored(m_history.redo());
    m_changed();
}

void EditSession::rememberApplied() {
    m_appliedForm = storedForm(m_window.menu(), m_window.availableEntries());
}

bool EditSession::hasUnappliedChanges() const {
    return storedForm(m_window.menu(), m_window.availableEntries()) != m_appliedForm;
}

ViewMarks EditSession::viewMarks() const {
    ViewMarks marks;
    const MenuNode* selected = m_window.selectedNode();
    int i = 0;
    for (const MenuNode* node : m_window.menu().inTreeOrder()) {
        if (m_tree.isExpanded(m_window.menuModel().indexOf(node)))
            marks.open.push_back(i);
        if (node == selected)
            marks.selected = i;
        ++i;
    }
    return marks;
}

void EditSession::showRestored(const EditHistory::Restored& restored) {
    const auto at = [&restored](int i) {
        return i >= 0 && static_cast<std::size_t>(i) < restored.nodes.size() ? restored.nodes[i]
                                                                             : nullptr;
    };
    MenuTreeItemModel& model = m_window.menuModel();
    for (int i : restored.marks.open)
        if (MenuNode* node = at(i))
            m_tree.expand(model.indexOf(node));
    if (MenuNode* node = at(restored.marks.selected)) {
        m_tree.setCurrentIndex(model.indexOf(node));
        m_tree.scrollTo(model.indexOf(node));
    }
    m_window.describeSelection();
}

} // namespace quorvane
