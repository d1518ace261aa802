#pragma once

#include <QList>
#include <QString>

class QWidget;

namespace quorvane {

// One of the window's file dialogs. Whoever uses it sets title, filter, options and file name
// before every use, so nothing carries over from the last one. Tests answer it in advance.
class FileDialog {
public:
    enum class Mode { Open, Save };

    explicit FileDialog(Mode mode) : m_mode(mode) {}

    QString title;
    QString filter;
    QString initialDirectory;
    QString defaultSuffix; // added to a typed name without one
    QString fileName;      // the proposal on entry, the choice on success
    // When false, a chosen link is itself the choice rather than the file it points to.
    bool followLinks = true;

    // Shows the dialog; true when the user chose a file, whose name is then in fileName.
    bool execute(QWidget* parent);

    // The next dialog is not shown: it returns `fileName`, or is cancelled when that is empty.
    static void setNextFileName(const QString& fileName);

private:
    Mode m_mode;
    static QList<QString> s_nextFileNames;
};

} // namespace quorvane
