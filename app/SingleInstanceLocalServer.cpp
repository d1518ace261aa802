// The single-instance guard's socket on Windows, a named pipe through Qt's local sockets.
#include "app/SingleInstance.h"
#include "app/SingleInstanceKnock.h"

#include <QDeadlineTimer>
#include <QLocalServer>
#include <QLocalSocket>
#include <QThread>

namespace quorvane {

namespace {

const QByteArray activationRequest(knock::activationRequest.data(),
                                   qsizetype(knock::activationRequest.size()));
using knock::knockIntervalMs;
using knock::listenWaitMs;
using knock::probeTimeoutMs;

} // namespace

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
    while (QLocalSocket* peer = m_listener->server->nextPendingConnection()) {
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
