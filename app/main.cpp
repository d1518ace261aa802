#include "app/Application.h"
#include "app/GetDir.h"
#include "app/PropSheet.h"
#include "app/SingleInstance.h"
#include "app/Startup.h"
#include "app/WindowRequests.h"
#include "editor/Quorvcfg.h"
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
    quorvane::WindowMessages setUpMessages(nullptr, &quorvane::TForm3::open);
    const quorvane::FirstRunSetup firstRun = [&setUpMessages](quorvane::Registry& store) {
        quorvane::runFirstRunSetup(store, quorvane::Installer::host(), setUpMessages);
    };
    quorvane::TForm1 form({registry, pool, programDirectory, firstRun});
    QObject::connect(&guard, &quorvane::SingleInstance::activationRequested, &form,
                     &quorvane::TForm1::bringToFront);
    // Closing the main window ends the program, whatever dialogs are open.
    QObject::connect(&form, &quorvane::TForm1::closed, &application, &QCoreApplication::quit,
                     Qt::QueuedConnection);

    quorvane::openWindowsOnRequest(form);

    // The properties dialog and the directory chooser are created here, hidden, and registered
    // with the window so that they follow it.
    quorvane::TPropSheets properties(registry, form);
    form.setPropertiesDialog(&properties);
    quorvane::TGetDirInfo chooser(form);
    form.setDirectoryChooser(&chooser);

    form.show();
    return QApplication::exec();
}
