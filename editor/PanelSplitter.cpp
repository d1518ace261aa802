#include "editor/PanelSplitter.h"

#include "gui/ErrorHandler.h"

#include <QMouseEvent>
#include <QWidget>
#include <algorithm>

namespace quorvane {

PanelSplitter::PanelSplitter(Parts parts, int treeWidth, int panelWidth, int buttonRowHeight,
                             std::function<bool()> dragging)
    : m_parts(parts), m_dragging(std::move(dragging)), m_treeWidth(treeWidth),
      m_buttonRowHeight(buttonRowHeight) {
    m_parts.panel->installEventFilter(this);
    m_parts.splitter->installEventFilter(this);
    m_parts.buttonRow->installEventFilter(this);
    const int designedRoom = panelWidth - m_parts.splitter->width();
    if (designedRoom > 0)
        m_share = std::clamp(double(treeWidth) / designedRoom, 0.0, 1.0);
}

int PanelSplitter::room() const {
    return m_parts.panel->width() - m_parts.splitter->width();
}

void PanelSplitter::setTreeShare(int thousandths) {
    m_share = std::clamp(thousandths, 0, 1000) / 1000.0;
    layOut();
}

void PanelSplitter::press() {
    if (!m_dragging())
        m_splitting = true;
}

void PanelSplitter::moveTo(int x) {
    if (m_splitting)
        setTreeWidth(m_parts.tree->width() + x);
}

void PanelSplitter::release() {
    m_splitting = false;
}

bool PanelSplitter::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_parts.panel && event->type() == QEvent::Resize)
        layOut();
    // The buttons' font or texts changed: the row may need another height.
    if (watched == m_parts.buttonRow && event->type() == QEvent::LayoutRequest)
        layOut();
    if (watched == m_parts.splitter && splitterEvent(event))
        return true;
    return QObject::eventFilter(watched, event);
}

// The splitter gets the moves while its button is held, as the pointer is grabbed then. Only
// mouse events may be taken as one: the splitter gets resize and paint events too.
bool PanelSplitter::splitterEvent(QEvent* event) {
    switch (event->type()) {
    case QEvent::MouseButtonPress:
        if (static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton)
            guarded([this] { press(); });
        return true;
    case QEvent::MouseMove: {
        const int x = qRound(static_cast<QMouseEvent*>(event)->position().x());
        guarded([this, x] { moveTo(x); });
        return true;
    }
    case QEvent::MouseButtonRelease:
        if (static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton)
            guarded([this] { release(); });
        return true;
    default:
        return false;
    }
}

void PanelSplitter::layOut() {
    const int width = m_parts.panel->width();
    const int height = m_parts.panel->height();
    const int rowHeight = buttonRowHeight();
    const int top = std::max(0, height - rowHeight);
    m_parts.buttonRow->setGeometry(0, top, width, rowHeight);
    const int splitter = m_parts.splitter->width();
    m_treeWidth = qRound(m_share * std::max(0, room()));
    const int tree = std::clamp(m_treeWidth, 0, std::max(0, width - splitter));
    m_parts.tree->setGeometry(0, 0, tree, top);
    m_parts.splitter->setGeometry(tree, 0, splitter, top);
    m_parts.list->setGeometry(tree + splitter, 0, std::max(0, width - tree - splitter), top);
}

int PanelSplitter::buttonRowHeight() const {
    return std::max(m_buttonRowHeight, m_parts.buttonRow->sizeHint().height());
}

// The tree may not go below nothing nor push the splitter out of reach on the right.
void PanelSplitter::setTreeWidth(int width) {
    if (room() > 0)
        m_share = double(std::clamp(width, 0, room())) / room();
    layOut();
}

} // namespace quorvane
