#pragma once

#include <QTabBar>
#include <QTabWidget>
#include <vector>

namespace quorvane {

// A tab bar that never cuts a tab or scrolls one out of sight: tabs that do not fit in one row go
// on in further rows, each row then stretched to the full width, and the row of the current tab
// always lies next to the page, as Windows' page control shows its tabs.
class MultiRowTabBar : public QTabBar {
    Q_OBJECT
public:
    explicit MultiRowTabBar(QWidget* parent = nullptr);

    // Where the tab at `index` is drawn and takes clicks.
    QRect tabArea(int index) const;
    int rowCount() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    // As snug around the text as Windows' tabs, so that the rows leave the pages their room.
    QSize tabSizeHint(int index) const override;
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void tabLayoutChange() override;

private:
    // The tabs' indexes row by row, in tab order, for a bar `width` wide.
    std::vector<std::vector<int>> rows(int width) const;
    std::vector<QRect> layout(int width) const;
    // The width the bar gets: its tab widget's, as long as it has one.
    int availableWidth() const;
    int rowHeight() const;
    void relayout();

    std::vector<QRect> m_areas;
};

// The tab widget over a MultiRowTabBar.
class MultiRowTabWidget : public QTabWidget {
    Q_OBJECT
public:
    explicit MultiRowTabWidget(QWidget* parent = nullptr);

    MultiRowTabBar* multiRowTabBar() const { return m_bar; }

private:
    MultiRowTabBar* m_bar;
};

} // namespace quorvane
