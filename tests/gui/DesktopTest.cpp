// The program on a desktop: a virtual X display with a window manager that frames its windows,
// driven as a user drives it. Skipped where Xvfb, openbox or xdotool is not installed.

#include "SettingsFixture.h"
#include "settings/Schema.h"
#include "settings/SettingsKey.h"
#include "store/HiveRegistry.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRect>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

using namespace quorvane;

namespace {

constexpr int waitMs = 20000;

// Xvfb picks a display number nobody uses and says which; openbox says when it has taken over.
class Desktop {
public:
    // Empty when the desktop is up, else why not.
    QString start() {
        for (const char* tool : {"Xvfb", "openbox", "xdotool"})
            if (QStandardPaths::findExecutable(QLatin1String(tool)).isEmpty())
                return QStringLiteral("%1 is not installed").arg(QLatin1String(tool));
        m_server.start(QStringLiteral("Xvfb"),
                       {QStringLiteral("-displayfd"), QStringLiteral("1"),
                        QStringLiteral("-screen"), QStringLiteral("0"),
                        QStringLiteral("1024x768x24"), QStringLiteral("-nolisten"),
                        QStringLiteral("tcp")});
        if (!m_server.waitForStarted() || !m_server.waitForReadyRead(waitMs))
            return QStringLiteral("Xvfb did not start");
        m_display = QLatin1Char(':') + QString::fromLatin1(m_server.readLine().trimmed());

        // Whatever the user running the tests has configured, Alt+F4 closes the active window.
        const QString config = m_folder.filePath(QStringLiteral("rc.xml"));
        QFile rc(config);
        if (!rc.open(QIODevice::WriteOnly) ||
            rc.write("<?xml version=\"1.0\"?>\n"
                     "<openbox_config xmlns=\"http://openbox.org/3.4/rc\"><keyboard>"
                     "<keybind key=\"A-F4\"><action name=\"Close\"/></keybind>"
                     "</keyboard></openbox_config>\n") < 0)
            return QStringLiteral("cannot write the window manager's settings");
        rc.close();
        const QString ready = m_folder.filePath(QStringLiteral("wm-ready"));
        m_manager.setProcessEnvironment(environment());
        m_manager.start(QStringLiteral("openbox"),
                        {QStringLiteral("--sm-disable"), QStringLiteral("--config-file"), config,
                         QStringLiteral("--startup"), QStringLiteral("touch ") + ready});
        if (!QTest::qWaitFor([&] { return QFileInfo::exists(ready); }, waitMs))
            return QStringLiteral("openbox did not start");
        return {};
    }

    ~Desktop() {
        for (QProcess* process : {&m_manager, &m_server}) {
            process->terminate();
            if (!process->waitForFinished(5000))
                process->kill();
            process->waitForFinished();
        }
    }

    QProcessEnvironment environment() const {
        QProcessEnvironment e = QProcessEnvironment::systemEnvironment();
        e.insert(QStringLiteral("DISPLAY"), m_display);
        e.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        // Under the sanitizers, the X libraries below Qt read strings past their ends in ways
        // the strict check reports, and keep buffers until exit; the program's own code is
        // checked by the offscreen tests, so here only its real faults may stop it.
        if (const QString asan = e.value(QStringLiteral("ASAN_OPTIONS")); !asan.isEmpty())
            e.insert(QStringLiteral("ASAN_OPTIONS"),
                     asan + QStringLiteral(":strict_string_checks=0:detect_leaks=0"));
        return e;
    }

    // Standard output of one xdotool command; empty when it failed.
    QString xdotool(const QStringList& args) const {
        QProcess tool;
        tool.setProcessEnvironment(environment());
        tool.start(QStringLiteral("xdotool"), args);
        if (!tool.waitForFinished(waitMs) || tool.exitCode() != 0) {
            tool.kill();
            tool.waitForFinished();
            return {};
        }
        return QString::fromLocal8Bit(tool.readAllStandardOutput()).trimmed();
    }

    // The size of the area inside the window's frame, as the X server has it.
    QSize clientSize(const QString& window) const {
        QSize size;
        for (const QString& line :
             xdotool({QStringLiteral("getwindowgeometry"), QStringLiteral("--shell"), window})
                 .split(QLatin1Char('\n'))) {
            if (line.startsWith(QLatin1String("WIDTH=")))
                size.setWidth(line.mid(6).toInt());
            else if (line.startsWith(QLatin1String("HEIGHT=")))
                size.setHeight(line.mid(7).toInt());
        }
        return size;
    }

private:
    QTemporaryDir m_folder;
    QProcess m_server;
    QProcess m_manager;
    QString m_display;
};

// One user's settings and folders.
class User {
public:
    User() {
        for (const char* name : {"config", "data", "cache", "runtime", "home"})
            QDir(m_home.path()).mkdir(QLatin1String(name));
        QFile::setPermissions(path("runtime"),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QDir().mkpath(path("config/quorvane"));
        HiveRegistry registry(hive());
        test::seedSettings(registry);
    }

    QString path(const char* name) const { return m_home.filePath(QLatin1String(name)); }
    std::string hive() const { return path("config/quorvane/HKEY_CLASSES_ROOT.reg").toStdString(); }

    void setPlacement(const QRect& outer) {
        HiveRegistry registry(hive());
        SettingsKey key(registry);
        key.writeInteger(value::windowLeft, outer.left());
        key.writeInteger(value::windowTop, outer.top());
        key.writeInteger(value::windowWidth, outer.width());
        key.writeInteger(value::windowHeight, outer.height());
        key.close();
    }
    std::string storedMenu() const {
        HiveRegistry registry(hive());
        return SettingsKey(registry).readString(value::theMenu);
    }
    QRect placement() const {
        HiveRegistry registry(hive());
        SettingsKey key(registry);
        return {key.readInteger(value::windowLeft), key.readInteger(value::windowTop),
                key.readInteger(value::windowWidth), key.readInteger(value::windowHeight)};
    }

    void addTo(QProcessEnvironment& e) const {
        e.insert(QStringLiteral("HOME"), path("home"));
        e.insert(QStringLiteral("XDG_CONFIG_HOME"), path("config"));
        e.insert(QStringLiteral("XDG_DATA_HOME"), path("data"));
        e.insert(QStringLiteral("XDG_CACHE_HOME"), path("cache"));
        e.insert(QStringLiteral("XDG_RUNTIME_DIR"), path("runtime"));
    }

private:
    QTemporaryDir m_home;
};

} // namespace

class DesktopTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void placementSurvivesStartAndClose_data();
    void placementSurvivesStartAndClose();
    void dragBelowTheLastEntryEndsTheMenu();

private:
    // Starts the program, waits for its window to take its frame into account, and closes it
    // as a user would, with the window manager's Alt+F4.
    // With `dragging`, the first entry of the menu is first pressed and carried in small steps,
    // as a hand moves, to the empty space below the last entry, and the close applies it.
    void startAndClose(const User& user, const QRect& expected, bool dragging = false);

    std::unique_ptr<Desktop> m_desktop;
};

void DesktopTest::initTestCase() {
    m_desktop = std::make_unique<Desktop>();
    if (const QString why = m_desktop->start(); !why.isEmpty())
        QSKIP(qPrintable(why + QStringLiteral("; the desktop checks need it")));
}

void DesktopTest::placementSurvivesStartAndClose_data() {
    QTest::addColumn<QRect>("stored");
    QTest::addColumn<QRect>("expected");
    QTest::newRow("design size") << QRect(100, 80, 578, 353) << QRect(100, 80, 578, 353);
    QTest::newRow("partly off the screen") << QRect(-60, -30, 578, 353) << QRect(0, 0, 578, 353);
    QTest::newRow("maximized elsewhere") << QRect(-4, -4, 1032, 776) << QRect(0, 0, 1024, 768);
}

// Every start restores the outer rectangle and every close stores it back: nothing grows by the
// frame from one start to the next.
void DesktopTest::placementSurvivesStartAndClose() {
    QFETCH(QRect, stored);
    QFETCH(QRect, expected);
    User user;
    user.setPlacement(stored);
    for (int start = 0; start < 3; ++start) {
        startAndClose(user, expected);
        if (QTest::currentTestFailed())
            return;
        QCOMPARE(user.placement(), expected);
    }
}

// A real drag with the mouse, in small steps as a hand moves: the first entry of the menu pressed
// and dragged to the empty space below the last one ends the menu's top level; closing then
// asks about the change, and Enter applies it.
void DesktopTest::dragBelowTheLastEntryEndsTheMenu() {
    User user;
    const QRect tall(100, 20, 578, 700);
    user.setPlacement(tall);
    startAndClose(user, tall, true);
    // Submenus are stored by caption; "Clipboard" was the last of them before the drag.
    const std::string menu = user.storedMenu();
    const std::size_t clipboard = menu.find("\"Clipboard\"");
    QVERIFY2(clipboard != std::string::npos && menu.find("\"Explore\"") > clipboard, menu.c_str());
}

void DesktopTest::startAndClose(const User& user, const QRect& expected, bool dragging) {
    QProcessEnvironment environment = m_desktop->environment();
    user.addTo(environment);
    QProcess program;
    program.setProcessEnvironment(environment);
    program.start(QStringLiteral(QUORVANE_SETUP_EXECUTABLE), {});
    QVERIFY(program.waitForStarted());
    const auto stop = qScopeGuard([&program] {
        if (program.state() != QProcess::NotRunning) {
            program.kill();
            program.waitForFinished();
        }
    });

    const QString window = m_desktop->xdotool(
        {QStringLiteral("search"), QStringLiteral("--sync"), QStringLiteral("--onlyvisible"),
         QStringLiteral("--pid"), QString::number(program.processId()), QStringLiteral("--name"),
         QStringLiteral("^Quorvane Setup$")});
    QVERIFY2(!window.isEmpty(), "the main window did not show");
    // Until the frame is known the window's own area has the outer size; then it shrinks by it.
    QVERIFY2(QTest::qWaitFor(
                 [&] {
                     const QSize client = m_desktop->clientSize(window);
                     return client.isValid() && client.width() < expected.width() &&
                            client.height() < expected.height();
                 },
                 waitMs),
             "the window did not fit its frame into the stored rectangle");

    m_desktop->xdotool({QStringLiteral("windowactivate"), QStringLiteral("--sync"), window});
    for (int y = 47; dragging && y <= 450; y += 20)
        m_desktop->xdotool({QStringLiteral("mousemove"), QStringLiteral("--window"), window,
                            QStringLiteral("70"), QString::number(y),
                            QLatin1String(y == 47        ? "mousedown"
                                          : y + 20 > 450 ? "mouseup"
                                                         : "sleep"),
                            QLatin1String(y + 20 > 450 || y == 47 ? "1" : "0.03")});
    QVERIFY2(!dragging || QTest::qWaitFor(
                              [&] {
                                  return m_desktop->xdotool({QStringLiteral("getwindowname"),
                                                             window}) == "Quorvane Setup *";
                              },
                              waitMs),
             "the drop changed nothing");
    m_desktop->xdotool(
        {QStringLiteral("key"), QStringLiteral("--clearmodifiers"), QStringLiteral("alt+F4")});
    const auto active = [&] { return m_desktop->xdotool({QStringLiteral("getactivewindow")}); };
    if (dragging) { // Enter answers the close question with Apply
        QVERIFY(QTest::qWaitFor([&] { return active() != window; }, waitMs));
        m_desktop->xdotool({QStringLiteral("key"), QStringLiteral("Return")});
    }
    QVERIFY2(program.waitForFinished(waitMs), "the program did not end on Alt+F4");
    QCOMPARE(program.exitStatus(), QProcess::NormalExit);
    QCOMPARE(program.exitCode(), 0);
}

QTEST_GUILESS_MAIN(DesktopTest)
#include "DesktopTest.moc"
