#pragma once

#include <QString>

class QWidget;

namespace quorvane {

// How wide `window` must be for a title bar to show `caption` whole beside the window's icon and
// buttons. Title bars commonly show the caption in bold, so it is measured in bold.
int widthForTitle(const QWidget& window, const QString& caption);

} // namespace quorvane
