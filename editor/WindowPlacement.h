#pragma once

#include "settings/Placement.h"

#include <QMargins>
#include <QRect>
#include <QSize>
#include <optional>

class QWidget;

namespace quorvane {

class Registry;

// The main window's place on the screen, restored from the settings when it opens and stored
// when it closes, as its outer rectangle, frame included.
class WindowPlacement {
public:
    // `designSize` is the window's size when nothing was ever stored.
    WindowPlacement(QWidget& window, Registry& registry, QSize designSize);

    // Throws Failure when a stored value does not read. A window closed maximized opens
    // maximized; the rest of how it was arranged inside is returned, for the window to apply.
    Arrangement restore();
    // A maximized window stores the rectangle it had before, and that it was maximized.
    void save(Arrangement inside);

    // To be called when the window is shown, moved or resized: the window manager's frame
    // arrives some time after the window is shown, and only then can the outer size be set.
    void shown();
    void movedOrResized();

private:
    void setOuterGeometry(QRect outer);

    QWidget& m_window;
    Registry& m_registry;
    QSize m_designSize;
    // The outer rectangle asked for before the window had a frame to measure.
    std::optional<QRect> m_pendingOuter;
    // The frame around the window while it was last not maximized: a window manager may draw
    // a maximized window with less of one.
    QMargins m_normalFrame;
    // Opened maximized: the rectangle to store, and to take once no longer maximized, as the
    // window never had it while its frame was unknown.
    std::optional<QRect> m_normalOuter;
};

} // namespace quorvane
