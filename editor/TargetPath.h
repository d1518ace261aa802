#pragma once

#include "editor/QtText.h"
#include "platform/Failure.h"

#include <QDir>
#include <QString>
#include <string>

namespace quorvane {

// A file or directory the user chose, as an item's target: in the platform's notation and in the
// Windows-1252 bytes the settings hold. A name with a character the code page has no byte for is
// refused: stored with a stand-in it would name some other file.
inline std::string targetPath(const QString& path) {
    const QString native = QDir::toNativeSeparators(path);
    try {
        return qtToAnsi(native);
    } catch (const Failure& refusal) {
        throw Failure("'" + native.toStdString() + "' cannot be used as a target. " +
                      refusal.what());
    }
}

} // namespace quorvane
