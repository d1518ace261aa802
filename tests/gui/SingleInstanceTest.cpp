#include "app/SingleInstance.h"

#include "SettingsFixture.h"
#include "editor/MainWindow.h"
#include "menu/RecordPool.h"
#include "platform/InstanceLock.h"
#include "store/HiveRegistry.h"
#include "support/MemoryRegistry.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <cstring>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

using namespace quorvane;

namespace {

QString markerIn(const QTemporaryDir& dir) {
    return dir.filePath(QLatin1String(instanceName));
}

// What a copy that crashed leaves behind: a socket file nobody listens on.
void leaveDeadSocket(const QString& path) {
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    QVERIFY(fd >= 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const QByteArray bytes = QFile::encodeName(path);
    QVERIFY(static_cast<std::size_t>(bytes.size()) < sizeof address.sun_path);
    std::memcpy(address.sun_path, bytes.constData(), static_cast<std::size_t>(bytes.size()));
    QCOMPARE(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ::close(fd);
    QVERIFY(QFileInfo::exists(path));
}

bool someoneListens(const QString& path) {
    QLocalSocket probe;
    probe.connectToServer(path);
    return probe.waitForConnected(1000);
}

QByteArray contents(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Points an environment variable elsewhere for one test.
class Variable {
public:
    Variable(const char* name, const QString& value)
        : m_name(name), m_old(qgetenv(name)), m_wasSet(qEnvironmentVariableIsSet(name)) {
        qputenv(name, QFile::encodeName(value));
    }
    ~Variable() {
        if (m_wasSet)
            qputenv(m_name, m_old);
        else
            qunsetenv(m_name);
    }

private:
    const char* m_name;
    QByteArray m_old;
    bool m_wasSet;
};

} // namespace

class SingleInstanceTest : public QObject {
    Q_OBJECT
private slots:
    void laterStartAsksTheFirstToComeForward();
    void markerLeftByACrashIsTakenOver_data();
    void markerLeftByACrashIsTakenOver();
    void copiesStartedTogetherNeverBothRun();
    void squattedRuntimeDirectoryDoesNotStopTheStart_data();
    void squattedRuntimeDirectoryDoesNotStopTheStart();
    void activationBringsTheWindowBack_data();
    void activationBringsTheWindowBack();
    void secondCopyEndsWithoutTouchingAnything_data();
    void secondCopyEndsWithoutTouchingAnything();
};

void SingleInstanceTest::laterStartAsksTheFirstToComeForward() {
    QTemporaryDir runtime;
    SingleInstance first(runtime.path());
    QVERIFY(first.claim());
    QCOMPARE(first.serverName(), markerIn(runtime));
    QSignalSpy asked(&first, &SingleInstance::activationRequested);

    SingleInstance second(runtime.path());
    QVERIFY(!second.claim());
    QTRY_COMPARE(asked.count(), 1);
    SingleInstance third(runtime.path());
    QVERIFY(!third.claim());
    QTRY_COMPARE(asked.count(), 2);
}

void SingleInstanceTest::markerLeftByACrashIsTakenOver_data() {
    QTest::addColumn<QString>("left");
    QTest::newRow("dead socket") << "socket";
    QTest::newRow("plain file") << "file";
    QTest::newRow("lock file nobody holds") << "lock";
}

void SingleInstanceTest::markerLeftByACrashIsTakenOver() {
    QFETCH(QString, left);
    QTemporaryDir runtime;
    const QString marker = markerIn(runtime);
    if (left == "socket") {
        leaveDeadSocket(marker);
    } else {
        QFile file(left == "lock" ? marker + QStringLiteral(".lock") : marker);
        QVERIFY(file.open(QIODevice::WriteOnly));
    }

    SingleInstance guard(runtime.path());
    QVERIFY(guard.claim());
    QVERIFY(someoneListens(marker));
}

// Both copies take the same step at the same moment: only the lock decides, and the one that
// lost still reaches the winner, which may not be listening yet.
void SingleInstanceTest::copiesStartedTogetherNeverBothRun() {
    QTemporaryDir runtime;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime.path());
    for (int attempt = 0; attempt < 30; ++attempt) {
        QProcess copies[2];
        for (QProcess& copy : copies) {
            copy.setProcessEnvironment(environment);
            copy.start(QStringLiteral(QUORVANE_INSTANCE_PROBE), {});
            QVERIFY(copy.waitForStarted());
        }
        // Written out to both before either is waited for, so that they claim at once.
        for (QProcess& copy : copies)
            copy.write("go\n");
        for (QProcess& copy : copies)
            QVERIFY(copy.waitForBytesWritten());
        const auto stop = qScopeGuard([&copies] {
            for (QProcess& copy : copies) {
                copy.kill();
                copy.waitForFinished();
            }
        });
        QStringList said;
        for (QProcess& copy : copies) {
            QVERIFY(QTest::qWaitFor([&copy] { return copy.canReadLine(); }, 20000));
            said << QString::fromLatin1(copy.readLine());
        }
        QProcess& first = said[0] == QStringLiteral("first\n") ? copies[0] : copies[1];
        said.sort();
        QCOMPARE(said, (QStringList{"first\n", "second\n"}));
        for (QProcess& copy : copies) {
            QVERIFY(copy.state() == QProcess::NotRunning || copy.waitForFinished(20000));
            QCOMPARE(copy.exitStatus(), QProcess::NormalExit);
            QCOMPARE(copy.exitCode(), 0);
        }
        QCOMPARE(first.readAll(), QByteArray("activated\n"));
    }
}

void SingleInstanceTest::squattedRuntimeDirectoryDoesNotStopTheStart_data() {
    QTest::addColumn<QFile::Permissions>("permissions");
    QTest::addColumn<bool>("otherUser");
    const QFile::Permissions shared = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                      QFile::ReadGroup | QFile::WriteGroup | QFile::ExeGroup |
                                      QFile::ReadOther | QFile::WriteOther | QFile::ExeOther;
    QTest::newRow("everyone's folder") << shared << false;
    QTest::newRow("another user's folder")
        << (QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner) << true;
}

// Whoever can write the runtime directory can put up the instance's lock and socket there; a
// start that believed them would end at once, silently. Such a folder is not used.
void SingleInstanceTest::squattedRuntimeDirectoryDoesNotStopTheStart() {
    QFETCH(QFile::Permissions, permissions);
    QFETCH(bool, otherUser);
    if (otherUser && ::geteuid() != 0)
        QSKIP("only root can give a folder to another user");
    QTemporaryDir base;
    const QString squatted = base.filePath(QStringLiteral("runtime"));
    QVERIFY(QDir().mkdir(squatted));
    const QString socket = QDir(squatted).filePath(QLatin1String(instanceName));
    const InstanceLock squattersLock(
        QFile::encodeName(socket + QStringLiteral(".lock")).toStdString());
    QCOMPARE(squattersLock.state(), InstanceLock::State::Held);
    QLocalServer squatter;
    QVERIFY(squatter.listen(socket));
    QVERIFY(QFile::setPermissions(squatted, permissions));
    if (otherUser)
        QCOMPARE(::chown(QFile::encodeName(squatted).constData(), 65534, 65534), 0);

    const Variable runtime("XDG_RUNTIME_DIR", squatted);
    const Variable cache("XDG_CACHE_HOME", base.filePath(QStringLiteral("cache")));
    SingleInstance guard(SingleInstance::defaultDirectory());
    QVERIFY(guard.claim());
    QVERIFY(guard.serverName().startsWith(base.filePath(QStringLiteral("cache/"))));
    QVERIFY(someoneListens(guard.serverName()));
    QVERIFY(!squatter.hasPendingConnections());
}

void SingleInstanceTest::activationBringsTheWindowBack_data() {
    QTest::addColumn<Qt::WindowState>("before");
    QTest::addColumn<Qt::WindowState>("after");
    QTest::newRow("minimized") << Qt::WindowMinimized << Qt::WindowNoState;
    QTest::newRow("maximized") << Qt::WindowMaximized << Qt::WindowMaximized;
    QTest::newRow("normal") << Qt::WindowNoState << Qt::WindowNoState;
}

void SingleInstanceTest::activationBringsTheWindowBack() {
    QFETCH(Qt::WindowState, before);
    QFETCH(Qt::WindowState, after);
    test::MemoryRegistry registry;
    test::seedSettings(registry);
    RecordPool pool;
    MainWindow form({registry, pool, QStringLiteral("/prog/"), {}});
    form.setWindowState(before);
    form.show();

    QTemporaryDir runtime;
    SingleInstance first(runtime.path());
    QVERIFY(first.claim());
    connect(&first, &SingleInstance::activationRequested, &form, &MainWindow::bringToFront);
    QSignalSpy asked(&first, &SingleInstance::activationRequested);
    SingleInstance second(runtime.path());
    QVERIFY(!second.claim());
    QTRY_COMPARE(asked.count(), 1);
    QCOMPARE(form.windowState(), after);
    QVERIFY(form.isVisible());
}

void SingleInstanceTest::secondCopyEndsWithoutTouchingAnything_data() {
    QTest::addColumn<bool>("sharedSettings");
    QTest::newRow("same settings") << true;
    // A copy that read its settings would create them here, and stop at a box about them.
    QTest::newRow("empty settings of its own") << false;
}

void SingleInstanceTest::secondCopyEndsWithoutTouchingAnything() {
    QFETCH(bool, sharedSettings);
    QTemporaryDir runtime, firstConfig, secondConfig;
    QVERIFY(QFile::setPermissions(runtime.path(),
                                  QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    const QString hive = firstConfig.filePath(QStringLiteral("quorvane/HKEY_CLASSES_ROOT.reg"));
    {
        QDir().mkpath(QFileInfo(hive).path());
        HiveRegistry registry(hive.toStdString());
        test::seedSettings(registry);
    }

    auto environment = [&](const QTemporaryDir& config) {
        QProcessEnvironment e = QProcessEnvironment::systemEnvironment();
        e.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        e.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime.path());
        e.insert(QStringLiteral("XDG_CONFIG_HOME"), config.path());
        // Should first-run set-up ever run here, the help file goes to the test's folder.
        e.insert(QStringLiteral("XDG_DATA_HOME"), config.path() + QStringLiteral("/data"));
        return e;
    };
    QProcess first;
    first.setProcessEnvironment(environment(firstConfig));
    first.start(QStringLiteral(QUORVANE_SETUP_EXECUTABLE), {});
    QVERIFY(first.waitForStarted());
    QTRY_VERIFY_WITH_TIMEOUT(someoneListens(markerIn(runtime)), 60000);
    const QByteArray hiveBefore = contents(hive);
    const QDateTime modifiedBefore = QFileInfo(hive).lastModified();
    QVERIFY(!hiveBefore.isEmpty());

    QProcess second;
    second.setProcessEnvironment(environment(sharedSettings ? firstConfig : secondConfig));
    second.start(QStringLiteral(QUORVANE_SETUP_EXECUTABLE), {});
    const bool ended = second.waitForFinished(60000);
    if (!ended)
        second.kill();
    QVERIFY2(ended, "the second copy did not end by itself");
    QCOMPARE(second.exitStatus(), QProcess::NormalExit);
    QCOMPARE(second.exitCode(), 0);

    QCOMPARE(contents(hive), hiveBefore);
    QCOMPARE(QFileInfo(hive).lastModified(), modifiedBefore);
    QCOMPARE(QDir(secondConfig.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries),
             QStringList());
    QCOMPARE(first.state(), QProcess::Running);

    // A copy that is killed leaves its marker; the next start runs as the first all the same.
    first.kill();
    QVERIFY(first.waitForFinished());
    QVERIFY(QFileInfo::exists(markerIn(runtime)));
    QVERIFY(!someoneListens(markerIn(runtime)));
    QProcess next;
    next.setProcessEnvironment(environment(firstConfig));
    next.start(QStringLiteral(QUORVANE_SETUP_EXECUTABLE), {});
    QVERIFY(next.waitForStarted());
    QTRY_VERIFY_WITH_TIMEOUT(someoneListens(markerIn(runtime)), 60000);
    QCOMPARE(next.state(), QProcess::Running);
    next.kill();
    QVERIFY(next.waitForFinished());
}

QTEST_MAIN(SingleInstanceTest)
#include "SingleInstanceTest.moc"
