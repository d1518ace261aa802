#include "editor/DropTargetDelegate.h"

#include <QApplication>
#include <QPainter>
#include <QProxyStyle>
#include <QStyle>
#include <QWidget>
#include <utility>

namespace quorvane {

namespace {

// Renames add texts; past this many the sizes are simply measured again.
constexpr qsizetype maximumKept = 4096;

// Qt's own desktop styles draw a cell's text as the common style does; any other style may draw
// it its own way and is left to do so.
bool drawsTextAsCommonStyle(const QStyle* style) {
    while (const auto* proxy = qobject_cast<const QProxyStyle*>(style))
        style = proxy->baseStyle();
    const QString name = style ? style->name() : QString();
    return name.compare(u"fusion", Qt::CaseInsensitive) == 0 ||
           name.compare(u"windows", Qt::CaseInsensitive) == 0;
}

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

// The style lays a cell's text out three times to draw it (to place it, to see whether it must be
// cut short, and to draw it), which the first drawing of the window paid for every cell. A text
// that fits its cell on one line, which its kept size tells, is drawn here once instead, where
// and as the style would draw it; everything else about the cell, and any other text, is left
// to the style.
void DropTargetDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                               const QModelIndex& index) const {
    QStyleOptionViewItem cell = option;
    initStyleOption(&cell, index);
    const QWidget* widget = cell.widget;
    const QStyle* style = widget ? widget->style() : QApplication::style();
    constexpr auto laidOutByStyle =
        QStyleOptionViewItem::WrapText | QStyleOptionViewItem::HasCheckIndicator;
    const bool plain = !cell.text.isEmpty() && !(cell.features & laidOutByStyle) &&
                       !(cell.state & (QStyle::State_Editing | QStyle::State_HasFocus)) &&
                       cell.direction == Qt::LeftToRight &&
                       cell.decorationPosition == QStyleOptionViewItem::Left &&
                       cell.showDecorationSelected && !cell.text.contains(QChar::LineSeparator) &&
                       !cell.text.contains(u'\n') && drawsTextAsCommonStyle(style) &&
                       sizeHint(option, index).width() <= cell.rect.width();
    if (!plain) {
        style->drawControl(QStyle::CE_ItemViewItem, &cell, painter, widget);
        return;
    }
    // Without its text the style draws the rest as it would with it: when the selection covers
    // the picture too, the text has all the room beside it, whatever it says. (The focus frame
    // is drawn around the text, so the one cell that has it is left to the style.)
    const QString text = std::exchange(cell.text, QString());
    const int margin = style->pixelMetric(QStyle::PM_FocusFrameHMargin, &cell, widget) + 1;
    const QRect textRect = style->subElementRect(QStyle::SE_ItemViewItemText, &cell, widget)
                               .adjusted(margin, 0, -margin, 0);
    style->drawControl(QStyle::CE_ItemViewItem, &cell, painter, widget);

    QPalette::ColorGroup group =
        cell.state & QStyle::State_Enabled ? QPalette::Normal : QPalette::Disabled;
    if (group == QPalette::Normal && !(cell.state & QStyle::State_Active))
        group = QPalette::Inactive;
    painter->save();
    painter->setFont(cell.font);
    painter->setPen(cell.palette.color(
        group, cell.state & QStyle::State_Selected ? QPalette::HighlightedText : QPalette::Text));
    painter->drawText(textRect, int(cell.displayAlignment) | Qt::TextSingleLine, text);
    painter->restore();
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
