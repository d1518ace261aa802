#pragma once

#include "gui/QtText.h"
#include "menu/CommaText.h"
#include "platform/Failure.h"

#include <QDir>
#include <QString>
#include <string>

namespace quorvane {

// A file or directory the user chose, as an item's target: in the platform's notation and in the
// Windows-1252 bytes the settings hold. A name with a character the code page has no byte for is
// refused: stored with a stand-in it would name some other file. So is one with a line break,
// which could be stored but never saved to a menu file and loaded back.
inline std::string targetPath(const QString& path) {
    const QString native = QDir::toNativeSeparators(path);
    const std::string refused = "'" + native.toStdString() + "' cannot be used as a target. ";
    std::string target;
    try {
        target = qtToAnsi(native);
    } catch (const Failure& refusal) {
        throw Failure(refused + refusal.what());
    }
    if (holdsLineBreak(target))
        throw Failure(refused + "Its name holds a line break, which a menu file cannot keep.");
    return target;
}

} // namespace quorvane
