#include "editor/WindowPlacement.h"

#include "settings/Placement.h"

#include <QGuiApplication>
#include <QScreen>
#include <QTimer>
#include <QWidget>
#include <QWindow>

namespace quorvane {

namespace {

// How long after showing the window a frame from the window manager is waited for.
constexpr int frameWaitMs = 2000;

ScreenRect screenRect(const QRect& r) {
    return {r.x(), r.y(), r.width(), r.height()};
}

QRect qRect(const ScreenRect& r) {
    return {r.left, r.top, r.width, r.height};
}

// The screens' areas that panels and docks leave free, the window's own screen first.
std::vector<ScreenRect> availableAreas(const QScreen* own) {
    std::vector<ScreenRect> areas;
    if (own)
        areas.push_back(screenRect(own->availableGeometry()));
    for (const QScreen* screen : QGuiApplication::screens())
        if (screen != own)
            areas.push_back(screenRect(screen->availableGeometry()));
    return areas;
}

} // namespace

WindowPlacement::WindowPlacement(QWidget& window, Registry& registry, QSize designSize)
    : m_window(window), m_registry(registry), m_designSize(designSize) {}

// A missing value means nothing was ever stored and the window is centred, rather than put up
// with a width or height of nothing. A placement that would leave part of the window off every
// screen (stored under another arrangement of monitors, another scale factor, or maximized by
// another system) is brought onto the screen, so that its title bar can always be reached.
Arrangement WindowPlacement::restore() {
    const Arrangement arrangement = readArrangement(m_registry);
    const QScreen* screen = m_window.screen();
    const ScreenRect outer = readPlacement(m_registry)
                                 .value_or(centredOn(screenRect(screen->availableGeometry()),
                                                     m_designSize.width(), m_designSize.height()));
    setOuterGeometry(qRect(fitOnScreen(outer, availableAreas(screen), m_window.minimumWidth(),
                                       m_window.minimumHeight())));
    if (arrangement.maximized) {
        m_normalOuter = m_pendingOuter;
        m_window.setWindowState(m_window.windowState() | Qt::WindowMaximized);
    }
    return arrangement;
}

// While the window manager has not yet told the frame, the rectangle asked for is what the window
// is about to become, and what a close in that moment stores.
void WindowPlacement::save(Arrangement inside) {
    inside.maximized = m_window.isMaximized();
    QRect outer = m_pendingOuter.value_or(m_window.frameGeometry());
    if (inside.maximized && m_normalOuter) {
        outer = *m_normalOuter;
    } else if (inside.maximized) {
        // Opened maximized, the window never had its normal frame: the maximized one stands in.
        const QWindow* handle = m_window.windowHandle();
        const QMargins frame = !m_normalFrame.isNull() ? m_normalFrame
                               : handle                ? handle->frameMargins()
                                                       : QMargins();
        outer = m_window.normalGeometry().marginsAdded(frame);
    }
    writePlacement(m_registry, screenRect(outer), inside);
}

// The stored rectangle is the outer one, frame included. Qt's move() of a window places its
// frame, but resize() sizes the area inside it, and the frame is known only once the window
// manager has put one around the shown window. Until then the rectangle is kept and the size
// is set again as soon as the frame is known.
// `outer` is taken by value: the pending rectangle it may come from is reset on the way.
void WindowPlacement::setOuterGeometry(QRect outer) {
    const QWindow* handle = m_window.windowHandle();
    const QMargins margins = handle ? handle->frameMargins() : QMargins();
    const ScreenRect inside = insideFrame(
        screenRect(outer), {margins.left(), margins.top(), margins.right(), margins.bottom()});
    m_pendingOuter =
        m_window.isVisible() && !margins.isNull() ? std::nullopt : std::optional<QRect>(outer);
    m_window.resize(inside.width, inside.height);
    m_window.move(outer.topLeft());
}

// Without a window manager there is no frame, and the rectangle stands as set.
void WindowPlacement::movedOrResized() {
    if (m_normalOuter && m_window.isVisible() && !m_window.isMaximized()) {
        const QRect outer = *m_normalOuter;
        m_normalOuter.reset();
        setOuterGeometry(outer);
    }
    if (m_window.windowHandle() && !m_window.isMaximized() &&
        !m_window.windowHandle()->frameMargins().isNull())
        m_normalFrame = m_window.windowHandle()->frameMargins();
    if (!m_pendingOuter || !m_window.isVisible() || !m_window.windowHandle())
        return;
    // Maximized, the window has the size the screen gives it; the rectangle is its normal one.
    if (m_window.isMaximized()) {
        m_pendingOuter.reset();
        return;
    }
    if (m_window.windowHandle()->frameMargins().isNull())
        return;
    setOuterGeometry(*m_pendingOuter);
}

void WindowPlacement::shown() {
    movedOrResized();
    // A frame that has not come by now will not come.
    QTimer::singleShot(frameWaitMs, &m_window, [this] { m_pendingOuter.reset(); });
}

} // namespace quorvane
