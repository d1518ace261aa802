#pragma once

#include "rules/TreeEditing.h"

#include <QObject>
#include <QPoint>
#include <string>

class QWidget;

namespace quorvane {

class EditorView;
class MainWindow;

// Drags between the tree and the list, in both directions and within the tree: where a drop
// would land while the pointer moves, and what the drop does to the menu, as one step of the
// history. Qt delivers drags to each view as events; the views pass them on here, accepting every
// drag of the editor's own entries.
class DragDropController : public QObject {
public:
    DragDropController(MainWindow& window, EditorView& tree, EditorView& list);

    // Set while entries are dragged from the tree or the list; the splitter ignores presses then.
    bool dragging() const { return m_dragging; }
    void setDragging(bool dragging) { m_dragging = dragging; }

    // A drag starts from the tree or the list; from the tree it carries the selected node.
    void begin(QWidget* sourceView);
    // The drag that started in either view is over, dropped or given up.
    void end();
    // A drag over the tree, respectively the list; `entering` when it has just come in.
    void treeDragOver(QPoint position, bool entering);
    void listDragOver(QPoint position, bool entering);
    // The drop handler of both views: `dropView` was dropped on, `sourceView` dragged from.
    void drop(QWidget* dropView, QWidget* sourceView);

private:
    std::string dropName(QWidget* dropView, QWidget* sourceView) const;
    // The place the tree's drop target and mark stand for.
    DropPlace treeDropPlace() const;

    MainWindow& m_window;
    EditorView& m_tree;
    EditorView& m_list;
    bool m_dragging = false;
    QWidget* m_source = nullptr;
};

} // namespace quorvane
