#include "editor/DragDropController.h"

#include "editor/AvailableEntriesItemModel.h"
#include "editor/EditorView.h"
#include "editor/MainWindow.h"
#include "gui/ErrorHandler.h"
#include "menu/AvailableEntries.h"

#include <QSignalBlocker>
#include <array>

namespace quorvane {

namespace {

// Both views stop painting while a drop rearranges them, and start again however it ends.
class RedrawSuspended {
public:
    RedrawSuspended(QWidget* first, QWidget* second) : m_widgets{first, second} {
        for (QWidget* widget : m_widgets)
            widget->setUpdatesEnabled(false);
    }
    ~RedrawSuspended() {
        for (QWidget* widget : m_widgets)
            widget->setUpdatesEnabled(true);
    }
    RedrawSuspended(const RedrawSuspended&) = delete;
    RedrawSuspended& operator=(const RedrawSuspended&) = delete;

private:
    std::array<QWidget*, 2> m_widgets;
};

} // namespace

DragDropController::DragDropController(MainWindow& window, EditorView& tree, EditorView& list)
    : QObject(&window), m_window(window), m_tree(tree), m_list(list) {
    for (EditorView* view : {&tree, &list}) {
        connect(view, &EditorView::dragStarted, this, guard([this, view] { begin(view); }));
        connect(view, &EditorView::dragFinished, this, guard([this] { end(); }));
        connect(view, &EditorView::dropped, this,
                guard([this, view](QWidget* source) { drop(view, source); }));
    }
    connect(&tree, &EditorView::dragEntered, this,
            guard([this](QPoint at) { treeDragOver(at, true); }));
    connect(&tree, &EditorView::dragMoved, this,
            guard([this](QPoint at) { treeDragOver(at, false); }));
    connect(&list, &EditorView::dragEntered, this,
            guard([this](QPoint at) { listDragOver(at, true); }));
    connect(&list, &EditorView::dragMoved, this,
            guard([this](QPoint at) { listDragOver(at, false); }));
}

void DragDropController::begin(QWidget* sourceView) {
    m_dragging = true;
    m_source = sourceView;
}

// A drag can also end away from both views: dropped elsewhere or given up with Escape. The flag
// is cleared then too, so that the splitter is never left blocked by a drag that is over.
void DragDropController::end() {
    m_dragging = false;
    m_source = nullptr;
    m_tree.setDropTarget({});
    m_list.setDropTarget({});
}

// Qt follows a drag's entry at once with a move at the same point, so the first visible node is
// the target only until the pointer is over a node; below the last row the drop ends the top
// level. A node dragged within the tree is refused where it would go into its own subtree.
void DragDropController::treeDragOver(QPoint position, bool entering) {
    QModelIndex target = entering ? m_tree.indexAt(QPoint(0, 0)) : m_tree.dropTarget();
    bool atEnd = !entering && m_tree.dropMark() == EditorView::DropMark::AtEnd;
    if (const QModelIndex over = m_tree.indexAt(position); over.isValid()) {
        target = over;
        atEnd = false;
    } else if (const QModelIndex last = m_tree.lastShownRow();
               last.isValid() && position.y() > m_tree.visualRect(last).bottom()) {
        target = {};
        atEnd = true;
    }
    MenuTreeItemModel& model = m_window.menuModel();
    const DropPlace place = atEnd ? DropPlace{DropPlace::Where::AtEnd, nullptr}
                                  : TreeEditing::placeOn(model.node(target));
    const TreeEditing editing(m_window.menu(), m_window.availableEntries(), m_window.pool());
    const bool refused = m_source == &m_tree && editing.refuses(m_window.selectedNode(), place);
    m_tree.setDropRefused(refused);
    if (refused)
        m_tree.setDropTarget({});
    else if (atEnd)
        m_tree.setDropTarget({}, EditorView::DropMark::AtEnd);
    else if (target.isValid())
        m_tree.setDropTarget(target, place.where == DropPlace::Where::Into
                                         ? EditorView::DropMark::Into
                                         : EditorView::DropMark::After);
}

DropPlace DragDropController::treeDropPlace() const {
    if (m_tree.dropMark() == EditorView::DropMark::AtEnd)
        return {DropPlace::Where::AtEnd, nullptr};
    return TreeEditing::placeOn(m_window.menuModel().node(m_tree.dropTarget()));
}

// On the list a drop means "back to the end", wherever the pointer is.
void DragDropController::listDragOver(QPoint, bool entering) {
    const AvailableEntries& entries = m_window.availableEntries();
    if (entering && entries.size() > 0)
        m_list.setDropTarget(m_list.model()->index(entries.size() - 1, 0));
}

// What a drop does, as the Undo entry names it.
std::string DragDropController::dropName(QWidget* dropView, QWidget* sourceView) const {
    const MenuNode* selected = m_window.selectedNode();
    if (sourceView == &m_tree)
        return (dropView == &m_list ? "Remove " : "Move ") +
               (selected ? quotedCaption(selected->caption()) : std::string());
    std::vector<const AvailableEntry*> entries;
    for (const AvailableEntry& entry : m_window.availableEntries().entries())
        if (entry.selected)
            entries.push_back(&entry);
    return entries.size() == 1 ? "Insert " + quotedCaption(entries.front()->caption)
                               : "Insert " + std::to_string(entries.size()) + " Entries";
}

void DragDropController::drop(QWidget* dropView, QWidget* sourceView) {
    MenuTreeItemModel& model = m_window.menuModel();
    TreeEditing editing(m_window.menu(), m_window.availableEntries(), m_window.pool());
    EditView view;
    const auto change = [&] {
        RedrawSuspended redraw(&m_tree, &m_list);
        if (dropView == &m_list && sourceView == &m_tree) {
            editing.remove(m_window.selectedNode());
            // Qt moves the current row on from a removed node without selecting it; the tree
            // keeps a selected node as long as there is one to show.
            if (!m_window.selectedNode())
                view.select = model.node(m_tree.currentIndex());
        } else if (dropView == &m_tree && sourceView == &m_list) {
            if (m_tree.dropMark() == EditorView::DropMark::AtEnd)
                view = editing.insertSelected(treeDropPlace());
            else
                view = editing.insertSelected(model.node(m_tree.dropTarget()),
                                              model.node(m_tree.indexAt(QPoint(0, 0))));
        } else if (dropView == &m_tree && sourceView == &m_tree) {
            MenuNode* dragged = m_window.selectedNode();
            const DropPlace place = treeDropPlace();
            const std::array formerParents{dragged ? dragged->parent() : nullptr,
                                           place.node ? place.node->parent() : nullptr};
            {
                const QSignalBlocker quiet(m_tree.selectionModel());
                view = editing.move(dragged, place);
            }
            // Qt remembers an emptied node as expanded and would show it open again as soon as
            // something is dropped into it.
            for (MenuNode* parent : formerParents)
                if (parent && parent->childCount() == 0)
                    m_tree.collapse(model.indexOf(parent));
        }
    };
    // A drop within the tree that moves no node is no step to undo.
    if (dropView == &m_tree && sourceView == &m_tree &&
        !editing.moves(m_window.selectedNode(), treeDropPlace()))
        change();
    else
        m_window.perform(dropName(dropView, sourceView), change);
    m_list.resizeColumnToContents(AvailableEntriesItemModel::DescriptionColumn);
    m_dragging = false;
    m_source = nullptr;
    m_window.showEdit(view);
}

} // namespace quorvane
