#include "app/EscapeKey.h"

#include <QAbstractButton>
#include <QShortcut>
#include <QWidget>

namespace quorvane {

namespace {

QShortcut& escapeIn(QWidget& window) {
    auto* shortcut = new QShortcut(QKeySequence(Qt::Key_Escape), &window);
    shortcut->setContext(Qt::WindowShortcut);
    return *shortcut;
}

} // namespace

void pressOnEscape(QWidget& window, QAbstractButton& button) {
    QObject::connect(&escapeIn(window), &QShortcut::activated, &button, &QAbstractButton::click);
}

void closeOnEscape(QWidget& window) {
    QObject::connect(&escapeIn(window), &QShortcut::activated, &window, &QWidget::close);
}

} // namespace quorvane
