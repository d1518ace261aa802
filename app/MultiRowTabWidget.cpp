#include "app/MultiRowTabWidget.h"

#include <QMouseEvent>
#include <QStyleOptionTab>
#include <QStylePainter>
#include <algorithm>

namespace quorvane {

namespace {

constexpr int textPaddingX = 6;
constexpr int textPaddingY = 4;

} // namespace

MultiRowTabBar::MultiRowTabBar(QWidget* parent) : QTabBar(parent) {
    // Qt's own one-row layout still runs underneath; it must neither cut texts nor scroll.
    setUsesScrollButtons(false);
    setElideMode(Qt::ElideNone);
    setExpanding(false);
    // Qt would track the pointer over its own layout of the tabs, not over these rows.
    setAttribute(Qt::WA_Hover, false);
    connect(this, &QTabBar::currentChanged, this, [this] { relayout(); });
}

int MultiRowTabBar::availableWidth() const {
    if (const auto* tabs = qobject_cast<const QTabWidget*>(parentWidget()))
        return tabs->width();
    return width();
}

QSize MultiRowTabBar::tabSizeHint(int index) const {
    const QFontMetrics metrics = fontMetrics();
    return {metrics.horizontalAdvance(tabText(index)) + 2 * textPaddingX,
            metrics.height() + 2 * textPaddingY};
}

int MultiRowTabBar::rowHeight() const {
    int height = 0;
    for (int i = 0; i < count(); ++i)
        height = std::max(height, tabSizeHint(i).height());
    return height;
}

std::vector<std::vector<int>> MultiRowTabBar::rows(int width) const {
    std::vector<std::vector<int>> rows;
    int used = 0;
    for (int i = 0; i < count(); ++i) {
        const int tab = tabSizeHint(i).width();
        if (rows.empty() || (used + tab > width && !rows.back().empty())) {
            rows.emplace_back();
            used = 0;
        }
        rows.back().push_back(i);
        used += tab;
    }
    return rows;
}

std::vector<QRect> MultiRowTabBar::layout(int width) const {
    std::vector<QRect> areas(static_cast<std::size_t>(count()));
    const std::vector<std::vector<int>> filled = rows(width);
    const int rowCount = static_cast<int>(filled.size());
    const int height = rowHeight();
    int currentRow = 0;
    for (int r = 0; r < rowCount; ++r)
        if (std::find(filled[r].begin(), filled[r].end(), currentIndex()) != filled[r].end())
            currentRow = r;
    for (int r = 0; r < rowCount; ++r) {
        const std::vector<int>& row = filled[static_cast<std::size_t>(r)];
        // The rows keep their cyclic order; the current tab's row comes last, next to the page.
        const int shownAt = (r - currentRow - 1 + 2 * rowCount) % rowCount;
        int used = 0;
        for (int i : row)
            used += tabSizeHint(i).width();
        // One row of tabs keeps their own widths; several rows fill the width, as Windows does.
        const int spare = rowCount > 1 ? std::max(0, width - used) : 0;
        int x = 0;
        for (std::size_t k = 0; k < row.size(); ++k) {
            const int share = static_cast<int>(
                spare * static_cast<long long>(k + 1) / static_cast<long long>(row.size()) -
                spare * static_cast<long long>(k) / static_cast<long long>(row.size()));
            const int tabWidth = tabSizeHint(row[k]).width() + share;
            areas[static_cast<std::size_t>(row[k])] = QRect(x, shownAt * height, tabWidth, height);
            x += tabWidth;
        }
    }
    return areas;
}

void MultiRowTabBar::relayout() {
    const int rowsBefore = rowCount();
    m_areas = layout(availableWidth());
    if (rowCount() != rowsBefore)
        updateGeometry();
    update();
}

QRect MultiRowTabBar::tabArea(int index) const {
    if (index < 0 || static_cast<std::size_t>(index) >= m_areas.size())
        return {};
    return m_areas[static_cast<std::size_t>(index)];
}

int MultiRowTabBar::rowCount() const {
    int bottom = 0;
    for (const QRect& area : m_areas)
        bottom = std::max(bottom, area.bottom() + 1);
    const int height = rowHeight();
    return height > 0 ? bottom / height : 0;
}

QSize MultiRowTabBar::sizeHint() const {
    const int width = availableWidth();
    return {width, static_cast<int>(rows(width).size()) * rowHeight()};
}

QSize MultiRowTabBar::minimumSizeHint() const {
    int widest = 0;
    for (int i = 0; i < count(); ++i)
        widest = std::max(widest, tabSizeHint(i).width());
    return {widest, sizeHint().height()};
}

void MultiRowTabBar::tabLayoutChange() {
    QTabBar::tabLayoutChange();
    relayout();
}

void MultiRowTabBar::resizeEvent(QResizeEvent* event) {
    QTabBar::resizeEvent(event);
    relayout();
}

void MultiRowTabBar::paintEvent(QPaintEvent*) {
    QStylePainter painter(this);
    const auto drawTab = [&](int i) {
        QStyleOptionTab option;
        initStyleOption(&option, i);
        option.rect = tabArea(i);
        // Each row is a bar of its own to the style: where a tab stands is told by its row.
        const bool first = option.rect.left() == 0;
        const bool last = option.rect.right() >= width() - 1 || i == count() - 1;
        option.position = first && last ? QStyleOptionTab::OnlyOneTab
                          : first       ? QStyleOptionTab::Beginning
                          : last        ? QStyleOptionTab::End
                                        : QStyleOptionTab::Middle;
        option.selectedPosition = QStyleOptionTab::NotAdjacent;
        // The style's label keeps a margin that a snug tab has no room for; the text is drawn
        // centred in the tab's shape instead.
        painter.drawControl(QStyle::CE_TabBarTabShape, option);
        painter.drawItemText(option.rect, Qt::AlignCenter, option.palette, isTabEnabled(i),
                             option.text, QPalette::WindowText);
        if (i == currentIndex() && hasFocus()) {
            QStyleOptionFocusRect focus;
            focus.initFrom(this);
            focus.rect = option.rect.adjusted(3, 3, -3, -3);
            painter.drawPrimitive(QStyle::PE_FrameFocusRect, focus);
        }
    };
    // The current tab last, so that it stands over its neighbours.
    for (int i = 0; i < count(); ++i)
        if (i != currentIndex())
            drawTab(i);
    if (currentIndex() >= 0)
        drawTab(currentIndex());
}

void MultiRowTabBar::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        event->ignore();
        return;
    }
    for (int i = 0; i < count(); ++i) {
        if (tabArea(i).contains(event->position().toPoint()) && isTabEnabled(i)) {
            setCurrentIndex(i);
            break;
        }
    }
    event->accept();
}

// Qt's own handling would act on its one-row layout: a press there picks other tabs.
void MultiRowTabBar::mouseMoveEvent(QMouseEvent* event) {
    event->accept();
}

void MultiRowTabBar::mouseReleaseEvent(QMouseEvent* event) {
    event->accept();
}

MultiRowTabWidget::MultiRowTabWidget(QWidget* parent)
    : QTabWidget(parent), m_bar(new MultiRowTabBar(this)) {
    setTabBar(m_bar);
}

} // namespace quorvane
