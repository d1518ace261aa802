#pragma once

#include <QObject>
#include <QString>
#include <memory>

namespace quorvane {

class InstanceLock;

// Names the marks of a running copy and the way to reach it.
inline constexpr char instanceName[] = "Unique Quorvane!";

// Lets one copy of the program run per user. The first copy takes a lock that it holds for as
// long as it runs, then listens on a local socket beside it; a later start finds the lock taken,
// asks the holder through the socket to come to the front, and ends.
class SingleInstance : public QObject {
    Q_OBJECT
public:
    // `directory` holds the lock and the socket and must be the user's alone; with none, no
    // guard is kept and every copy runs.
    explicit SingleInstance(QString directory, QObject* parent = nullptr);
    ~SingleInstance() override;

    // This user's private runtime directory; empty when there is none to be had.
    static QString defaultDirectory();

    // True when this is the first copy, which from now on holds the marks. False when another
    // copy runs; it has been asked to come to the front and this copy should end.
    bool claim();

    // Where the first copy listens.
    QString serverName() const;

signals:
    // A later start asked this copy to come to the front.
    void activationRequested();

private:
    void listen();
    void acceptConnections();
    void askTheFirstToComeForward() const;

    QString m_directory;
    std::unique_ptr<InstanceLock> m_lock;
    // Where this copy listens, once it holds the lock: a socket of the host's own kind, in a
    // source file of its own per host.
    struct Listener;
    struct EndListening {
        void operator()(Listener* listener) const;
    };
    std::unique_ptr<Listener, EndListening> m_listener;
};

} // namespace quorvane
