#pragma once

#include <QObject>
#include <QPoint>
#include <string>

namespace quorvane {

class EditorView;
class FileDialog;
class MainWindow;
class MenuNode;
class TAssoc;
class TargetFolderChooser;

// What an item points at, chosen by a double-click on it in the tree: a folder for Move To and
// Copy To items, in the directory chooser, a file for Run/Open and Send To items, in the file
// dialog. Each choice is a step of the history.
class TargetAssignment : public QObject {
public:
    TargetAssignment(MainWindow& window, EditorView& tree, FileDialog& fileDialog);

    void setDirectoryChooser(TargetFolderChooser* chooser);
    TargetFolderChooser* directoryChooser() const { return m_chooser; }

    // Any button: a double-click acts where the last press ended, whichever it was.
    void mouseReleased(QPoint position) { m_lastMouseUp = position; }
    void doubleClicked();
    // Opens the chooser of `node`'s kind: a folder's, a file's, or none.
    void chooseTarget(MenuNode* node);
    // `node` is leaving the tree (removed, in a removed subtree, or cleared by a reload).
    void nodeLeaving(MenuNode* node);

private:
    void chooseDirectory(MenuNode* node);
    void chooseFile(MenuNode* node);
    void setTarget(TAssoc* record, std::string target);

    MainWindow& m_window;
    EditorView& m_tree;
    FileDialog& m_fileDialog;
    TargetFolderChooser* m_chooser = nullptr;
    // In the tree's viewport, where a double-click looks for its node.
    QPoint m_lastMouseUp;
};

} // namespace quorvane
