#include "app/Application.h"
#include "app/DirectoryChooser.h"
#include "app/FirstStartNotice.h"
#include "app/PropertiesDialog.h"
#include "app/SingleInstance.h"
#include "app/WindowRequests.h"
#include "editor/MainWindow.h"
#include "editor/WindowMessages.h"
#include "menu/RecordPool.h"
#include "settings/FirstRun.h"
#include "store/SettingsStore.h"

int main(int argc, char** argv) {
    quorvane::Application application(argc, argv);

    // Decided before any window exists or the settings are touched: a second copy only asks the
    // first to come forward and ends.
    quorvane::SingleInstance guard(quorvane::SingleInstance::defaultDirectory());
    if (!guard.claim())
        return 0;

    quorvane::RecordPool pool;
    const QString programDirectory = QCoreApplication::applicationDirPath() + QLatin1Char('/');

    // The application's name only: a display name would be appended to every window title.
    QCoreApplication::setApplicationName(QStringLiteral("Quorvane II"));

    const std::unique_ptr<quorvane::Registry> store = quorvane::openSettingsStore();
    quorvane::Registry& registry = *store;
    // First-run set-up speaks through boxes of no window's own: it runs before the main window is
    // shown.
    quorvane::WindowMessages setUpMessages(nullptr, &quorvane::FirstStartNotice::showNotice);
    const quorvane::FirstRunSetup firstRun = [&setUpMessages](quorvane::Registry& store) {
        quorvane::runFirstRunSetup(store, quorvane::Installer::host(), setUpMessages);
    };
    quorvane::MainWindow form({registry, pool, programDirectory, firstRun});
    QObject::connect(&guard, &quorvane::SingleInstance::activationRequested, &form,
                     &quorvane::MainWindow::bringToFront);
    // Closing the main window ends the program, whatever dialogs are open.
    QObject::connect(&form, &quorvane::MainWindow::closed, &application, &QCoreApplication::quit,
                     Qt::QueuedConnection);

    quorvane::openWindowsOnRequest(form);

    // The properties dialog and the directory chooser are created here, hidden, and registered
    // with the window so that they follow it.
    quorvane::PropertiesDialog properties(registry, form);
    form.setPropertiesDialog(&properties);
    quorvane::DirectoryChooser chooser(form);
    form.setDirectoryChooser(&chooser);

    form.show();
    return QApplication::exec();
}
