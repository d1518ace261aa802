#include "app/WindowRequests.h"

#include "app/AboutBox.h"
#include "app/HelpWindow.h"
#include "editor/MainWindow.h"
#include "gui/ErrorHandler.h"

namespace quorvane {

void openWindowsOnRequest(MainWindow& form) {
    QObject::connect(&form, &MainWindow::helpRequested, &form,
                     guard([] { HelpWindow::open(HelpWindow::helpFilePath()); }));
    QObject::connect(&form, &MainWindow::aboutRequested, &form, guard([] { AboutBox::showBox(); }));
}

} // namespace quorvane
