#include "editor/DropTargetDelegate.h"

#include <QStyle>
#include <QWidget>

namespace quorvane {

namespace {

// Renames add texts; past this many the sizes are simply measured again.
constexpr qsizetype maximumKept = 4096;

} // namespace

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

// A cell's size depends on its text, whether it has a picture, and the font, picture size and
// style, which are the view's own, as the models set none of them; the sizes kept go when one of
// those changes.
QSize DropTargetDelegate::sizeHint(const QStyleOptionViewItem& option,
                                   const QModelIndex& index) const {
    if (option.font != m_font || option.decorationSize != m_pictureSize ||
        option.widget != m_widget || (option.widget && option.widget->style() != m_style)) {
        m_sizes.clear();
        m_font = option.font;
        m_pictureSize = option.decorationSize;
        m_widget = option.widget;
        m_style = option.widget ? option.widget->style() : nullptr;
    }
    const QString text = index.data(Qt::DisplayRole).toString();
    const bool picture = !index.data(Qt::DecorationRole).isNull();
    const QString key = text + QChar(picture ? u'+' : u'-');
    if (const auto known = m_sizes.constFind(key); known != m_sizes.constEnd())
        return *known;
    if (m_sizes.size() >= maximumKept)
        m_sizes.clear();
    const QSize size = QStyledItemDelegate::sizeHint(option, index);
    m_sizes.insert(key, size);
    return size;
}

} // namespace quorvane
