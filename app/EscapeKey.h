#pragma once

class QAbstractButton;
class QWidget;

namespace quorvane {

// Escape anywhere in `window` presses `button`, its Cancel.
void pressOnEscape(QWidget& window, QAbstractButton& button);

// Escape anywhere in `window` closes it.
void closeOnEscape(QWidget& window);

} // namespace quorvane
