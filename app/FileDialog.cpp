#include "app/FileDialog.h"

#include <QDir>
#include <QFileDialog>

namespace quorvane {

QList<QString> FileDialog::s_nextFileNames;

bool FileDialog::execute(QWidget* parent) {
    QString chosen;
    if (!s_nextFileNames.isEmpty()) {
        chosen = s_nextFileNames.takeFirst();
    } else {
        QFileDialog dialog(parent, title, QDir(initialDirectory).filePath(fileName), filter);
        dialog.setAcceptMode(m_mode == Mode::Open ? QFileDialog::AcceptOpen
                                                  : QFileDialog::AcceptSave);
        dialog.setFileMode(m_mode == Mode::Open ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
        dialog.setDefaultSuffix(defaultSuffix);
        if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty())
            chosen = dialog.selectedFiles().constFirst();
    }
    if (chosen.isEmpty())
        return false;
    fileName = chosen;
    return true;
}

void FileDialog::setNextFileName(const QString& fileName) {
    s_nextFileNames.append(fileName);
}

} // namespace quorvane
