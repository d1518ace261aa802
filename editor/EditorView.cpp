#include "editor/EditorView.h"

#include "editor/DropTargetDelegate.h"
#include "editor/ItemModelText.h"

#include <QDragEnterEvent>
#include <QDragLeaveEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QPainter>

namespace quorvane {

namespace {

bool carriesEntries(const QDropEvent* event) {
    return event->mimeData() && event->mimeData()->hasFormat(QLatin1String(entriesMimeType));
}

} // namespace

EditorView::EditorView(QWidget* parent) : QTreeView(parent) {
    // The highlighted target row shows where a drop lands; Qt's line between rows would promise
    // a place between nodes that the drop does not use.
    setDropIndicatorShown(false);
    setItemDelegate(new DropTargetDelegate([this] { return dropTarget(); }, this));
}

void EditorView::setDropTarget(const QModelIndex& index) {
    const QModelIndex target = index.isValid() ? index.siblingAtColumn(0) : QModelIndex();
    if (target == m_dropTarget)
        return;
    m_dropTarget = target;
    viewport()->update();
}

// Qt starts a drag here once a pressed row is moved far enough; pressing the row selected it, so
// what is dragged is the selection. The drag runs to its end inside the base class.
void EditorView::startDrag(Qt::DropActions supportedActions) {
    emit dragStarted();
    QTreeView::startDrag(supportedActions);
    emit dragFinished();
}

// The base class keeps the auto-scrolling near the edges; whether the drag is welcome is decided
// here, and Qt's "not on itself" refusal for drags within one view does not apply.
void EditorView::dragEnterEvent(QDragEnterEvent* event) {
    QTreeView::dragEnterEvent(event);
    if (!carriesEntries(event)) {
        event->ignore();
        return;
    }
    event->accept();
    emit dragEntered(event->position().toPoint());
}

void EditorView::dragMoveEvent(QDragMoveEvent* event) {
    QTreeView::dragMoveEvent(event);
    if (!carriesEntries(event)) {
        event->ignore();
        return;
    }
    event->accept();
    emit dragMoved(event->position().toPoint());
}

void EditorView::dragLeaveEvent(QDragLeaveEvent* event) {
    QTreeView::dragLeaveEvent(event);
    setDropTarget({});
}

void EditorView::dropEvent(QDropEvent* event) {
    stopAutoScroll();
    setState(NoState);
    if (carriesEntries(event)) {
        // The window rearranges both views itself; as a copy the drop leaves the source view
        // nothing of its own to remove afterwards.
        event->setDropAction(Qt::CopyAction);
        event->accept();
        emit dropped(qobject_cast<QWidget*>(event->source()));
    } else {
        event->ignore();
    }
    setDropTarget({});
}

void EditorView::keyPressEvent(QKeyEvent* event) {
    if (m_keyHandler && m_keyHandler(event->key())) {
        event->accept();
        return;
    }
    QTreeView::keyPressEvent(event);
}

// The veto comes just before an editor would open, however that was asked for: by a key, from
// code, or by a click on the selected row, which Qt holds back for the double-click time and
// then asks for again without a trigger.
bool EditorView::edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) {
    if (m_editingHandler && opensEditor(index, trigger) && !m_editingHandler(index))
        return false;
    return QTreeView::edit(index, trigger, event);
}

// Qt paints the indentation left of a row by the row's selection, past the delegate; while a drop
// target shows, the indentation follows the highlight as well, so that one whole row stands out.
void EditorView::drawRow(QPainter* painter, const QStyleOptionViewItem& option,
                         const QModelIndex& index) const {
    QTreeView::drawRow(painter, option, index);
    if (!m_dropTarget.isValid())
        return;
    const bool target =
        index.row() == m_dropTarget.row() && index.parent() == m_dropTarget.parent();
    if (target == selectionModel()->isSelected(index))
        return;
    int depth = rootIsDecorated() ? 1 : 0;
    for (QModelIndex up = index.parent(); up.isValid(); up = up.parent())
        ++depth;
    if (depth == 0)
        return;
    const QRect indent(columnViewportPosition(0), option.rect.y(), depth * indentation(),
                       option.rect.height());
    painter->fillRect(indent, palette().brush(target ? QPalette::Highlight : QPalette::Base));
    drawBranches(painter, indent, index);
}

bool EditorView::opensEditor(const QModelIndex& index, EditTrigger trigger) const {
    if (!index.isValid() || state() == EditingState)
        return false;
    const Qt::ItemFlags flags = model()->flags(index);
    if (!flags.testFlag(Qt::ItemIsEditable) || !flags.testFlag(Qt::ItemIsEnabled))
        return false;
    if (trigger == AllEditTriggers)
        return true;
    if (trigger == SelectedClicked)
        return false;
    return editTriggers().testFlag(trigger);
}

} // namespace quorvane
