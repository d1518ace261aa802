// The single-instance guard's socket off Windows: a plain local socket rather than Qt's network
// module, which with the libraries it brings would be loaded and linked at every start for this
// one socket.
#include "app/SingleInstance.h"
#include "app/SingleInstanceKnock.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QSocketNotifier>
#include <QThread>
#include <cerrno>
#include <cstring>
#include <memory>
#include <optional>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace quorvane {

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

// The listening socket; it goes with the guard, and so does its name in the folder.
struct SingleInstance::Listener {
    int fd = -1;
    QByteArray path;
    ~Listener() {
        ::close(fd);
        ::unlink(path.constData());
    }
};

void SingleInstance::EndListening::operator()(Listener* listener) const {
    delete listener;
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
    m_listener.reset(new Listener{fd, QByteArray(address->sun_path)});
    auto* notifier = new QSocketNotifier(fd, QSocketNotifier::Read, this);
    connect(notifier, &QSocketNotifier::activated, this, &SingleInstance::acceptConnections);
}

void SingleInstance::askTheFirstToComeForward() const {
    const auto address = socketAddress(serverName());
    if (!address)
        return;
    const QDeadlineTimer deadline(knock::listenWaitMs);
    for (;;) {
        const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (fd < 0)
            return;
        if (::connect(fd, reinterpret_cast<const sockaddr*>(&*address), sizeof *address) == 0) {
            const timeval timeout{knock::probeTimeoutMs / 1000, 0};
            ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &timeout, sizeof timeout);
            const ssize_t written = ::send(fd, knock::activationRequest.data(),
                                           knock::activationRequest.size(), MSG_NOSIGNAL);
            Q_UNUSED(written); // nothing more can be done for a copy that does not listen
            ::close(fd);
            return;
        }
        ::close(fd);
        if (deadline.hasExpired())
            return;
        QThread::msleep(knock::knockIntervalMs);
    }
}

// A knock is one short line; whoever sends anything else, or nothing, is sent away.
void SingleInstance::acceptConnections() {
    for (;;) {
        const int peer = ::accept4(m_listener->fd, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
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
            const bool ended = n <= 0 || received->contains('\n') ||
                               received->size() > knock::knockRequest().size();
            if (!ended)
                return;
            notifier->setEnabled(false);
            notifier->deleteLater();
            ::close(peer);
            if (*received == knock::knockRequest())
                emit activationRequested();
        });
    }
}

} // namespace quorvane
