#pragma once

#include <QList>
#include <QMessageBox>
#include <QString>

namespace quorvane {

// Message boxes answered and file dialogs chosen in advance, so that a test never blocks on a
// modal window. While answers or choices are waiting, the next box or dialog takes the first of
// them instead of showing; once none waits, Qt's own show again.
class ScriptedDialogs {
public:
    struct Answered {
        QString caption;
        QString text;
    };

    // The next box is not shown: it is recorded and answered with `answer`.
    static void answerNextBox(QMessageBox::StandardButton answer);
    // Boxes answered in advance since the last call, oldest first.
    static QList<Answered> takeAnswered();
    // The next file dialog is not shown: it returns `fileName`, or is cancelled when that is
    // empty.
    static void chooseNextFile(const QString& fileName);
};

} // namespace quorvane
