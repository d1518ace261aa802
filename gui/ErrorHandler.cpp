#include "gui/ErrorHandler.h"

#include "gui/MessageBoxes.h"
#include "gui/QtText.h"
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

bool guardedAnswer(const std::function<bool()>& handler) {
    bool answer = false;
    guarded([&answer, &handler] { answer = handler(); });
    return answer;
}

} // namespace quorvane
