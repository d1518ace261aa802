#include "app/SingleInstance.h"

#include "platform/InstanceLock.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QThread>

#ifdef _WIN32
#include <QLocalServer>
#include <QLocalSocket>
#else
#include <QSocketNotifier>
#include <cerrno>
#include <cstring>
#include <memory>
#include <optional>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>
#endif

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
    listen();
    return true;
}

#ifndef _WIN32

// A plain local socket rather than Qt's network module: that module and the libraries it brings
// would be loaded and linked at every start for this one socket.
namespace {

// Empty when the path does not fit a socket address.
std::optional<sockaddr_un> socketAddress(const QString& path) {
    const QByteArray name = QFile::encodeName(path);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (name.size() >= qsizetype(sizeof address.sun_path))
        return std::nullopt;
    std::memcpy(address.sun_path, name.constData(), name.size());
    return address;
}

} // namespace

SingleInstance::~SingleInstance() {
    if (m_listener >= 0) {
        ::close(m_listener);
        ::unlink(QFile::encodeName(serverName()).constData());
    }
}

void SingleInstance::listen() {
    const auto address = socketAddress(serverName());
    if (!address)
        return;
    // Whatever socket is still there was left by a copy that ended without removing it: the lock
    // says no copy runs, and in a folder only this user can write nobody else put it there.
    ::unlink(address->sun_path);
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0)
        return;
    // Only this user may knock, whatever the folder lets others do.
    const mode_t previous = ::umask(0077);
    const bool bound =
        ::bind(fd, reinterpret_cast<const sockaddr*>(&*address), sizeof *address) == 0;
    ::umask(previous);
    if (!bound || ::listen(fd, 8) != 0) {
        ::close(fd);
        return;
    }
    m_listener = fd;
    auto* notifier = new QSocketNotifier(fd, QSocketNotifier::Read, this);
    connect(notifier, &QSocketNotifier::activated, this, &SingleInstance::acceptConnections);
}

void SingleInstance::askTheFirstToComeForward() const {
    const auto address = socketAddress(serverName());
    if (!address)
        return;
    const QDeadlineTimer deadline(listenWaitMs);
    for (;;) {
        const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (fd < 0)
            return;
        if (::connect(fd, reinterpret_cast<const sockaddr*>(&*address), sizeof *address) == 0) {
            const timeval timeout{probeTimeoutMs / 1000, 0};
            ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &timeout, sizeof timeout);
            const ssize_t written =
                ::send(fd, activationRequest.constData(), activationRequest.size(), MSG_NOSIGNAL);
            Q_UNUSED(written); // nothing more can be done for a copy that does not listen
            ::close(fd);
            return;
        }
        ::close(fd);
        if (deadline.hasExpired())
            return;
        QThread::msleep(knockIntervalMs);
    }
}

// A knock is one short line; whoever sends anything else, or nothing, is sent away.
void SingleInstance::acceptConnections() {
    for (;;) {
        const int peer = ::accept4(m_listener, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
        if (peer < 0)
            return;
        auto* notifier = new QSocketNotifier(peer, QSocketNotifier::Read, this);
        auto received = std::make_shared<QByteArray>();
        connect(notifier, &QSocketNotifier::activated, this, [this, notifier, peer, received] {
            char buffer[64];
            const ssize_t n = ::recv(peer, buffer, sizeof buffer, 0);
            if (n < 0 && (errno == EAGAIN || errno == EINTR))
                return;
            if (n > 0)
                received->append(buffer, n);
            const bool ended =
                n <= 0 || received->contains('\n') || received->size() > activationRequest.size();
            if (!ended)
                return;
            notifier->setEnabled(false);
            notifier->deleteLater();
            ::close(peer);
            if (*received == activationRequest)
                emit activationRequested();
        });
    }
}

#else

SingleInstance::~SingleInstance() = default;

void SingleInstance::listen() {
    QLocalServer::removeServer(serverName());
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    connect(m_server, &QLocalServer::newConnection, this, &SingleInstance::acceptConnections);
    m_server->listen(serverName());
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

#endif

} // namespace quorvane
