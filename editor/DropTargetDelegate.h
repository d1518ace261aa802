#pragma once

#include <QStyledItemDelegate>
#include <functional>

namespace quorvane {

// Paints the drop target of a view as the one highlighted row, so that while something is
// dragged over the view the user sees where it would land rather than what is selected.
class DropTargetDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    // Returns the current drop target, invalid when there is none.
    using DropTarget = std::function<QModelIndex()>;

    explicit DropTargetDelegate(DropTarget dropTarget, QObject* parent = nullptr);

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override;

private:
    DropTarget m_dropTarget;
};

} // namespace quorvane
