#pragma once

#include <QObject>

class QModelIndex;
class QPersistentModelIndex;
class QString;

namespace quorvane {

class EditorView;
class MainWindow;

// Renaming in place, in the tree and in the list: which captions may be edited, each rename as
// a step of the history, and a caption the settings cannot hold refused with the editor opened
// again on what was typed.
class CaptionEditing : public QObject {
public:
    CaptionEditing(MainWindow& window, EditorView& tree, EditorView& list);

private:
    // Whether the caption at `index` may be edited; a refusal is shown to the user.
    bool mayEditInTree(const QModelIndex& index);
    bool mayEditInList(const QModelIndex& index);
    void refuse(EditorView& view, const QString& reason, const QPersistentModelIndex& at,
                const QString& typed);

    MainWindow& m_window;
};

} // namespace quorvane
