#include "app/SingleInstance.h"

#include "platform/InstanceLock.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QThread>

namespace quorvane {

namespace {

const QByteArray activationRequest = QByteArrayLiteral("activate\n");
// A running copy answers a connection from its kernel backlog at once, even while a modal box
// keeps its event loop busy; this only bounds a system that is stuck.
constexpr int probeTimeoutMs = 3000;
// The first copy listens a moment after it took the lock; a copy started in that moment keeps
// knocking for this long.
constexpr int listenWaitMs = 5000;
constexpr int knockIntervalMs = 20;

} // namespace

SingleInstance::SingleInstance(QString directory, QObject* parent)
    : QObject(parent), m_directory(std::move(directory)) {}

SingleInstance::~SingleInstance() = default;

QString SingleInstance::defaultDirectory() {
    const auto directory = privateRuntimeDirectory();
    // string(), not c_str(): a Windows path holds wide characters.
    return directory ? QFile::decodeName(QByteArray::fromStdString(directory->string()))
                     : QString();
}

QString SingleInstance::serverName() const {
    return QDir(m_directory).filePath(QLatin1String(instanceName));
}

// Deciding by the lock alone makes two copies started together agree on which one runs: the
// lock is taken in one step, and only by one of them. The socket serves only to reach that one.
// A copy that cannot keep the marks at all still runs; later starts just do not find it.
bool SingleInstance::claim() {
    if (m_directory.isEmpty())
        return true;
    const QString lockFile = serverName() + QStringLiteral(".lock");
    m_lock = std::make_unique<InstanceLock>(QFile::encodeName(lockFile).toStdString());
    switch (m_lock->state()) {
    case InstanceLock::State::Unavailable:
        return true;
    case InstanceLock::State::HeldElsewhere:
        askTheFirstToComeForward();
        return false;
    case InstanceLock::State::Held:
        break;
    }
    // Whatever socket is still there was left by a copy that ended without removing it: the lock
    // says no copy runs, and in a folder only this user can write nobody else put it there.
    QLocalServer::removeServer(serverName());
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    connect(m_server, &QLocalServer::newConnection, this, &SingleInstance::acceptConnections);
    m_server->listen(serverName());
    return true;
}

void SingleInstance::askTheFirstToComeForward() const {
    const QDeadlineTimer deadline(listenWaitMs);
    QLocalSocket probe;
    while (true) {
        probe.connectToServer(serverName());
        if (probe.waitForConnected(probeTimeoutMs))
            break;
        if (deadline.hasExpired())
            return;
        QThread::msleep(knockIntervalMs);
    }
    probe.write(activationRequest);
    probe.waitForBytesWritten(probeTimeoutMs);
    probe.disconnectFromServer();
    if (probe.state() != QLocalSocket::UnconnectedState)
        probe.waitForDisconnected(probeTimeoutMs);
}

void SingleInstance::acceptConnections() {
    while (QLocalSocket* peer = m_server->nextPendingConnection()) {
        connect(peer, &QLocalSocket::disconnected, peer, &QObject::deleteLater);
        connect(peer, &QLocalSocket::readyRead, this, [this, peer] {
            if (!peer->canReadLine())
                return;
            if (peer->readLine() == activationRequest)
                emit activationRequested();
            peer->disconnectFromServer();
        });
    }
}

} // namespace quorvane
