#include "editor/DropTargetDelegate.h"

namespace quorvane {

DropTargetDelegate::DropTargetDelegate(DropTarget dropTarget, QObject* parent)
    : QStyledItemDelegate(parent), m_dropTarget(std::move(dropTarget)) {}

void DropTargetDelegate::initStyleOption(QStyleOptionViewItem* option,
                                         const QModelIndex& index) const {
    QStyledItemDelegate::initStyleOption(option, index);
    const QModelIndex target = m_dropTarget ? m_dropTarget() : QModelIndex();
    if (!target.isValid())
        return;
    // Every cell of the target's row, and only those.
    if (index.row() == target.row() && index.parent() == target.parent())
        option->state |= QStyle::State_Selected;
    else
        option->state &= ~QStyle::State_Selected;
}

} // namespace quorvane
