#pragma once

#include "editor/AvailableEntriesItemModel.h"
#include "editor/EditSession.h"
#include "editor/FileDialog.h"
#include "editor/ImageStrip.h"
#include "editor/MenuTreeItemModel.h"
#include "editor/WindowMessages.h"
#include "editor/WindowPlacement.h"
#include "gui/FollowingDialog.h"
#include "rules/TreeEditing.h"
#include "settings/MenuLoad.h"

#include <QIcon>
#include <QList>
#include <QMainWindow>
#include <QPixmap>
#include <memory>
#include <string_view>

class QLabel;

namespace Ui {
class MainWindow;
}

namespace quorvane {

struct EditView;
class DragDropController;
class EditActions;
class PanelSplitter;
class TargetAssignment;

// The main window: the menu tree, the list of available entries, the splitter between them, the
// button row, the status bar and the main menu. What happens in the views is left to its parts:
// the editing actions and their keys, drag and drop, renaming in place, the targets of items.
class MainWindow : public QMainWindow {
    Q_OBJECT
    // Drawn in the program's own small face, on whole pixels (see Application).
    Q_CLASSINFO("DrawnOnWholePixels", "yes")
public:
    struct Services {
        Registry& registry;
        RecordPool& pool;
        QString programDirectory; // with its trailing separator
        FirstRunSetup firstRun;   // may be empty
    };

    static constexpr QSize designSize{578, 353};
    static constexpr int designTreeWidth = 193;

    // Runs startUp: placement, the stored menu, images and the follow flag.
    explicit MainWindow(Services services, QWidget* parent = nullptr);
    ~MainWindow() override;

    // Rebuilds MenuTree and AvailableEntries from the settings; with LoadMode::Given from
    // `menuString`. Throws Failure; what was built up to then stays on show.
    void loadMenu(LoadMode mode, std::string_view menuString = {});

    MenuTree& menu() { return m_tree; }
    AvailableEntries& availableEntries() { return m_available; }
    MenuTreeItemModel& menuModel() { return m_menuModel; }
    AvailableEntriesItemModel& availableModel() { return m_availableModel; }
    Registry& registry() { return m_registry; }
    RecordPool& pool() { return m_pool; }
    WindowMessages& messages() { return m_messages; }
    const QString& programDirectory() const { return m_programDirectory; }
    const QList<QPixmap>& iconList() const { return m_images.images(); }

    DragDropController& dragDrop() { return *m_dragDrop; }
    TargetAssignment& targets() { return *m_targets; }

    // The dialogs that follow the window; they register once they exist.
    void setPropertiesDialog(FollowingDialog* dialog) { m_propertiesDialog = dialog; }
    void setDirectoryChooser(TargetFolderChooser* dialog);
    bool following() const { return m_following; }

    // Set while entries are dragged from the tree or the list; the splitter ignores presses then.
    bool dragging() const;
    void setDragging(bool dragging);
    bool splitting() const;
    int treeWidth() const;

    void setStatusText(const QString& text);
    QString statusText() const;

    // A later start of the program asked this copy to come to the front.
    void bringToFront();

    // The editor holds changes that Apply has not stored; the caption then carries a mark.
    bool hasUnappliedChanges() const { return m_session->hasUnappliedChanges(); }
    const EditHistory& history() const { return m_session->history(); }
    // Runs an edit as one step of the history, named `what`.
    void perform(std::string what, const std::function<void()>& change) {
        m_session->perform(std::move(what), change);
    }
    // Shows what an edit asks to be shown: a node opened, selected, scrolled to.
    void showEdit(const EditView& view);

    // The dialogs as last set up, to be looked at; every use sets them up anew.
    const FileDialog& fileDialog() const { return m_openDialog; }
    const FileDialog& saveDialog() const { return m_saveDialog; }

    void showProperties();
    void applyClicked();
    void showHelp() { emit helpRequested(); }
    // The Exit button and File's Exit.
    void exitRequested() { close(); }
    void openMenuFile();
    void saveMenuFileAs();
    void presetCurrent();
    void presetDefault();
    void presetCompact();
    void presetAll();
    void showAbout() { emit aboutRequested(); }
    void undoStep();
    void redoStep();
    // Pops up the menu as the extension will show it once applied, at the pointer.
    void showPreview();
    // Moves the selected node one step, as Ctrl with an arrow key does.
    void moveSelectedNode(TreeEditing::Step step);
    // The selected list entries into the tree, as a drop on the tree's selected node.
    void insertSelectedEntries();
    // The status bar says what the selected node is; nothing when none is selected.
    void describeSelection();
    // The node the tree shows selected; nullptr when none is.
    MenuNode* selectedNode() const;
    // A node's picture from its record: its image, and its selected image when selected.
    QIcon nodeIcon(const MenuNode& node);

signals:
    void closed();
    // Help and About asked for; their windows belong to the program around the window.
    void helpRequested();
    void aboutRequested();

protected:
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void setColumnWidths();
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void startUp();
    void configureViews();
    void wireHandlers();
    void setUpMenuFileDialog(FileDialog& dialog, const QString& title);
    void followMove();
    void alignButtonsToFrame();
    void fitMinimumSize();
    void loadAsStep(std::string what, LoadMode mode, std::string_view menuString = {});
    void refreshEditState();
    // Whether closing may go on: asks first when changes were not applied.
    bool mayClose();
    void finishClosing();

    std::unique_ptr<Ui::MainWindow> ui;
    // Every user of a file dialog sets it up anew before each use.
    FileDialog m_openDialog{FileDialog::Mode::Open};
    FileDialog m_saveDialog{FileDialog::Mode::Save};
    WindowMessages m_messages{this};
    Registry& m_registry;
    RecordPool& m_pool;
    QString m_programDirectory;
    FirstRunSetup m_firstRun;

    MenuTree m_tree;
    AvailableEntries m_available;
    MenuTreeItemModel m_menuModel;
    AvailableEntriesItemModel m_availableModel;
    std::unique_ptr<EditSession> m_session;
    QString m_title;

    ImageStrip m_images;
    WindowPlacement m_placement;
    std::unique_ptr<PanelSplitter> m_splitter;
    QLabel* m_statusText = nullptr;
    // The button row's right margin as designed, for a window without a frame.
    int m_buttonsRightMargin = 0;

    // The window's parts; Qt deletes them with the window.
    DragDropController* m_dragDrop = nullptr;
    EditActions* m_actions = nullptr;
    TargetAssignment* m_targets = nullptr;

    FollowingDialog* m_propertiesDialog = nullptr;
    bool m_following = false;
    // How the window was arranged when it last closed: the list's columns are set from it at the
    // first showing, the directory chooser's size when the chooser is handed over, and what was
    // never shown or opened is stored again as it was read.
    Arrangement m_arrangement;
    bool m_columnsSet = false;
};

} // namespace quorvane
