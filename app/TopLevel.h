#pragma once

#include <QSize>

class QWidget;

namespace quorvane {

// Puts the window's outer rectangle in the middle of the available area of its screen.
void centreOnScreen(QWidget& window);

// The forms are drawn for "MS Sans Serif", a narrow face of Windows. Where it is missing, the
// nearest match the font system finds is often a much wider face, and texts placed at fixed
// positions run past their bounds; Arial, or what stands in for it, keeps to the designed widths.
void keepDesignedWidths(QWidget& window);

// The window keeps the size it was drawn at, `designed`, and grows beyond it, in either direction,
// only as far as what its layout holds needs: a larger font or a longer translation never clips a
// control. A `resizable` window may also be made larger by the user; otherwise its size is fixed.
void holdDesignedSize(QWidget& window, QSize designed, bool resizable = false);

// Windows made on demand have no parent to take them down; they go when the event loop ends,
// while the application object still exists.
void deleteAtQuit(QWidget& window);

} // namespace quorvane
