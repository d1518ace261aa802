#pragma once

#include "editor/AvailableEntriesItemModel.h"
#include "editor/EditHistory.h"
#include "editor/FileDialog.h"
#include "editor/FollowingDialog.h"
#include "editor/ImageStrip.h"
#include "editor/MenuTreeItemModel.h"
#include "editor/TreeEditing.h"
#include "editor/WindowMessages.h"
#include "editor/WindowPlacement.h"
#include "settings/MenuLoad.h"

#include <QIcon>
#include <QList>
#include <QMainWindow>
#include <QPixmap>
#include <memory>
#include <string_view>

class QLabel;
class QPersistentModelIndex;

namespace Ui {
class MainWindow;
}

namespace quorvane {

struct EditView;
class EditorView;
class PanelSplitter;

// The main window: the menu tree, the list of available entries, the splitter between them, the
// button row, the status bar and the main menu.
class MainWindow : public QMainWindow {
    Q_OBJECT
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
    void Load(LoadMode mode, std::string_view menuString = {});

    MenuTree& menu() { return m_tree; }
    AvailableEntries& availableEntries() { return m_available; }
    MenuTreeItemModel& menuModel() { return m_menuModel; }
    Registry& registry() { return m_registry; }
    RecordPool& pool() { return m_pool; }
    const QString& programDirectory() const { return m_programDirectory; }
    const QList<QPixmap>& iconList() const { return m_images.images(); }

    // The dialogs that follow the window; they register once they exist.
    void setPropertiesDialog(FollowingDialog* dialog) { m_propertiesDialog = dialog; }
    void setDirectoryChooser(TargetFolderChooser* dialog);
    bool following() const { return m_following; }

    // Set while entries are dragged from the tree or the list; the splitter ignores presses then.
    bool dragging() const { return m_dragging; }
    void setDragging(bool dragging) { m_dragging = dragging; }
    bool splitting() const;
    int treeWidth() const;

    void setStatusText(const QString& text);
    QString statusText() const;

    // A later start of the program asked this copy to come to the front.
    void bringToFront();

    // The editor holds changes that Apply has not stored; the caption then carries a mark.
    bool hasUnappliedChanges() const;
    const EditHistory& history() const { return m_history; }

    // The dialogs as last set up, to be looked at; every use sets them up anew.
    const FileDialog& fileDialog() const { return m_openDialog; }
    const FileDialog& saveDialog() const { return m_saveDialog; }

    void layOutButtons();
    void finishClosing();
    void splitterPressed();
    void splitterMoved(int x);
    void splitterReleased();
    void showProperties();
    void applyClicked();
    void showHelp();
    void exitRequested();
    void openMenuFile();
    void saveMenuFileAs();
    void presetCurrent();
    void presetDefault();
    void presetCompact();
    void presetAll();
    void showAbout();
    void undoStep();
    void redoStep();
    // Pops up the menu as the extension will show it once applied, at the pointer.
    void showPreview();
    // Moves the selected node one step, as Ctrl with an arrow key does.
    void moveSelectedNode(TreeEditing::Step step);
    // The selected list entries into the tree, as a drop on the tree's selected node.
    void insertSelectedEntries();
    // A drag starts from the tree or the list; from the tree it carries the selected node.
    void beginEntriesDrag();
    // The drag that started in either view is over, dropped or given up.
    void endEntriesDrag();
    // A drag over the tree, respectively the list; `entering` when it has just come in.
    void treeDragOver(QPoint position, bool entering);
    void listDragOver(QPoint position, bool entering);
    // The drop handler of both views: `dropControl` was dropped on, `sourceControl` dragged from.
    void dropEntries(QWidget* dropControl, QWidget* sourceControl);
    // Delete and F2 in the tree, F2 in the list; true when the key was used.
    bool treeKeyPressed(int key, Qt::KeyboardModifiers modifiers = {});
    bool listKeyPressed(int key, Qt::KeyboardModifiers modifiers = {});
    // Whether the caption at `index` may be edited; a refusal is shown to the user.
    bool mayEditInTree(const QModelIndex& index);
    bool mayEditInList(const QModelIndex& index);
    void describeSelection();
    void treeDoubleClicked();
    void treeMouseReleased(QPoint position);
    // `node` is leaving the tree (removed, in a removed subtree, or cleared by a reload).
    void nodeLeaving(MenuNode* node);
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
    void moveEvent(QMoveEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void startUp();
    void setUpMenuFileDialog(FileDialog& dialog, const QString& title);
    void followMove();
    std::string dropName(QWidget* dropControl, QWidget* sourceControl) const;
    void createEditMenu();
    void createContextMenus();
    // Runs an edit as one step of the history, named `what`.
    void perform(std::string what, const std::function<void()>& change);
    void loadAsStep(std::string what, LoadMode mode, std::string_view menuString = {});
    void showRestored(const EditHistory::Restored& restored);
    ViewMarks viewMarks() const;
    void rememberApplied();
    void refreshEditState();
    void setItemTarget(TAssoc* record, std::string target);
    // Whether closing may go on: asks first when changes were not applied.
    bool mayClose();
    void refuseCaption(EditorView* view, const QString& reason, const QPersistentModelIndex& at,
                       const QString& typed);
    void chooseDirectory(MenuNode* node);
    void chooseFile(MenuNode* node);
    void listSelectionToCore();
    void listSelectionFromCore(int first, int last);
    void configureViews();
    void wireHandlers();
    void wireEditing();
    void showEdit(const EditView& view);

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
    EditHistory m_history{m_tree, m_available};
    // What Apply last stored, or what was loaded from the store, in storedForm's terms.
    std::string m_appliedForm;
    QString m_title;
    QAction* m_undo = nullptr;
    QAction* m_redo = nullptr;

    ImageStrip m_images;
    WindowPlacement m_placement;
    std::unique_ptr<PanelSplitter> m_splitter;
    QLabel* m_statusText = nullptr;

    FollowingDialog* m_propertiesDialog = nullptr;
    TargetFolderChooser* m_directoryChooser = nullptr;
    // In MenuTree's viewport, where a double-click looks for its node.
    QPoint m_lastMouseUp;
    bool m_following = false;
    bool m_dragging = false;
    bool m_syncingSelection = false;
};

} // namespace quorvane
