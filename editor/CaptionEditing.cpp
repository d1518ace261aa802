#include "editor/CaptionEditing.h"

#include "editor/AvailableEntriesItemModel.h"
#include "editor/EditorView.h"
#include "editor/MainWindow.h"
#include "gui/ErrorHandler.h"
#include "gui/MessageBoxes.h"

#include <QLineEdit>

namespace quorvane {

CaptionEditing::CaptionEditing(MainWindow& window, EditorView& tree, EditorView& list)
    : QObject(&window), m_window(window) {
    tree.setEditingHandler([this](const QModelIndex& index) {
        return guardedAnswer([&] { return mayEditInTree(index); });
    });
    list.setEditingHandler([this](const QModelIndex& index) {
        return guardedAnswer([&] { return mayEditInList(index); });
    });
    // Renames in place are steps too, named by the caption the entry shows after them.
    window.menuModel().setRenameHandler([this](MenuNode* node, std::string caption) {
        guarded([&] {
            m_window.perform("Rename " + quotedCaption(caption),
                             [&] { m_window.menu().rename(node, std::move(caption)); });
        });
    });
    window.availableModel().setRenameHandler([this](int row, std::string caption) {
        AvailableEntries& entries = m_window.availableEntries();
        guarded([&] {
            m_window.perform("Rename " + quotedCaption(caption),
                             [&] { entries.rename(row, std::move(caption)); });
        });
    });
    // A caption that cannot be stored is refused once its in-place editor has closed: a box that
    // took the editor's focus while it commits would have it commit a second time.
    const auto refused = [this](EditorView& view) {
        return [this, &view](const QString& reason, const QPersistentModelIndex& at,
                             const QString& typed) {
            guarded([&] { refuse(view, reason, at, typed); });
        };
    };
    connect(&window.menuModel(), &MenuTreeItemModel::textRefused, this, refused(tree),
            Qt::QueuedConnection);
    connect(&window.availableModel(), &AvailableEntriesItemModel::textRefused, this, refused(list),
            Qt::QueuedConnection);
}

bool CaptionEditing::mayEditInTree(const QModelIndex& index) {
    const MenuNode* node = m_window.menuModel().node(index);
    if (!node)
        return false;
    if (TreeEditing::mayRename(*node))
        return true;
    m_window.messages().message(messages::cannotModify);
    return false;
}

bool CaptionEditing::mayEditInList(const QModelIndex& index) {
    const AvailableEntries& entries = m_window.availableEntries();
    if (!index.isValid() || index.row() >= entries.size())
        return false;
    if (TreeEditing::mayRename(entries.at(index.row())))
        return true;
    m_window.messages().message(messages::cannotModify);
    return false;
}

// Qt has closed the editor by the time the refusal is told, and its editor cannot stay open past
// a commit; it opens again on what was typed, so that the user corrects it rather than types it
// all anew.
void CaptionEditing::refuse(EditorView& view, const QString& reason,
                            const QPersistentModelIndex& at, const QString& typed) {
    MessageBoxes::message(&m_window, reason);
    if (!at.isValid() || view.editing() || !view.editCaption(at))
        return;
    if (auto* editor = qobject_cast<QLineEdit*>(view.indexWidget(at)))
        editor->setText(typed);
}

} // namespace quorvane
