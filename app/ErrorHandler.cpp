#include "app/ErrorHandler.h"

#include "app/MessageBoxes.h"

#include <QApplication>
#include <QUtf8StringView>

namespace quorvane {

void reportFailure(const std::exception& error) {
    MessageBoxes::failure(QApplication::activeWindow(), failureText(error.what()));
}

void guarded(const std::function<void()>& handler) {
    try {
        handler();
    } catch (const std::exception& error) {
        reportFailure(error);
    }
}

QString failureText(std::string_view text) {
    const auto size = static_cast<qsizetype>(text.size());
    if (QUtf8StringView(text.data(), size).isValidUtf8())
        return QString::fromUtf8(text.data(), size);
    return QString::fromLatin1(text.data(), size);
}

} // namespace quorvane
