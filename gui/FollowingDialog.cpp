#include "gui/FollowingDialog.h"

#include <QWidget>
#include <algorithm>

namespace quorvane {

namespace {

// Moves the program makes itself are remembered only this far back; one the window manager
// changed on the way never arrives as asked.
constexpr std::size_t placedLimit = 16;

} // namespace

// A position that is already the dialog's own gives no move to report back.
void FollowingOffset::moveTo(QPoint topLeft) {
    if (topLeft == m_dialog.pos())
        return;
    m_placed.push_back(topLeft);
    if (m_placed.size() > placedLimit)
        m_placed.erase(m_placed.begin());
    m_dialog.move(topLeft);
}

void FollowingOffset::moved() {
    const QPoint at = m_dialog.pos();
    const auto placed = std::find(m_placed.begin(), m_placed.end(), at);
    if (placed != m_placed.end()) {
        // The same place may be reported more than once; keep it until another one arrives.
        m_placed.erase(m_placed.begin(), placed);
        return;
    }
    if (!m_dialog.isVisible())
        return;
    m_placed.clear();
    m_offset = at - m_mainWindow.pos();
}

} // namespace quorvane
