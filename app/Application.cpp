#include "app/Application.h"

#include "editor/ErrorHandler.h"

namespace quorvane {

Application::Application(int& argc, char** argv) : QApplication(argc, argv) {}

bool Application::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& error) {
        reportFailure(error);
        return false;
    }
}

} // namespace quorvane
