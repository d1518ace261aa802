#pragma once

#include "platform/Failure.h"

#include <QDir>
#include <QString>
#include <string>

namespace quorvane {

// A file or directory the user chose, as an item's target: in the platform's notation and in the
// ANSI bytes the settings hold. A name with characters the code page has no byte for is refused:
// stored with stand-ins it would name some other file.
inline std::string targetPath(const QString& path) {
    const QString native = QDir::toNativeSeparators(path);
    const QByteArray bytes = native.toLatin1();
    if (QString::fromLatin1(bytes) != native)
        throw Failure(formatMessage("'%s' cannot be used: its name has characters outside the "
                                    "ANSI code page",
                                    native.toStdString()));
    return bytes.toStdString();
}

} // namespace quorvane
