#pragma once

#include "editor/FileDialog.h"
#include "editor/MenuTreeItemModel.h"
#include "editor/TreeSourceItemModel.h"
#include "editor/WindowMessages.h"
#include "settings/MenuLoad.h"

#include <QIcon>
#include <QList>
#include <QMainWindow>
#include <QPixmap>
#include <map>
#include <memory>
#include <optional>
#include <string_view>

class QLabel;

namespace Ui {
class TForm1;
}

namespace quorvane {

struct EditView;

// A modeless dialog that keeps its place beside the main window: while it shows, moving the main
// window moves it along at its offset.
class FollowingDialog {
public:
    virtual ~FollowingDialog() = default;
    virtual bool showing() const = 0;
    // From the main window's top-left corner to the dialog's; the dialog updates it when the user
    // moves it.
    virtual QPoint offset() const = 0;
    virtual void moveTo(QPoint topLeft) = 0;
    virtual void showModeless() = 0;
};

// The directory chooser as the window opens it for one Move To or Copy To item: its "Ok" sets the
// target of the record it is bound to. Closing ends the binding.
class DirectoryChooser : public FollowingDialog {
public:
    virtual void setCaption(const QString& caption) = 0;
    virtual void bind(TAssoc* record) = 0;
    virtual TAssoc* boundRecord() const = 0;
    virtual void closeDialog() = 0;
};

// The main window: the menu tree, the list of available entries, the splitter between them, the
// button row, the status bar and the main menu.
class TForm1 : public QMainWindow {
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

    // Runs FormCreate: placement, the stored menu, images and the follow flag.
    explicit TForm1(Services services, QWidget* parent = nullptr);
    ~TForm1() override;

    // Rebuilds MenuTree and TreeSource from the settings; with LoadMode::Given from
    // `menuString`. Throws Failure; what was built up to then stays on show.
    void Load(LoadMode mode, std::string_view menuString = {});

    MenuTree& menu() { return m_tree; }
    TreeSource& source() { return m_source; }
    MenuTreeItemModel& menuModel() { return m_menuModel; }
    TreeSourceItemModel& sourceModel() { return m_sourceModel; }
    Registry& registry() { return m_registry; }
    RecordPool& pool() { return m_pool; }
    const QString& programDirectory() const { return m_programDirectory; }
    const QList<QPixmap>& iconList() const { return m_iconList; }

    // The dialogs that follow the window; they register once they exist.
    void setPropertiesDialog(FollowingDialog* dialog) { m_propertiesDialog = dialog; }
    void setDirectoryChooser(DirectoryChooser* dialog) { m_directoryChooser = dialog; }
    bool following() const { return m_following; }

    // Set while entries are dragged from the tree or the list; the splitter ignores presses then.
    bool dragging() const { return m_dragging; }
    void setDragging(bool dragging) { m_dragging = dragging; }
    bool splitting() const { return m_splitting; }
    int treeWidth() const { return m_treeWidth; }

    void setStatusText(const QString& text);
    QString statusText() const;

    // A later start of the program asked this copy to come to the front.
    void bringToFront();

    // Every user of a file dialog sets it up anew before each use.
    FileDialog FileDlg{FileDialog::Mode::Open};
    FileDialog SaveDlg{FileDialog::Mode::Save};

    void FormResize();
    void FormClose();
    void Panel3MouseDown();
    void Panel3MouseMove(int x);
    void Panel3MouseUp();
    void PropertiesClick();
    void Button4Click();
    void HelpClick();
    void Button5Click();
    void Openmenu1Click();
    void Savemenuas1Click();
    void Exit1Click();
    void Current1Click();
    void Default1Click();
    void Compact1Click();
    void All1Click();
    void AboutQuorvane1Click();
    void TreeSourceColumnClick(int column);
    // A drag starts from the tree or the list; from the tree it carries the selected node.
    void MenuTreeStartDrag();
    // The drag that started in either view is over, dropped or given up.
    void MenuTreeEndDrag();
    // A drag over the tree, respectively the list; `entering` when it has just come in.
    void MenuTreeDragOver(QPoint position, bool entering);
    void TreeSourceDragOver(QPoint position, bool entering);
    // The drop handler of both views: `dropControl` was dropped on, `sourceControl` dragged from.
    void MenuTreeDragDrop(QWidget* dropControl, QWidget* sourceControl);
    // Delete and F2 in the tree, F2 in the list; true when the key was used.
    bool MenuTreeKeyDown(int key);
    bool TreeSourceKeyDown(int key);
    // Whether the caption at `index` may be edited; a refusal is shown to the user.
    bool MenuTreeEditing(const QModelIndex& index);
    bool TreeSourceEditing(const QModelIndex& index);
    void MenuTreeChange();
    void MenuTreeDblClick();
    void MenuTreeMouseUp(QPoint position);
    // `node` is leaving the tree (removed, in a removed subtree, or cleared by a reload).
    void MenuTreeDeletion(MenuNode* node);
    // The node the tree shows selected; nullptr when none is.
    MenuNode* selectedNode() const;
    // A node's picture from its record: its image, and its selected image when selected.
    QIcon MenuTreeGetImageIndex(const MenuNode& node);

signals:
    void closed();

protected:
    void resizeEvent(QResizeEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void FormCreate();
    void setUpMenuFileDialog(FileDialog& dialog, const QString& title);
    void restorePlacement();
    void savePlacement();
    void setOuterGeometry(QRect outer);
    void applyPendingOuter();
    void loadImages();
    QIcon image(int normal, int selected);
    void alignPanel1();
    void setTreeWidth(int width);
    void followMove();
    void chooseDirectory(MenuNode* node);
    void chooseFile(MenuNode* node);
    void listSelectionToCore();
    void listSelectionFromCore(int first, int last);
    void configureViews();
    void wireHandlers();
    void wireEditing();
    void showEdit(const EditView& view);

    std::unique_ptr<Ui::TForm1> ui;
    WindowMessages m_messages{this};
    Registry& m_registry;
    RecordPool& m_pool;
    QString m_programDirectory;
    FirstRunSetup m_firstRun;

    MenuTree m_tree;
    TreeSource m_source;
    MenuTreeItemModel m_menuModel;
    TreeSourceItemModel m_sourceModel;

    QList<QPixmap> m_iconList;
    QLabel* m_statusText = nullptr;
    std::map<std::pair<int, int>, QIcon> m_images;

    FollowingDialog* m_propertiesDialog = nullptr;
    DirectoryChooser* m_directoryChooser = nullptr;
    // In MenuTree's viewport, where a double-click looks for its node.
    QPoint m_lastMouseUp;
    bool m_following = false;
    bool m_splitting = false;
    bool m_dragging = false;
    bool m_syncingSelection = false;
    int m_treeWidth = designTreeWidth;
    // The outer rectangle asked for before the window had a frame to measure.
    std::optional<QRect> m_pendingOuter;
};

} // namespace quorvane
