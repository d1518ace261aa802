#include "app/SingleInstance.h"

#include "platform/InstanceLock.h"

#include <QDir>
#include <QFile>

namespace quorvane {

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
    listen();
    return true;
}

} // namespace quorvane
