#include "editor/MainWindow.h"

#include "editor/ErrorHandler.h"
#include "editor/ItemDetails.h"
#include "editor/MenuPreview.h"
#include "editor/MessageBoxes.h"
#include "editor/PanelSplitter.h"
#include "editor/Pictures.h"
#include "editor/QtText.h"
#include "editor/TargetPath.h"
#include "editor/TreeEditing.h"
#include "menu/MenuWriter.h"
#include "menu/RecordPool.h"
#include "settings/Apply.h"
#include "settings/MenuFile.h"
#include "settings/Messages.h"
#include "settings/Presets.h"
#include "ui_MainWindow.h"

#include <QApplication>
#include <QCloseEvent>
#include <QCursor>
#include <QFile>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QMouseEvent>
#include <QSignalBlocker>
#include <algorithm>
#include <map>

namespace quorvane {

namespace {

constexpr int imageSize = 16;
constexpr int buttonRowHeight = 31;
constexpr int statusBarHeight = 19;
// Narrower than Properties' right edge, a gap and the 250 that Apply keeps from the right edge,
// Apply would cover Properties.
constexpr int minimumWindowWidth = 8 + 75 + 8 + 250;
// Under the menu bar and above the button row and the status bar, a few rows of the tree and list.
constexpr int minimumViewHeight = 3 * 20;

// A caption as the Undo and Redo entries name it.
std::string quoted(const std::string& caption) {
    return '"' + caption + '"';
}

} // namespace

MainWindow::MainWindow(Services services, QWidget* parent)
    : QMainWindow(parent), ui(std::make_unique<Ui::MainWindow>()), m_registry(services.registry),
      m_pool(services.pool), m_programDirectory(std::move(services.programDirectory)),
      m_firstRun(std::move(services.firstRun)), m_tree(m_pool.rootRecord()), m_menuModel(m_tree),
      m_availableModel(m_available), m_images(smallImages(), imageSize),
      m_placement(*this, m_registry, designSize) {
    ui->setupUi(this);
    m_splitter = std::make_unique<PanelSplitter>(
        PanelSplitter::Parts{ui->ViewsPanel, ui->MenuTree, ui->Splitter, ui->AvailableList,
                             ui->ButtonRow},
        designTreeWidth, buttonRowHeight);
    setMinimumSize(minimumWindowWidth, menuBar()->sizeHint().height() + minimumViewHeight +
                                           buttonRowHeight + statusBarHeight);
    m_saveDialog.defaultSuffix = QStringLiteral("drm");
    QIcon icon;
    icon.addPixmap(QPixmap::fromImage(icon32()));
    icon.addPixmap(QPixmap::fromImage(icon16()));
    setWindowIcon(icon);
    configureViews();
    wireHandlers();
    wireEditing();
    createEditMenu();
    createContextMenus();
    startUp();
}

MainWindow::~MainWindow() {
    // The views outlive the models by a little, as widgets go after members; let them go first.
    ui->MenuTree->setModel(nullptr);
    ui->AvailableList->setModel(nullptr);
}

void MainWindow::configureViews() {
    m_statusText = new QLabel(ui->StatusBar);
    ui->StatusBar->addWidget(m_statusText, 1);
    ui->StatusBar->setFixedHeight(statusBarHeight);

    ui->AvailableList->measureHeaderPlainly();
    ui->MenuTree->setModel(&m_menuModel);
    ui->AvailableList->setModel(&m_availableModel);
    // The list shows its pictures from the start; they appear once the images are loaded.
    m_availableModel.setImageProvider(
        [this](const TAssoc& r) { return m_images.icon(r.imageIndex, r.imageIndex); });

    // The selection stays as visible when the focus goes elsewhere.
    for (QAbstractItemView* view : {static_cast<QAbstractItemView*>(ui->MenuTree),
                                    static_cast<QAbstractItemView*>(ui->AvailableList)}) {
        QPalette palette = view->palette();
        for (auto role : {QPalette::Highlight, QPalette::HighlightedText})
            palette.setColor(QPalette::Inactive, role, palette.color(QPalette::Active, role));
        view->setPalette(palette);
        view->setIconSize(QSize(imageSize, imageSize));
    }

    // "Operation" is never narrower than its header, and also fits the captions, which a header
    // this short would otherwise cut off; "Description" fits the descriptions.
    QHeaderView* header = ui->AvailableList->header();
    header->setSortIndicatorShown(false);
    header->setSectionResizeMode(QHeaderView::ResizeToContents);

    ui->Splitter->installEventFilter(this);
    ui->MenuTree->viewport()->installEventFilter(this);
}

void MainWindow::wireHandlers() {
    connect(ui->PropertiesButton, &QPushButton::clicked, this, guard([this] { showProperties(); }));
    connect(ui->ApplyButton, &QPushButton::clicked, this, guard([this] { applyClicked(); }));
    connect(ui->HelpButton, &QPushButton::clicked, this, guard([this] { showHelp(); }));
    connect(ui->ExitButton, &QPushButton::clicked, this, guard([this] { exitRequested(); }));
    connect(ui->OpenMenuFileAction, &QAction::triggered, this, guard([this] { openMenuFile(); }));
    connect(ui->SaveMenuFileAction, &QAction::triggered, this, guard([this] { saveMenuFileAs(); }));
    connect(ui->ExitAction, &QAction::triggered, this, guard([this] { exitRequested(); }));
    connect(ui->CurrentPresetAction, &QAction::triggered, this, guard([this] { presetCurrent(); }));
    connect(ui->DefaultPresetAction, &QAction::triggered, this, guard([this] { presetDefault(); }));
    connect(ui->CompactPresetAction, &QAction::triggered, this, guard([this] { presetCompact(); }));
    connect(ui->AllPresetAction, &QAction::triggered, this, guard([this] { presetAll(); }));
    connect(ui->HelpAction, &QAction::triggered, this, guard([this] { showHelp(); }));
    connect(ui->AboutAction, &QAction::triggered, this, guard([this] { showAbout(); }));
    connect(ui->MenuTree, &QTreeView::doubleClicked, this, guard([this] { treeDoubleClicked(); }));
    connect(ui->MenuTree->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            guard([this] { describeSelection(); }));
    // A target set, by the file dialog or the directory chooser, shows in the status bar at once.
    connect(&m_menuModel, &QAbstractItemModel::dataChanged, this,
            guard([this] { describeSelection(); }));
    // A reset empties the selection without a word; the status bar must not go on describing a
    // node that is gone.
    connect(&m_menuModel, &QAbstractItemModel::modelReset, this,
            guard([this] { describeSelection(); }));
    connect(&m_menuModel, &MenuTreeItemModel::nodeAboutToLeave, this,
            guard([this](MenuNode* node) { nodeLeaving(node); }));
    // A caption that cannot be stored is refused once its in-place editor has closed: a box that
    // took the editor's focus while it commits would have it commit a second time.
    for (EditorView* view : {ui->MenuTree, ui->AvailableList}) {
        const auto refused = [this, view](const QString& reason, const QPersistentModelIndex& at,
                                          const QString& typed) {
            guarded([&] { refuseCaption(view, reason, at, typed); });
        };
        if (view == ui->MenuTree)
            connect(&m_menuModel, &MenuTreeItemModel::textRefused, this, refused,
                    Qt::QueuedConnection);
        else
            connect(&m_availableModel, &AvailableEntriesItemModel::textRefused, this, refused,
                    Qt::QueuedConnection);
    }

    // The list selects whole entries; its current cell stays in the caption column, which F2
    // edits, and a click on a long description does not scroll the captions out of sight.
    connect(ui->AvailableList->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex& current) {
                if (current.isValid() &&
                    current.column() != AvailableEntriesItemModel::OperationColumn)
                    ui->AvailableList->selectionModel()->setCurrentIndex(
                        current.siblingAtColumn(AvailableEntriesItemModel::OperationColumn),
                        QItemSelectionModel::NoUpdate);
            });

    // The list's selection lives in the core list, where the editing rules read and change it.
    connect(ui->AvailableList->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &MainWindow::listSelectionToCore);
    connect(&m_availableModel, &QAbstractItemModel::dataChanged, this,
            [this](const QModelIndex& first, const QModelIndex& last) {
                listSelectionFromCore(first.row(), last.row());
            });
    connect(
        &m_availableModel, &QAbstractItemModel::rowsInserted, this,
        [this](const QModelIndex&, int first, int last) { listSelectionFromCore(first, last); });
}

// Each step reports its own failure and the next still runs, so that a stored menu that does not
// load still leaves a window with its images that follows its dialogs.
void MainWindow::startUp() {
    guarded([this] { m_placement.restore(); });
    guarded([this] { Load(LoadMode::Stored); });
    rememberApplied();
    refreshEditState();
    m_images.load();
    m_menuModel.setImageProvider([this](const MenuNode& node) { return nodeIcon(node); });
    m_availableModel.setImageProvider(
        [this](const TAssoc& r) { return m_images.icon(r.imageIndex, r.imageIndex); });
    m_following = true;
    QApplication::setWindowIcon(windowIcon());
}

void MainWindow::Load(LoadMode mode, std::string_view menuString) {
    // Neither view redraws while the load rebuilds everything under it.
    ui->MenuTree->setUpdatesEnabled(false);
    ui->AvailableList->setUpdatesEnabled(false);
    struct Redraw {
        MainWindow* form;
        ~Redraw() {
            form->ui->MenuTree->setUpdatesEnabled(true);
            form->ui->AvailableList->setUpdatesEnabled(true);
        }
    } redraw{this};

    const LoadedView loaded =
        quorvane::Load(m_registry, m_pool, m_tree, m_available, mode, menuString, m_firstRun);
    if (loaded.expand)
        ui->MenuTree->expand(m_menuModel.indexOf(loaded.expand));
    if (loaded.select)
        ui->MenuTree->setCurrentIndex(m_menuModel.indexOf(loaded.select));
}

void MainWindow::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    m_placement.shown();
}

QIcon MainWindow::nodeIcon(const MenuNode& node) {
    return m_images.icon(node.record()->imageIndex, node.record()->selectedImageIndex);
}

void MainWindow::setStatusText(const QString& text) {
    m_statusText->setText(text);
}

QString MainWindow::statusText() const {
    return m_statusText->text();
}

void MainWindow::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    m_placement.movedOrResized();
    guarded([this] { layOutButtons(); });
}

void MainWindow::layOutButtons() {
    const int w = frameGeometry().width();
    ui->ApplyButton->move(w - 250, ui->ApplyButton->y());
    ui->HelpButton->move(w - 170, ui->HelpButton->y());
    ui->ExitButton->move(w - 90, ui->ExitButton->y());
}

bool MainWindow::splitting() const {
    return m_splitter->splitting();
}

int MainWindow::treeWidth() const {
    return m_splitter->treeWidth();
}

void MainWindow::splitterPressed() {
    m_splitter->press(m_dragging);
}

void MainWindow::splitterMoved(int x) {
    m_splitter->moveTo(x);
}

void MainWindow::splitterReleased() {
    m_splitter->release();
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == ui->Splitter) {
        // The splitter gets the moves while its button is held, as the pointer is grabbed then.
        // Only mouse events may be taken as one: the splitter gets resize and paint events too.
        switch (event->type()) {
        case QEvent::MouseButtonPress:
            if (static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton)
                guarded([this] { splitterPressed(); });
            return true;
        case QEvent::MouseMove: {
            const int x = qRound(static_cast<QMouseEvent*>(event)->position().x());
            guarded([this, x] { splitterMoved(x); });
            return true;
        }
        case QEvent::MouseButtonRelease:
            if (static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton)
                guarded([this] { splitterReleased(); });
            return true;
        default:
            break;
        }
    } else if (watched == ui->MenuTree->viewport() && event->type() == QEvent::MouseButtonRelease) {
        const QPoint position = static_cast<QMouseEvent*>(event)->position().toPoint();
        guarded([this, position] { treeMouseReleased(position); });
    }
    return QMainWindow::eventFilter(watched, event);
}

// Qt reports a finished move of the window where the platform has a window-moved message.
void MainWindow::moveEvent(QMoveEvent* event) {
    QMainWindow::moveEvent(event);
    m_placement.movedOrResized();
    guarded([this] { followMove(); });
}

void MainWindow::followMove() {
    if (!m_following)
        return;
    for (FollowingDialog* dialog :
         std::initializer_list<FollowingDialog*>{m_directoryChooser, m_propertiesDialog})
        if (dialog && dialog->showing())
            dialog->moveTo(pos() + dialog->offset());
}

void MainWindow::showProperties() {
    if (!m_propertiesDialog || m_propertiesDialog->showing())
        return;
    m_propertiesDialog->moveTo(pos() + m_propertiesDialog->offset());
    m_propertiesDialog->showModeless();
}

void MainWindow::closeEvent(QCloseEvent* event) {
    if (!guardedAnswer([this] { return mayClose(); })) {
        event->ignore();
        return;
    }
    finishClosing();
    QMainWindow::closeEvent(event);
    emit closed();
}

// A placement that cannot be saved is reported, and the window closes all the same: a settings
// store the user cannot write must not keep the program from ending.
void MainWindow::finishClosing() {
    guarded([this] { m_placement.save(); });
    m_following = false;
}

void MainWindow::bringToFront() {
    if (isMinimized())
        showNormal();
    raise();
    activateWindow();
}

// The Exit button and File's Exit.
void MainWindow::exitRequested() {
    close();
}

void MainWindow::applyClicked() {
    if (Apply(m_registry, m_tree, m_available, m_messages)) {
        rememberApplied();
        refreshEditState();
    }
}
void MainWindow::showHelp() {
    emit helpRequested();
}

void MainWindow::setUpMenuFileDialog(FileDialog& dialog, const QString& title) {
    dialog.title = title;
    dialog.filter = QStringLiteral("Menu files (*.drm)|*.drm|All files|*.*");
    dialog.initialDirectory = m_programDirectory;
    dialog.fileName = QStringLiteral("Quorvmenu");
    dialog.defaultSuffix = QStringLiteral("drm");
}

void MainWindow::openMenuFile() {
    setUpMenuFileDialog(m_openDialog, QStringLiteral("Load menu"));
    if (!m_openDialog.execute(this))
        return;
    const std::string text = readMenuFile(QFile::encodeName(m_openDialog.fileName).toStdString());
    if (loadMenuFile(m_registry, text))
        loadAsStep("Load Menu File", LoadMode::Stored);
    else
        m_messages.message(messages::nothingHappened);
}

// Saves what is stored, that is the menu as last applied, not the tree being edited.
void MainWindow::saveMenuFileAs() {
    setUpMenuFileDialog(m_saveDialog, QStringLiteral("Save menu as:"));
    if (!m_saveDialog.execute(this))
        return;
    saveMenuFile(m_registry, QFile::encodeName(m_saveDialog.fileName).toStdString());
}

void MainWindow::presetCurrent() {
    loadAsStep("Preset \"Current\"", LoadMode::Stored);
}

void MainWindow::presetDefault() {
    loadAsStep("Preset \"Default\"", LoadMode::Given, DefaultMenu(m_registry));
}

void MainWindow::presetCompact() {
    loadAsStep("Preset \"Compact\"", LoadMode::Given, CompactMenu(m_registry));
}

void MainWindow::presetAll() {
    loadAsStep("Preset \"All\"", LoadMode::Given, AllMenu(m_registry));
}

// A load replacing unapplied edits asks nothing: it is a step that can be undone. A load of
// what is stored is, from then on, what counts as applied, even when it stopped part-way.
void MainWindow::loadAsStep(std::string what, LoadMode mode, std::string_view menuString) {
    struct Loaded {
        MainWindow* form;
        bool fromStore;
        ~Loaded() {
            if (fromStore)
                form->rememberApplied();
            form->refreshEditState();
        }
    } loaded{this, mode == LoadMode::Stored};
    m_history.perform(std::move(what), [&] { Load(mode, menuString); });
}

void MainWindow::perform(std::string what, const std::function<void()>& change) {
    struct Refresh {
        MainWindow* form;
        ~Refresh() { form->refreshEditState(); }
    } refresh{this};
    m_history.perform(std::move(what), change);
}

void MainWindow::rememberApplied() {
    m_appliedForm = storedForm(m_tree, m_available);
}

bool MainWindow::hasUnappliedChanges() const {
    return storedForm(m_tree, m_available) != m_appliedForm;
}

void MainWindow::refreshEditState() {
    setWindowTitle(hasUnappliedChanges() ? m_title + QStringLiteral(" *") : m_title);
    m_undo->setEnabled(m_history.canUndo());
    m_undo->setText(m_history.canUndo() ? QStringLiteral("Undo ") + ansiToQt(m_history.undoName())
                                        : QStringLiteral("Undo"));
    m_redo->setEnabled(m_history.canRedo());
    m_redo->setText(m_history.canRedo() ? QStringLiteral("Redo ") + ansiToQt(m_history.redoName())
                                        : QStringLiteral("Redo"));
}

void MainWindow::setDirectoryChooser(TargetFolderChooser* dialog) {
    m_directoryChooser = dialog;
    if (dialog)
        dialog->setTargetHandler([this](TAssoc* record, std::string target) {
            setItemTarget(record, std::move(target));
        });
}

// Between File and Preset Menus; made here rather than in the form so that the form keeps the
// main menu's entries as they always were.
void MainWindow::createEditMenu() {
    m_title = windowTitle();
    auto* edit = new QMenu(QStringLiteral("&Edit"), this);
    edit->setObjectName(QStringLiteral("EditMenu"));
    menuBar()->insertMenu(ui->PresetMenu->menuAction(), edit);
    m_undo = edit->addAction(QStringLiteral("Undo"));
    m_undo->setObjectName(QStringLiteral("UndoAction"));
    m_undo->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Z));
    m_redo = edit->addAction(QStringLiteral("Redo"));
    m_redo->setObjectName(QStringLiteral("RedoAction"));
    m_redo->setShortcuts(
        {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), QKeySequence(Qt::CTRL | Qt::Key_Y)});
    edit->addSeparator();
    QAction* preview = edit->addAction(QStringLiteral("Preview Menu"));
    preview->setObjectName(QStringLiteral("PreviewAction"));
    preview->setShortcut(QKeySequence(Qt::Key_F5));
    connect(preview, &QAction::triggered, this, guard([this] { showPreview(); }));
    connect(m_undo, &QAction::triggered, this, guard([this] { undoStep(); }));
    connect(m_redo, &QAction::triggered, this, guard([this] { redoStep(); }));

    // Renames in place are steps too.
    m_menuModel.setRenameHandler([this](MenuNode* node, std::string caption) {
        guarded([&] {
            perform("Rename " + quoted(node->caption()),
                    [&] { m_tree.rename(node, std::move(caption)); });
        });
    });
    m_availableModel.setRenameHandler([this](int row, std::string caption) {
        guarded([&] {
            perform("Rename " + quoted(m_available.at(row).caption),
                    [&] { m_available.rename(row, std::move(caption)); });
        });
    });
    m_history.setViewMarks([this] { return viewMarks(); });
}

// The same actions as the keys, for those who look for them with the mouse or the menu key.
void MainWindow::createContextMenus() {
    EditorView* tree = ui->MenuTree;
    EditorView* list = ui->AvailableList;
    const auto item = [this](QMenu& menu, const QString& text, QKeySequence keys,
                             std::function<void()> handler, bool enabled = true) {
        QAction* action = menu.addAction(text);
        action->setShortcut(keys);
        action->setEnabled(enabled);
        connect(action, &QAction::triggered, this, guard(std::move(handler)));
    };
    const auto history = [this, item](QMenu& menu) {
        menu.addSeparator();
        item(menu, QStringLiteral("Preview Menu"), QKeySequence(Qt::Key_F5),
             [this] { showPreview(); });
        item(
            menu, m_undo->text(), m_undo->shortcut(), [this] { undoStep(); }, m_history.canUndo());
        item(
            menu, m_redo->text(), m_redo->shortcut(), [this] { redoStep(); }, m_history.canRedo());
    };
    for (EditorView* view : {tree, list})
        view->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(tree, &QWidget::customContextMenuRequested, this, [=, this](QPoint at) {
        QMenu menu;
        const MenuNode* node = selectedNode();
        item(
            menu, QStringLiteral("Rename"), QKeySequence(Qt::Key_F2),
            [this] { treeKeyPressed(Qt::Key_F2); }, node && TreeEditing::mayRename(*node));
        item(
            menu, QStringLiteral("Delete"), QKeySequence(Qt::Key_Delete),
            [this] { treeKeyPressed(Qt::Key_Delete); }, node != nullptr);
        history(menu);
        menu.exec(tree->viewport()->mapToGlobal(at));
    });
    connect(list, &QWidget::customContextMenuRequested, this, [=, this](QPoint at) {
        QMenu menu;
        item(menu, QStringLiteral("Add to Menu"), QKeySequence(Qt::Key_Insert),
             [this] { insertSelectedEntries(); });
        item(menu, QStringLiteral("Rename"), QKeySequence(Qt::Key_F2),
             [this] { listKeyPressed(Qt::Key_F2); });
        history(menu);
        menu.exec(list->viewport()->mapToGlobal(at));
    });

    // Names a screen reader announces.
    tree->setAccessibleName(QStringLiteral("Menu"));
    list->setAccessibleName(QStringLiteral("Available entries"));
    ui->Splitter->setAccessibleName(QStringLiteral("Splitter between the menu and the entries"));
    ui->ButtonRow->setAccessibleName(QStringLiteral("Buttons"));
    ui->ViewsPanel->setAccessibleName(QStringLiteral("Menu and available entries"));
}

// The unapplied state, as Apply would store it and the extension then show it.
void MainWindow::showPreview() {
    QMenu* preview = previewMenu(shownMenu(*m_tree.root()), this);
    preview->setAttribute(Qt::WA_DeleteOnClose);
    preview->popup(QCursor::pos());
}

void MainWindow::undoStep() {
    if (!m_history.canUndo())
        return;
    const EditHistory::Restored restored = m_history.undo();
    showRestored(restored);
    refreshEditState();
}

void MainWindow::redoStep() {
    if (!m_history.canRedo())
        return;
    const EditHistory::Restored restored = m_history.redo();
    showRestored(restored);
    refreshEditState();
}

ViewMarks MainWindow::viewMarks() const {
    ViewMarks marks;
    const MenuNode* selected = selectedNode();
    int i = 0;
    for (const MenuNode* node : m_tree.inTreeOrder()) {
        if (ui->MenuTree->isExpanded(m_menuModel.indexOf(node)))
            marks.open.push_back(i);
        if (node == selected)
            marks.selected = i;
        ++i;
    }
    return marks;
}

void MainWindow::showRestored(const EditHistory::Restored& restored) {
    const auto at = [&restored](int i) {
        return i >= 0 && static_cast<std::size_t>(i) < restored.nodes.size() ? restored.nodes[i]
                                                                             : nullptr;
    };
    for (int i : restored.marks.open)
        if (MenuNode* node = at(i))
            ui->MenuTree->expand(m_menuModel.indexOf(node));
    if (MenuNode* node = at(restored.marks.selected)) {
        ui->MenuTree->setCurrentIndex(m_menuModel.indexOf(node));
        ui->MenuTree->scrollTo(m_menuModel.indexOf(node));
    }
    describeSelection();
}

// Before the window closes with changes that were not applied, to the menu or in the open
// properties dialog, the user decides about them; an Apply that fails keeps the window open. The
// properties go first: what Apply refuses in the menu is then the only thing left to decide.
bool MainWindow::mayClose() {
    const bool menu = hasUnappliedChanges();
    const bool properties = m_propertiesDialog && m_propertiesDialog->holdsUnstoredChanges();
    if (!menu && !properties)
        return true;
    const QString what = menu && properties ? QStringLiteral("the menu and the properties")
                         : menu             ? QStringLiteral("the menu")
                                            : QStringLiteral("the properties");
    switch (MessageBoxes::show(this, QMessageBox::Question, m_title,
                               QStringLiteral("Apply the changes to %1 before closing?").arg(what),
                               QMessageBox::Apply | QMessageBox::Discard | QMessageBox::Cancel,
                               QMessageBox::Apply)) {
    case QMessageBox::Apply:
        if (properties)
            m_propertiesDialog->storeChanges();
        if (menu) {
            if (!Apply(m_registry, m_tree, m_available, m_messages))
                return false;
            rememberApplied();
            refreshEditState();
        }
        return true;
    case QMessageBox::Discard:
        return true;
    default:
        return false;
    }
}

void MainWindow::setItemTarget(TAssoc* record, std::string target) {
    // The record may have left the tree while the chooser was open; then nothing refers to it
    // any more and there is nothing to set.
    if (!isReferenced(m_tree, record))
        return;
    perform("Set Target", [&] { m_tree.setTarget(record, std::move(target)); });
}
void MainWindow::showAbout() {
    emit aboutRequested();
}

MenuNode* MainWindow::selectedNode() const {
    const QModelIndexList selected = ui->MenuTree->selectionModel()->selectedIndexes();
    return selected.isEmpty() ? nullptr : m_menuModel.node(selected.constFirst());
}

// With nothing selected (the selected node has just gone, or a reload has not chosen one yet)
// there is nothing to describe, and the status bar stays empty.
void MainWindow::describeSelection() {
    const MenuNode* node = selectedNode();
    setStatusText(node ? ansiToQt(quorvane::statusText(*node->record())) : QString());
}

// Any button: a double-click acts where the last press ended, whichever it was.
void MainWindow::treeMouseReleased(QPoint position) {
    m_lastMouseUp = position;
}

// Acts on the node under the pointer, which need not be the selected one. Where no node lies
// there is nothing to assign.
void MainWindow::treeDoubleClicked() {
    MenuNode* node = m_menuModel.node(ui->MenuTree->indexAt(m_lastMouseUp));
    if (!node)
        return;
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
void MainWindow::chooseDirectory(MenuNode* node) {
    if (!m_directoryChooser || m_directoryChooser->showing())
        return;
    m_directoryChooser->moveTo(pos() + m_directoryChooser->offset());
    m_directoryChooser->setCaption(ansiToQt(node->caption()));
    m_directoryChooser->bind(node->record());
    m_directoryChooser->showModeless();
}

// The open dialog takes only a file that exists in a folder that exists. Qt's dialog has no
// read-only box to hide and opens nothing, so sharing does not arise.
void MainWindow::chooseFile(MenuNode* node) {
    m_openDialog = FileDialog(FileDialog::Mode::Open);
    m_openDialog.title = QStringLiteral("File to associate with item");
    m_openDialog.filter = QStringLiteral("Runable files (*.exe, *.lnk, *.bat, *.com)|"
                                         "*.exe;*.bat;*.com;*.lnk|All files|*.*");
    m_openDialog.followLinks = false;
    if (!m_openDialog.execute(this))
        return;
    const std::string path = targetPath(m_openDialog.fileName);
    perform("Set Target of \"" + node->caption() + '"', [&] {
        m_tree.setTarget(node->record(), path);
        m_tree.rename(node, captionOfTarget(path));
    });
}

// Qt has closed the editor by the time the refusal is told, and its editor cannot stay open past
// a commit; it opens again on what was typed, so that the user corrects it rather than types it
// all anew.
void MainWindow::refuseCaption(EditorView* view, const QString& reason,
                               const QPersistentModelIndex& at, const QString& typed) {
    MessageBoxes::message(this, reason);
    if (!at.isValid() || view->editing() || !view->editCaption(at))
        return;
    if (auto* editor = qobject_cast<QLineEdit*>(view->indexWidget(at)))
        editor->setText(typed);
}

void MainWindow::nodeLeaving(MenuNode* node) {
    if (m_directoryChooser && m_directoryChooser->showing() &&
        m_directoryChooser->boundRecord() == node->record())
        m_directoryChooser->closeDialog();
}

namespace {

// Both views stop painting while a drop rearranges them, and start again however it ends.
class RedrawSuspended {
public:
    RedrawSuspended(QWidget* first, QWidget* second) : m_widgets{first, second} {
        for (QWidget* widget : m_widgets)
            widget->setUpdatesEnabled(false);
    }
    ~RedrawSuspended() {
        for (QWidget* widget : m_widgets)
            widget->setUpdatesEnabled(true);
    }
    RedrawSuspended(const RedrawSuspended&) = delete;
    RedrawSuspended& operator=(const RedrawSuspended&) = delete;

private:
    std::array<QWidget*, 2> m_widgets;
};

} // namespace

// Qt delivers drags to each view as events; the views pass them on here, accepting every drag of
// the editor's own entries, and the handlers below decide what they mean.
void MainWindow::wireEditing() {
    EditorView* tree = ui->MenuTree;
    EditorView* list = ui->AvailableList;
    for (EditorView* view : {tree, list}) {
        connect(view, &EditorView::dragStarted, this, guard([this] { beginEntriesDrag(); }));
        connect(view, &EditorView::dragFinished, this, guard([this] { endEntriesDrag(); }));
        connect(view, &EditorView::dropped, this,
                guard([this, view](QWidget* source) { dropEntries(view, source); }));
    }
    connect(tree, &EditorView::dragEntered, this,
            guard([this](QPoint at) { treeDragOver(at, true); }));
    connect(tree, &EditorView::dragMoved, this,
            guard([this](QPoint at) { treeDragOver(at, false); }));
    connect(list, &EditorView::dragEntered, this,
            guard([this](QPoint at) { listDragOver(at, true); }));
    connect(list, &EditorView::dragMoved, this,
            guard([this](QPoint at) { listDragOver(at, false); }));
    tree->setKeyHandler([this](int key, Qt::KeyboardModifiers modifiers) {
        return guardedAnswer([&] { return treeKeyPressed(key, modifiers); });
    });
    list->setKeyHandler([this](int key, Qt::KeyboardModifiers modifiers) {
        return guardedAnswer([&] { return listKeyPressed(key, modifiers); });
    });
    tree->setEditingHandler([this](const QModelIndex& index) {
        return guardedAnswer([&] { return mayEditInTree(index); });
    });
    list->setEditingHandler([this](const QModelIndex& index) {
        return guardedAnswer([&] { return mayEditInList(index); });
    });
}

void MainWindow::beginEntriesDrag() {
    m_dragging = true;
}

// A drag can also end away from both views: dropped elsewhere or given up with Escape. The flag
// is cleared then too, so that the splitter is never left blocked by a drag that is over.
void MainWindow::endEntriesDrag() {
    m_dragging = false;
    ui->MenuTree->setDropTarget({});
    ui->AvailableList->setDropTarget({});
}

// Qt follows a drag's entry at once with a move at the same point, so the first visible node is
// the target only until the pointer is over a node; over empty space the last target stays.
void MainWindow::treeDragOver(QPoint position, bool entering) {
    EditorView* tree = ui->MenuTree;
    if (entering)
        tree->setDropTarget(tree->indexAt(QPoint(0, 0)));
    if (const QModelIndex over = tree->indexAt(position); over.isValid())
        tree->setDropTarget(over);
}

// On the list a drop means "back to the end", wherever the pointer is.
void MainWindow::listDragOver(QPoint, bool entering) {
    if (entering && m_available.size() > 0)
        ui->AvailableList->setDropTarget(m_availableModel.index(m_available.size() - 1, 0));
}

// What a drop does, as the Undo entry names it.
std::string MainWindow::dropName(QWidget* dropControl, QWidget* sourceControl) const {
    const MenuNode* selected = selectedNode();
    if (sourceControl == ui->MenuTree)
        return (dropControl == ui->AvailableList ? "Remove " : "Move ") +
               (selected ? quoted(selected->caption()) : std::string());
    std::vector<const AvailableEntry*> entries;
    for (const AvailableEntry& entry : m_available.entries())
        if (entry.selected)
            entries.push_back(&entry);
    return entries.size() == 1 ? "Insert " + quoted(entries.front()->caption)
                               : "Insert " + std::to_string(entries.size()) + " Entries";
}

void MainWindow::dropEntries(QWidget* dropControl, QWidget* sourceControl) {
    EditorView* tree = ui->MenuTree;
    EditorView* list = ui->AvailableList;
    TreeEditing editing(m_tree, m_available, m_pool);
    EditView view;
    const auto drop = [&] {
        RedrawSuspended redraw(tree, list);
        if (dropControl == list && sourceControl == tree) {
            editing.remove(selectedNode());
            // Qt moves the current row on from a removed node without selecting it; the tree
            // keeps a selected node as long as there is one to show.
            if (!selectedNode())
                view.select = m_menuModel.node(tree->currentIndex());
        } else if (dropControl == tree && sourceControl == list) {
            view = editing.insertSelected(m_menuModel.node(tree->dropTarget()),
                                          m_menuModel.node(tree->indexAt(QPoint(0, 0))));
        } else if (dropControl == tree && sourceControl == tree) {
            MenuNode* dragged = selectedNode();
            MenuNode* target = m_menuModel.node(tree->dropTarget());
            const std::array formerParents{dragged ? dragged->parent() : nullptr,
                                           target ? target->parent() : nullptr};
            {
                const QSignalBlocker quiet(tree->selectionModel());
                view = editing.move(dragged, target);
            }
            // Qt remembers an emptied node as expanded and would show it open again as soon as
            // something is dropped into it.
            for (MenuNode* parent : formerParents)
                if (parent && parent->childCount() == 0)
                    tree->collapse(m_menuModel.indexOf(parent));
        }
    };
    // A drop within the tree that moves no node is no step to undo, though one into the dragged
    // node's own subtree still marks its target as having children.
    if (dropControl == tree && sourceControl == tree &&
        !TreeEditing::moves(selectedNode(), m_menuModel.node(tree->dropTarget())))
        drop();
    else
        perform(dropName(dropControl, sourceControl), drop);
    list->resizeColumnToContents(AvailableEntriesItemModel::DescriptionColumn);
    m_dragging = false;
    showEdit(view);
}

void MainWindow::moveSelectedNode(TreeEditing::Step step) {
    MenuNode* node = selectedNode();
    if (!node || ui->MenuTree->editing())
        return;
    EditView view;
    perform("Move " + quoted(node->caption()),
            [&] { view = TreeEditing(m_tree, m_available, m_pool).step(node, step); });
    showEdit(view);
}

void MainWindow::insertSelectedEntries() {
    EditorView* tree = ui->MenuTree;
    const MenuNode* selected = selectedNode();
    tree->setDropTarget(selected ? m_menuModel.indexOf(selected) : QModelIndex());
    dropEntries(tree, ui->AvailableList);
    tree->setDropTarget({});
}

void MainWindow::showEdit(const EditView& view) {
    EditorView* tree = ui->MenuTree;
    if (view.expand)
        tree->expand(m_menuModel.indexOf(view.expand));
    if (view.select) {
        // Selecting the row that is already current brings no change of the current row from
        // Qt, yet the selection did change.
        const QModelIndex select = m_menuModel.indexOf(view.select);
        const bool wasCurrent = tree->currentIndex() == select;
        tree->setCurrentIndex(select);
        if (wasCurrent)
            describeSelection();
    }
    if (view.scrollTo)
        tree->scrollTo(m_menuModel.indexOf(view.scrollTo));
}

// Qt's own F2 edits the current row; taken here, it edits the selected node, and in the list the
// first selected entry, which need not be the current one.
bool MainWindow::treeKeyPressed(int key, Qt::KeyboardModifiers modifiers) {
    EditorView* tree = ui->MenuTree;
    if (modifiers == Qt::ControlModifier) {
        static const std::map<int, TreeEditing::Step> steps{{Qt::Key_Up, TreeEditing::Step::Up},
                                                            {Qt::Key_Down, TreeEditing::Step::Down},
                                                            {Qt::Key_Left, TreeEditing::Step::Out},
                                                            {Qt::Key_Right, TreeEditing::Step::In}};
        if (const auto step = steps.find(key); step != steps.end()) {
            moveSelectedNode(step->second);
            return true;
        }
    }
    switch (key) {
    case Qt::Key_Delete:
        // As if the node had been dropped on the list; a caption being edited keeps its node.
        if (!tree->editing() && selectedNode())
            dropEntries(ui->AvailableList, tree);
        return true;
    case Qt::Key_F2:
        if (const MenuNode* node = selectedNode())
            tree->editCaption(m_menuModel.indexOf(node));
        return true;
    default:
        return false;
    }
}

bool MainWindow::listKeyPressed(int key, Qt::KeyboardModifiers) {
    if (key == Qt::Key_Insert || key == Qt::Key_Return || key == Qt::Key_Enter) {
        insertSelectedEntries();
        return true;
    }
    if (key != Qt::Key_F2)
        return false;
    for (int row = 0; row < m_available.size(); ++row) {
        if (m_available.at(row).selected) {
            ui->AvailableList->editCaption(
                m_availableModel.index(row, AvailableEntriesItemModel::OperationColumn));
            break;
        }
    }
    return true;
}

bool MainWindow::mayEditInTree(const QModelIndex& index) {
    const MenuNode* node = m_menuModel.node(index);
    if (!node)
        return false;
    if (TreeEditing::mayRename(*node))
        return true;
    m_messages.message(messages::cannotModify);
    return false;
}

bool MainWindow::mayEditInList(const QModelIndex& index) {
    if (!index.isValid() || index.row() >= m_available.size())
        return false;
    if (TreeEditing::mayRename(m_available.at(index.row())))
        return true;
    m_messages.message(messages::cannotModify);
    return false;
}

void MainWindow::listSelectionToCore() {
    if (m_syncingSelection)
        return;
    m_syncingSelection = true;
    const QItemSelectionModel* selection = ui->AvailableList->selectionModel();
    for (int row = 0; row < m_available.size(); ++row)
        m_available.setSelected(row, selection->isRowSelected(row));
    m_syncingSelection = false;
}

void MainWindow::listSelectionFromCore(int first, int last) {
    if (m_syncingSelection)
        return;
    m_syncingSelection = true;
    QItemSelectionModel* selection = ui->AvailableList->selectionModel();
    for (int row = std::max(first, 0); row <= last && row < m_available.size(); ++row) {
        if (selection->isRowSelected(row) == m_available.at(row).selected)
            continue;
        selection->select(m_availableModel.index(row, 0),
                          (m_available.at(row).selected ? QItemSelectionModel::Select
                                                        : QItemSelectionModel::Deselect) |
                              QItemSelectionModel::Rows);
    }
    m_syncingSelection = false;
}

} // namespace quorvane
