#include "app/ErrorHandler.h"

#include "app/MessageBoxes.h"
#include "platform/Codepage.h"
#include "platform/Failure.h"

#include <QApplication>

namespace quorvane {

void reportFailure(const std::exception& error) {
    MessageBoxes::failure(QApplication::activeWindow(), failureText(userMessage(error)));
}

void guarded(const std::function<void()>& handler) {
    try {
        handler();
    } catch (const std::exception& error) {
        reportFailure(error);
    }
}

QString failureText(std::string_view text) {
    const std::string utf8 = failureTextToUtf8(text);
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

} // namespace quorvane
