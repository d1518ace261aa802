#include "editor/EditorView.h"

#include "editor/DropTargetDelegate.h"
#include "editor/EntriesDrag.h"

#include <QApplication>
#include <QDrag>
#include <QDragEnterEvent>
#include <QDragLeaveEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <algorithm>

namespace quorvane {

namespace {

// Qt measures a header's titles in bold, to leave room for a section drawn bold when its column
// is selected; these views never draw one so, and measuring in bold loaded a second face of the
// font at every start. The titles are measured in the font they are drawn in.
class PlainHeader : public QHeaderView {
public:
    using QHeaderView::QHeaderView;

protected:
    QSize sectionSizeFromContents(int logicalIndex) const override {
        if (highlightSections() || !model())
            return QHeaderView::sectionSizeFromContents(logicalIndex);
        ensurePolished();
        const QVariant hint = model()->headerData(logicalIndex, orientation(), Qt::SizeHintRole);
        if (hint.isValid())
            return hint.toSize();
        QStyleOptionHeader option;
        initStyleOption(&option);
        option.section = logicalIndex;
        const QVariant font = model()->headerData(logicalIndex, orientation(), Qt::FontRole);
        option.fontMetrics =
            QFontMetrics(font.canConvert<QFont>() ? font.value<QFont>() : this->font());
        option.text = model()->headerData(logicalIndex, orientation(), Qt::DisplayRole).toString();
        const QVariant picture =
            model()->headerData(logicalIndex, orientation(), Qt::DecorationRole);
        option.icon = picture.value<QIcon>();
        if (option.icon.isNull())
            option.icon = picture.value<QPixmap>();
        if (isSortIndicatorShown())
            option.sortIndicator = QStyleOptionHeader::SortDown;
        return style()->sizeFromContents(QStyle::CT_HeaderSection, &option, QSize(), this);
    }
};

bool carriesEntries(const QDropEvent* event) {
    return event->mimeData() && event->mimeData()->hasFormat(QLatin1String(entriesMimeType));
}

// Room for the pointer's own arrow left of the drag picture, and the picture's inner margin.
constexpr int pointerWidth = 16;
constexpr int margin = 3;

} // namespace

EditorView::EditorView(QWidget* parent) : QTreeView(parent) {
    // The highlighted target row shows where a drop lands; Qt's line between rows would promise
    // a place between nodes that the drop does not use.
    setDropIndicatorShown(false);
    setItemDelegate(new DropTargetDelegate([this] { return dropTarget(); }, this));
    // Every row is one line beside a picture of the same size: the first row's height is every
    // row's, and the view need not measure each.
    setUniformRowHeights(true);
}

void EditorView::measureHeaderPlainly() {
    if (dynamic_cast<PlainHeader*>(header()))
        return;
    // With the settings a tree view gives its own header.
    QHeaderView* original = header();
    auto* plain = new PlainHeader(Qt::Horizontal, this);
    plain->setSectionsMovable(original->sectionsMovable());
    plain->setFirstSectionMovable(original->isFirstSectionMovable());
    plain->setStretchLastSection(original->stretchLastSection());
    plain->setDefaultAlignment(original->defaultAlignment());
    plain->setHidden(original->isHidden());
    setHeader(plain);
}

void EditorView::setDropTarget(const QModelIndex& index, DropMark mark) {
    const QModelIndex target = index.isValid() ? index.siblingAtColumn(0) : QModelIndex();
    if (target == m_dropTarget && mark == m_dropMark)
        return;
    m_dropTarget = target;
    m_dropMark = mark;
    viewport()->update();
}

QModelIndex EditorView::lastShownRow() const {
    if (!model() || model()->rowCount(rootIndex()) == 0)
        return {};
    QModelIndex last = model()->index(model()->rowCount(rootIndex()) - 1, 0, rootIndex());
    while (isExpanded(last) && model()->rowCount(last) > 0)
        last = model()->index(model()->rowCount(last) - 1, 0, last);
    return last;
}

// The line stands where the first of the dropped entries will appear, indented as it will be.
void EditorView::paintEvent(QPaintEvent* event) {
    QTreeView::paintEvent(event);
    QModelIndex row = m_dropTarget;
    int indent = 0;
    switch (m_dropMark) {
    case DropMark::None:
        return;
    case DropMark::Into:
        indent = indentation();
        break;
    case DropMark::After:
        break;
    case DropMark::AtEnd:
        row = lastShownRow();
        if (!row.isValid())
            return;
        indent = visualRect(model()->index(0, 0, rootIndex())).left() + indentation() -
                 visualRect(row).left();
        break;
    }
    if (!row.isValid())
        return;
    const QRect rect = visualRect(row);
    const int left = rect.left() + indent;
    const int y = rect.bottom();
    QPainter painter(viewport());
    const QColor colour = palette().color(QPalette::Text);
    painter.fillRect(QRect(left, y - 1, viewport()->width() - left, 2), colour);
    painter.fillRect(QRect(left, y - 3, 2, 6), colour);
}

// Qt starts a drag here once a pressed row is moved far enough; pressing the row selected it, so
// what is dragged is the selection. Qt's own picture of the dragged rows would sit right over the
// row under the pointer, which is the drop target, and hide it where no compositor lets it show
// through; this one keeps clear of it.
void EditorView::startDrag(Qt::DropActions supportedActions) {
    m_dragged = true;
    QModelIndexList entries;
    for (const QModelIndex& index : selectionModel()->selectedIndexes())
        if (index.column() == 0 && model()->flags(index).testFlag(Qt::ItemIsDragEnabled))
            entries.append(index);
    if (entries.isEmpty())
        return;
    std::sort(entries.begin(), entries.end(), [this](const QModelIndex& a, const QModelIndex& b) {
        return visualRect(a).top() < visualRect(b).top();
    });
    QMimeData* data = model()->mimeData(entries);
    if (!data)
        return;
    emit dragStarted();
    auto* drag = new QDrag(this);
    drag->setMimeData(data);
    const DragImage image = dragImage(entries);
    drag->setPixmap(image.pixmap);
    drag->setHotSpot(image.hotSpot);
    drag->exec(supportedActions, defaultDropAction());
    emit dragFinished();
}

// The first entry's picture and caption, and how many more come along.
EditorView::DragImage EditorView::dragImage(const QModelIndexList& entries) const {
    if (entries.isEmpty())
        return {};
    const QModelIndex first = entries.constFirst();
    QString caption = first.data(Qt::DisplayRole).toString();
    if (entries.size() > 1)
        caption += QStringLiteral(" (+%1)").arg(entries.size() - 1);
    const QIcon icon = first.data(Qt::DecorationRole).value<QIcon>();
    const QFontMetrics metrics = fontMetrics();
    const int height = std::max(iconSize().height(), metrics.height()) + 2 * margin;
    const int width =
        margin + iconSize().width() + margin + metrics.horizontalAdvance(caption) + 2 * margin;
    const qreal ratio = devicePixelRatioF();
    QPixmap pixmap(QSize(width, height) * ratio);
    pixmap.setDevicePixelRatio(ratio);
    pixmap.fill(palette().color(QPalette::Base));
    QPainter painter(&pixmap);
    painter.setPen(palette().color(QPalette::Dark));
    painter.drawRect(0, 0, width - 1, height - 1);
    icon.paint(&painter, QRect(QPoint(margin, (height - iconSize().height()) / 2), iconSize()));
    painter.setPen(palette().color(QPalette::Text));
    painter.setFont(font());
    painter.drawText(QRect(2 * margin + iconSize().width(), 0, width, height),
                     Qt::AlignLeft | Qt::AlignVCenter, caption);
    painter.end();

    // Wherever in its row the pointer is, a whole row's height below it is clear of that row.
    const int rowHeight = std::max(visualRect(first).height(), sizeHintForRow(0));
    return {pixmap, QPoint(-pointerWidth, -rowHeight)};
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
    emit dragMoved(event->position().toPoint());
    // Ignored without a rectangle, the next move asks again.
    if (m_dropRefused)
        event->ignore();
    else
        event->accept();
}

void EditorView::dragLeaveEvent(QDragLeaveEvent* event) {
    QTreeView::dragLeaveEvent(event);
    m_dropRefused = false;
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
    m_dropRefused = false;
    setDropTarget({});
}

// While a caption is edited, a key that reaches the view is one the editor passed on (Qt's line
// edit lets Enter through once it has taken the text): it belongs to the edit, not to the window.
void EditorView::keyPressEvent(QKeyEvent* event) {
    m_renameTimer.stop();
    if (!editing() && m_keyHandler && m_keyHandler(event->key(), event->modifiers())) {
        event->accept();
        return;
    }
    QTreeView::keyPressEvent(event);
}

// A plain press on a row that is selected among others leaves the selection as it is, so that the
// whole of it can be dragged; the release of a click that dragged nothing then selects that row
// alone. A click on the row that is the only one selected asks to rename it once the double-click
// time has passed without a second click, as Windows' list and tree views do; Qt's own delayed
// edit for a click on a selected row would also start on one of several, and reports a refusal
// as a warning on standard error.
void EditorView::mousePressEvent(QMouseEvent* event) {
    m_renameTimer.stop();
    const QModelIndex index = indexAt(event->position().toPoint());
    // A press on a row's expanding arrow, left of its picture, opens or closes it and is no
    // click on its caption.
    const bool plain = event->button() == Qt::LeftButton && event->modifiers() == Qt::NoModifier &&
                       index.isValid() &&
                       event->position().x() >= visualRect(index.siblingAtColumn(0)).left();
    const bool selected = plain && selectionModel()->isSelected(index.siblingAtColumn(0));
    m_pressed = plain ? index.siblingAtColumn(0) : QModelIndex();
    m_pressedAlone = selected && selectedAlone(index);
    m_pressedAmongOthers = selected && !m_pressedAlone;
    m_dragged = false;
    QTreeView::mousePressEvent(event);
}

void EditorView::mouseReleaseEvent(QMouseEvent* event) {
    const QModelIndex index = indexAt(event->position().toPoint());
    const bool click = m_pressed.isValid() && !m_dragged && event->button() == Qt::LeftButton &&
                       index.isValid() && index.siblingAtColumn(0) == m_pressed;
    QTreeView::mouseReleaseEvent(event);
    if (click && m_pressedAmongOthers) {
        selectionModel()->setCurrentIndex(m_pressed, QItemSelectionModel::ClearAndSelect |
                                                         QItemSelectionModel::Rows);
    } else if (click && m_pressedAlone && !editing()) {
        m_renaming = m_pressed;
        m_renameTimer.start(QApplication::doubleClickInterval(), this);
    }
    m_pressed = QModelIndex();
}

void EditorView::mouseDoubleClickEvent(QMouseEvent* event) {
    m_renameTimer.stop();
    QTreeView::mouseDoubleClickEvent(event);
}

void EditorView::timerEvent(QTimerEvent* event) {
    if (event->timerId() != m_renameTimer.timerId()) {
        QTreeView::timerEvent(event);
        return;
    }
    m_renameTimer.stop();
    if (m_renaming.isValid() && selectedAlone(m_renaming) && !editing())
        editCaption(m_renaming);
}

// The veto comes just before an editor would open, however that was asked for: by a key or from
// code. A click on a selected row is handled above and never reaches Qt's own editing.
bool EditorView::edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) {
    if (trigger == SelectedClicked)
        return false;
    if (m_editingHandler && opensEditor(index, trigger) && !m_editingHandler(index))
        return false;
    return QTreeView::edit(index, trigger, event);
}

bool EditorView::selectedAlone(const QModelIndex& index) const {
    const QModelIndexList selected = selectionModel()->selectedIndexes();
    return !selected.isEmpty() &&
           std::all_of(selected.cbegin(), selected.cend(), [&index](const QModelIndex& i) {
               return i.row() == index.row() && i.parent() == index.parent();
           });
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
    return editTriggers().testFlag(trigger);
}

} // namespace quorvane
