#pragma once

#include <QFont>
#include <QHash>
#include <QSize>
#include <QStyledItemDelegate>
#include <functional>

namespace quorvane {

// Paints the drop target of a view as the one highlighted row, so that while something is
// dragged over the view the user sees where it would land rather than what is selected.
//
// It also keeps the size each text takes: a view sized to its contents asks for the same cells
// again and again, and laying out a text anew each time was most of what showing the window
// cost. For the same reason it draws a text that fits its cell itself, under Qt's own styles.
class DropTargetDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    // Returns the current drop target, invalid when there is none.
    using DropTarget = std::function<QModelIndex()>;

    explicit DropTargetDelegate(DropTarget dropTarget, QObject* parent = nullptr);

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override;

private:
    DropTarget m_dropTarget;
    mutable QHash<QString, QSize> m_sizes;
    mutable QFont m_font;
    mutable QSize m_pictureSize;
    mutable const QWidget* m_widget = nullptr;
    mutable const QStyle* m_style = nullptr;
};

} // namespace quorvane
