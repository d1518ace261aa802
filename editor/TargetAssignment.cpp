#include "editor/TargetAssignment.h"

#include "editor/EditorView.h"
#include "editor/FileDialog.h"
#include "editor/MainWindow.h"
#include "gui/QtText.h"
#include "gui/TargetPath.h"
#include "platform/System.h"
#include "rules/ItemDetails.h"

namespace quorvane {

TargetAssignment::TargetAssignment(MainWindow& window, EditorView& tree, FileDialog& fileDialog)
    : QObject(&window), m_window(window), m_tree(tree), m_fileDialog(fileDialog) {}

void TargetAssignment::setDirectoryChooser(TargetFolderChooser* chooser) {
    m_chooser = chooser;
    if (chooser)
        chooser->setTargetHandler(
            [this](TAssoc* record, std::string target) { setTarget(record, std::move(target)); });
}

// Acts on the node under the pointer, which need not be the selected one. Where no node lies
// there is nothing to assign.
void TargetAssignment::doubleClicked() {
    if (MenuNode* node = m_window.menuModel().node(m_tree.indexAt(m_lastMouseUp)))
        chooseTarget(node);
}

void TargetAssignment::chooseTarget(MenuNode* node) {
    switch (node->record()->kind) {
    case Kind::MoveTo:
    case Kind::CopyTo:
        chooseDirectory(node);
        break;
    case Kind::RunOpen:
    case Kind::SendTo:
        chooseFile(node);
        break;
    default:
        break;
    }
}

// The chooser changes the record's target only; the node keeps its caption.
void TargetAssignment::chooseDirectory(MenuNode* node) {
    if (!m_chooser || m_chooser->showing())
        return;
    m_chooser->moveTo(m_window.pos() + m_chooser->offset());
    m_chooser->setCaption(ansiToQt(node->caption()));
    m_chooser->bind(node->record());
    m_chooser->showModeless();
}

// The open dialog takes only a file that exists in a folder that exists. Qt's dialog has no
// read-only box to hide and opens nothing, so sharing does not arise.
void TargetAssignment::chooseFile(MenuNode* node) {
    m_fileDialog = FileDialog(FileDialog::Mode::Open);
    m_fileDialog.title = QStringLiteral("File to associate with item");
    const QString runable =
        QStringLiteral("Runable files (*.exe, *.lnk, *.bat, *.com)|*.exe;*.bat;*.com;*.lnk");
    // Programs elsewhere have no extension: there the dialog starts out showing every file.
    m_fileDialog.filter = hostIsWindows() ? runable + QStringLiteral("|All files|*.*")
                                          : QStringLiteral("All files (*)|*|") + runable;
    m_fileDialog.followLinks = false;
    if (!m_fileDialog.execute(&m_window))
        return;
    const std::string path = targetPath(m_fileDialog.fileName);
    // Named as the entry shows once its file is set: after the file.
    m_window.perform("Set File of " + quotedCaption(captionOfTarget(path)), [&] {
        m_window.menu().setTarget(node->record(), path);
        m_window.menu().rename(node, captionOfTarget(path));
    });
}

void TargetAssignment::setTarget(TAssoc* record, std::string target) {
    // The record may have left the tree while the chooser was open; then nothing refers to it
    // any more and there is nothing to set.
    if (!isReferenced(m_window.menu(), record))
        return;
    std::string caption;
    for (const MenuNode* node : m_window.menu().inTreeOrder())
        if (node->record() == record)
            caption = node->caption();
    m_window.perform("Set Folder of " + quotedCaption(caption),
                     [&] { m_window.menu().setTarget(record, std::move(target)); });
}

void TargetAssignment::nodeLeaving(MenuNode* node) {
    if (m_chooser && m_chooser->showing() && m_chooser->boundRecord() == node->record())
        m_chooser->closeDialog();
}

} // namespace quorvane
