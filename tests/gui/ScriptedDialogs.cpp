#include "ScriptedDialogs.h"

#include "editor/FileDialog.h"
#include "gui/MessageBoxes.h"

#include <utility>

namespace quorvane {

namespace {

class ScriptedBoxes : public MessageBoxPresenter {
public:
    QList<QMessageBox::StandardButton> answers;
    QList<ScriptedDialogs::Answered> answered;

    QMessageBox::StandardButton present(QWidget*, QMessageBox::Icon, const QString& caption,
                                        const QString& text, QMessageBox::StandardButtons,
                                        QMessageBox::StandardButton) override {
        answered.append({caption, text});
        const QMessageBox::StandardButton answer = answers.takeFirst();
        if (answers.isEmpty())
            MessageBoxes::setPresenter(nullptr);
        return answer;
    }
};

class ScriptedFiles : public FileChooser {
public:
    QList<QString> fileNames;

    QString choose(const FileDialog&, QWidget*) override {
        QString chosen = fileNames.takeFirst();
        if (fileNames.isEmpty())
            FileDialog::setChooser(nullptr);
        return chosen;
    }
};

ScriptedBoxes boxes;
ScriptedFiles files;

} // namespace

void ScriptedDialogs::answerNextBox(QMessageBox::StandardButton answer) {
    boxes.answers.append(answer);
    MessageBoxes::setPresenter(&boxes);
}

QList<ScriptedDialogs::Answered> ScriptedDialogs::takeAnswered() {
    return std::exchange(boxes.answered, {});
}

void ScriptedDialogs::chooseNextFile(const QString& fileName) {
    files.fileNames.append(fileName);
    FileDialog::setChooser(&files);
}

} // namespace quorvane
