#pragma once

#include <QBasicTimer>
#include <QPersistentModelIndex>
#include <QPixmap>
#include <QTreeView>
#include <functional>

namespace quorvane {

// A view of the editor window that leaves every decision to the window: what a drag over it or a
// drop on it does, which keys it takes for itself and whether a caption may be edited. It keeps
// and shows its drop target, and accepts every drag of the editor's own entries.
class EditorView : public QTreeView {
    Q_OBJECT
public:
    // True when the window used the key; other keys keep the view's own behaviour.
    using KeyHandler = std::function<bool(int key, Qt::KeyboardModifiers modifiers)>;
    // False keeps the caption editor from opening.
    using EditingHandler = std::function<bool(const QModelIndex&)>;

    explicit EditorView(QWidget* parent = nullptr);

    // Gives the view a header that measures its titles in the font they are drawn in. Qt's own
    // measures them in bold, which loads a second face of the font at the first layout; a view
    // whose header is hidden never measures it, and keeps the one Qt made.
    void measureHeaderPlainly();

    // Opens the caption editor on `index`, unless the window refuses; true when it opened.
    bool editCaption(const QModelIndex& index) { return edit(index, AllEditTriggers, nullptr); }

    void setKeyHandler(KeyHandler handler) { m_keyHandler = std::move(handler); }
    void setEditingHandler(EditingHandler handler) { m_editingHandler = std::move(handler); }

    // Where a drop would put what it brings, drawn as a line at that place: as the first child
    // of the target, right after it, or after the view's last row at the top level.
    enum class DropMark { None, Into, After, AtEnd };

    // The row a drop would land on; shown highlighted, alone, while it is set.
    QModelIndex dropTarget() const { return m_dropTarget; }
    DropMark dropMark() const { return m_dropMark; }
    void setDropTarget(const QModelIndex& index, DropMark mark = DropMark::None);
    // While set, a drag over the view shows the "no" cursor and Qt delivers no drop.
    void setDropRefused(bool refused) { m_dropRefused = refused; }
    bool dropRefused() const { return m_dropRefused; }
    // The lowest row shown; a point below it is the empty space under the last entry.
    QModelIndex lastShownRow() const;

    // A caption editor is open.
    bool editing() const { return state() == EditingState; }

    // What follows the pointer while `entries` are dragged, and where: the pointer's place in
    // the picture, which lies right of the pointer and below the row under it, so that the
    // highlighted drop target stays in sight.
    struct DragImage {
        QPixmap pixmap;
        QPoint hotSpot;
    };
    DragImage dragImage(const QModelIndexList& entries) const;

signals:
    void dragStarted();
    // The drag that started here is over, whether it was dropped anywhere or given up.
    void dragFinished();
    void dragEntered(QPoint position);
    void dragMoved(QPoint position);
    // `source` is the view the drag came from; null for a drag from outside the program.
    void dropped(QWidget* source);

protected:
    void startDrag(Qt::DropActions supportedActions) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void timerEvent(QTimerEvent* event) override;
    bool edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void drawRow(QPainter* painter, const QStyleOptionViewItem& option,
                 const QModelIndex& index) const override;

private:
    bool opensEditor(const QModelIndex& index, EditTrigger trigger) const;
    bool selectedAlone(const QModelIndex& index) const;

    KeyHandler m_keyHandler;
    EditingHandler m_editingHandler;
    QPersistentModelIndex m_dropTarget;
    DropMark m_dropMark = DropMark::None;
    bool m_dropRefused = false;

    // A plain left press, until its release: the row pressed, and whether it was the only
    // selected row or one of several.
    QPersistentModelIndex m_pressed;
    bool m_pressedAlone = false;
    bool m_pressedAmongOthers = false;
    bool m_dragged = false;
    // A click on the only selected row renames it, once no double-click has followed.
    QBasicTimer m_renameTimer;
    QPersistentModelIndex m_renaming;
};

} // namespace quorvane
