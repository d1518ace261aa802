#pragma once

#include <QString>
#include <string>
#include <string_view>

namespace quorvane {

// Captions are byte strings in the ANSI code page. Latin-1 maps every byte to one character and
// back, so a caption the user did not touch is stored again byte for byte.
inline QString ansiToQt(std::string_view text) {
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}
inline std::string qtToAnsi(const QString& text) {
    return text.toLatin1().toStdString();
}

// The internal drag format: the views accept drags only from each other, and the window reads
// what is dragged from their selections, so the payload carries nothing.
inline constexpr char entriesMimeType[] = "application/x-quorvane-entries";

} // namespace quorvane
