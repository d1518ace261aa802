#include "app/Application.h"

#include "app/DeferredIconStyle.h"

#include "editor/ErrorHandler.h"

namespace quorvane {

Application::Application(int& argc, char** argv) : QApplication(argc, argv) {
    // The launcher's name, by which the desktop matches the windows to it and its icon.
    setDesktopFileName(QStringLiteral("org.quorvane.QuorvaneSetup"));
    setStyle(new DeferredIconStyle(style()->name()));
}

bool Application::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& error) {
        reportFailure(error);
        return false;
    }
}

} // namespace quorvane
