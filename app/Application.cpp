#include "app/Application.h"

#include "app/DeferredIconStyle.h"
#include "gui/ErrorHandler.h"

#include <QFont>
#include <QMetaObject>
#include <QWidget>

namespace quorvane {

namespace {

// The program's own windows are drawn in a stand-in for a small bitmap face whose letters sit on
// whole pixels, and full hinting draws the stand-in so too. It also rasterises each glyph once,
// where the desktop's usual light hinting rasterises it anew at every quarter pixel it lands on:
// that was the largest cost of the first drawing of the main window. A form sets its font first
// thing, before it makes anything that could measure a text, so the font is loaded only once;
// the children take it from the window, and a desktop's font change that reaches the window
// passes here again. Qt's standard dialogs keep the desktop's hinting.
void drawOnWholePixels(QWidget& widget) {
    // Each such form says so in its class, so that a new form needs no list here.
    if (!widget.isWindow() || widget.font().hintingPreference() == QFont::PreferFullHinting ||
        widget.metaObject()->indexOfClassInfo("DrawnOnWholePixels") < 0)
        return;
    QFont font = widget.font();
    font.setHintingPreference(QFont::PreferFullHinting);
    widget.setFont(font);
}

} // namespace

Application::Application(int& argc, char** argv) : QApplication(argc, argv) {
    // The launcher's name, by which the desktop matches the windows to it and its icon.
    setDesktopFileName(QStringLiteral("org.quorvane.QuorvaneSetup"));
    setStyle(new DeferredIconStyle(style()->name()));
}

bool Application::notify(QObject* receiver, QEvent* event) {
    if (event->type() == QEvent::FontChange && receiver->isWidgetType())
        drawOnWholePixels(*static_cast<QWidget*>(receiver));
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& error) {
        reportFailure(error);
        return false;
    }
}

} // namespace quorvane
