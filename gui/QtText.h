#pragma once

#include "platform/Codepage.h"

#include <QString>
#include <string>
#include <string_view>

namespace quorvane {

// Stored texts are Windows-1252 bytes. Every byte has its character, so a caption the user did
// not touch is stored again byte for byte.
// The views ask for every caption again and again, so each byte goes straight to its character.
inline QString ansiToQt(std::string_view text) {
    QString out(static_cast<qsizetype>(text.size()), Qt::Uninitialized);
    QChar* to = out.data();
    for (const char byte : text)
        *to++ = QChar(static_cast<char16_t>(ansiCharacter(static_cast<unsigned char>(byte))));
    return out;
}
// Throws a Failure naming the first character Windows-1252 cannot hold.
inline std::string qtToAnsi(const QString& text) {
    const QByteArray utf8 = text.toUtf8();
    return utf8ToAnsi(std::string_view(utf8.constData(), static_cast<std::size_t>(utf8.size())));
}

// The text of a failure as the user reads it: file names from the system are UTF-8, while a
// settings text quoted in a message is Windows-1252 bytes.
inline QString failureText(std::string_view text) {
    const std::string utf8 = failureTextToUtf8(text);
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

} // namespace quorvane
