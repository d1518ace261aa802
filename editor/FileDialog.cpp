#include "editor/FileDialog.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>

namespace quorvane {

FileChooser* FileDialog::s_chooser = nullptr;

namespace {

// Filters are written the way the program has always written them, "description|patterns|..."
// with patterns joined by ";"; Qt wants "description (patterns);;...". Qt shows what stands before
// the last parentheses when told to hide the patterns, so every description gets its patterns
// appended and is shown exactly as written, whether or not it names them itself.
QString qtFilter(const QString& filter) {
    if (!filter.contains(QLatin1Char('|')))
        return filter;
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QStringList patternList = parts[i + 1].split(QLatin1Char(';'));
        // On Windows "*.*" matches every file; here a name need not hold a dot.
        for (QString& pattern : patternList)
            if (pattern == QStringLiteral("*.*"))
                pattern = QStringLiteral("*");
        filters.append(parts[i] + QStringLiteral(" (") + patternList.join(QLatin1Char(' ')) +
                       QLatin1Char(')'));
    }
    return filters.join(QStringLiteral(";;"));
}

// The folder a dialog opens in: the one asked for when the user can write there (an installed
// program's folder is the system's), otherwise the user's home folder.
QString startFolder(const QString& asked) {
    const QFileInfo folder(asked);
    return folder.isDir() && folder.isWritable() ? asked : QDir::homePath();
}

} // namespace

bool FileDialog::execute(QWidget* parent) {
    QString chosen;
    if (s_chooser) {
        chosen = s_chooser->choose(*this, parent);
    } else {
        QFileDialog dialog(parent, title, QDir(startFolder(initialDirectory)).filePath(fileName),
                           qtFilter(filter));
        dialog.setAcceptMode(m_mode == Mode::Open ? QFileDialog::AcceptOpen
                                                  : QFileDialog::AcceptSave);
        dialog.setFileMode(m_mode == Mode::Open ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
        dialog.setDefaultSuffix(defaultSuffix);
        dialog.setOption(QFileDialog::DontResolveSymlinks, !followLinks);
        dialog.setOption(QFileDialog::HideNameFilterDetails, filter.contains(QLatin1Char('|')));
        if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty())
            chosen = dialog.selectedFiles().constFirst();
    }
    if (chosen.isEmpty())
        return false;
    fileName = chosen;
    return true;
}

} // namespace quorvane
