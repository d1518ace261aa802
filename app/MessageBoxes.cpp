#include "app/MessageBoxes.h"

#include <QCoreApplication>

namespace quorvane {

QList<QMessageBox::StandardButton> MessageBoxes::s_nextAnswers;
QList<MessageBoxes::Answered> MessageBoxes::s_answered;

QMessageBox::StandardButton MessageBoxes::show(QWidget* parent, QMessageBox::Icon icon,
                                               const QString& caption, const QString& text,
                                               QMessageBox::StandardButtons buttons) {
    if (!s_nextAnswers.isEmpty()) {
        s_answered.append({caption, text});
        return s_nextAnswers.takeFirst();
    }
    QMessageBox box(icon, caption, text, buttons, parent);
    return static_cast<QMessageBox::StandardButton>(box.exec());
}

void MessageBoxes::message(QWidget* parent, const QString& text) {
    show(parent, QMessageBox::NoIcon, QStringLiteral("Quorvane"), text, QMessageBox::Ok);
}

void MessageBoxes::failure(QWidget* parent, const QString& text) {
    show(parent, QMessageBox::Critical, QCoreApplication::applicationName(), text, QMessageBox::Ok);
}

void MessageBoxes::setNextAnswer(QMessageBox::StandardButton answer) {
    s_nextAnswers.append(answer);
}

QList<MessageBoxes::Answered> MessageBoxes::takeAnswered() {
    return std::exchange(s_answered, {});
}

} // namespace quorvane
