#pragma once

#include <QString>

class QWidget;

namespace quorvane {

class FileDialog;

// Lets the user choose a file as a file dialog asks; an empty name when the choice was cancelled.
class FileChooser {
public:
    virtual ~FileChooser() = default;
    virtual QString choose(const FileDialog& dialog, QWidget* parent) = 0;
};

// One of the window's file dialogs. Whoever uses it sets title, filter, options and file name
// before every use, so nothing carries over from the last one. Qt's file dialog shows it, unless
// another chooser stands in (the tests choose from a script).
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

    // Chooses through `chooser` from now on; null gives the choice back to Qt's dialog.
    static void setChooser(FileChooser* chooser) { s_chooser = chooser; }

private:
    Mode m_mode;
    static FileChooser* s_chooser;
};

} // namespace quorvane
