#pragma once

#include <QList>
#include <QMessageBox>
#include <QString>

namespace quorvane {

// Every message box of the program is asked for here, so that a test can answer it beforehand
// instead of blocking on a modal window.
class MessageBoxes {
public:
    struct Answered {
        QString caption;
        QString text;
    };

    static QMessageBox::StandardButton
    show(QWidget* parent, QMessageBox::Icon icon, const QString& caption, const QString& text,
         QMessageBox::StandardButtons buttons,
         QMessageBox::StandardButton defaultButton = QMessageBox::NoButton);

    // What the program itself detects: caption "Quorvane", one OK button.
    static void message(QWidget* parent, const QString& text);
    // A failure that ended a handler, captioned with the application title.
    static void failure(QWidget* parent, const QString& text);

    // The next box is not shown: it is recorded and answered with `answer`.
    static void setNextAnswer(QMessageBox::StandardButton answer);
    // Boxes answered in advance since the last call, oldest first.
    static QList<Answered> takeAnswered();

private:
    static QList<QMessageBox::StandardButton> s_nextAnswers;
    static QList<Answered> s_answered;
};

} // namespace quorvane
