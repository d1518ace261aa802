#include "app/SingleInstance.h"

#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QStandardPaths>

namespace quorvane {

namespace {

const QByteArray activationRequest = QByteArrayLiteral("activate\n");
// A running copy answers a connection from its kernel backlog at once, even while a modal box
// keeps its event loop busy; this only bounds a system that is stuck.
constexpr int probeTimeoutMs = 3000;

} // namespace

SingleInstance::SingleInstance(QString serverName, QObject* parent)
    : QObject(parent), m_serverName(std::move(serverName)) {}

QString SingleInstance::defaultServerName() {
    QString directory = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (directory.isEmpty())
        directory = QDir::tempPath();
    return directory + QLatin1Char('/') + QLatin1String(instanceName);
}

bool SingleInstance::claim() {
    QLocalSocket probe;
    probe.connectToServer(m_serverName);
    if (probe.waitForConnected(probeTimeoutMs)) {
        probe.write(activationRequest);
        probe.waitForBytesWritten(probeTimeoutMs);
        probe.disconnectFromServer();
        if (probe.state() != QLocalSocket::UnconnectedState)
            probe.waitForDisconnected(probeTimeoutMs);
        return false;
    }

    // Nobody listens: a marker still there was left by a copy that crashed, and gives way.
    QLocalServer::removeServer(m_serverName);
    m_server = new QLocalServer(this);
    connect(m_server, &QLocalServer::newConnection, this, &SingleInstance::acceptConnections);
    // A copy that cannot put up its marker still runs; later starts just do not find it.
    m_server->listen(m_serverName);
    return true;
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
