#pragma once

#include <QObject>
#include <QString>

class QLocalServer;

namespace quorvane {

// Names the marker of a running copy and the way to reach it.
inline constexpr char instanceName[] = "Unique Quorvane!";

// Lets one copy of the program run per user. The first copy listens on a local socket named after
// the instance; a later start finds it listening, asks it to come to the front and ends.
class SingleInstance : public QObject {
    Q_OBJECT
public:
    explicit SingleInstance(QString serverName, QObject* parent = nullptr);

    // The instance name inside the user's runtime directory, so that each user has a copy.
    static QString defaultServerName();

    // True when this is the first copy, which from now on marks itself as running. False when
    // another copy runs; it has been asked to come to the front and this copy should end.
    bool claim();

signals:
    // A later start asked this copy to come to the front.
    void activationRequested();

private:
    void acceptConnections();

    QString m_serverName;
    QLocalServer* m_server = nullptr;
};

} // namespace quorvane
