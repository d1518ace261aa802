// The single-instance guard's socket on Windows, a named pipe through Qt's local sockets.
#include "app/SingleInstance.h"
#include "app/SingleInstanceKnock.h"

#include <QDeadlineTimer>
#include <QLocalServer>
#include <QLocalSocket>
#include <QThread>

namespace quorvane {

namespace {} // namespace

struct SingleInstance::Listener {
    QLocalServer* server = nullptr;
};

void SingleInstance::EndListening::operator()(Listener* listener) const {
    delete listener;
}

void SingleInstance::listen() {
    QLocalServer::removeServer(serverName());
    auto* server = new QLocalServer(this);
    server->setSocketOptions(QLocalServer::UserAccessOption);
    connect(server, &QLocalServer::newConnection, this, &SingleInstance::acceptConnections);
    server->listen(serverName());
    m_listener.reset(new Listener{server});
}

void SingleInstance::askTheFirstToComeForward() const {
    const QDeadlineTimer deadline(knock::listenWaitMs);
    QLocalSocket probe;
    while (true) {
        probe.connectToServer(serverName());
        if (probe.waitForConnected(knock::probeTimeoutMs))
            break;
        if (deadline.hasExpired())
            return;
        QThread::msleep(knock::knockIntervalMs);
    }
    probe.write(knock::knockRequest());
    probe.waitForBytesWritten(knock::probeTimeoutMs);
    probe.disconnectFromServer();
    if (probe.state() != QLocalSocket::UnconnectedState)
        probe.waitForDisconnected(knock::probeTimeoutMs);
}

void SingleInstance::acceptConnections() {
    while (QLocalSocket* peer = m_listener->server->nextPendingConnection()) {
        connect(peer, &QLocalSocket::disconnected, peer, &QObject::deleteLater);
        connect(peer, &QLocalSocket::readyRead, this, [this, peer] {
            if (!peer->canReadLine())
                return;
            if (peer->readLine() == knock::knockRequest())
                emit activationRequested();
            peer->disconnectFromServer();
        });
    }
}

} // namespace quorvane
