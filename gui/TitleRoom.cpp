#include "gui/TitleRoom.h"

#include <QFontMetrics>
#include <QWidget>

namespace quorvane {

namespace {

// What a window manager's title bar puts beside the caption: the window's icon and its buttons.
constexpr int titleBarRoom = 120;

} // namespace

int widthForTitle(const QWidget& window, const QString& caption) {
    QFont bold = window.font();
    bold.setBold(true);
    return QFontMetrics(bold).horizontalAdvance(caption) + titleBarRoom;
}

} // namespace quorvane
