#include "editor/MainWindow.h"

#include "editor/CaptionEditing.h"
#include "editor/ClosePrompt.h"
#include "editor/DragDropController.h"
#include "editor/EditActions.h"
#include "editor/ListSelectionSync.h"
#include "editor/MenuPreview.h"
#include "editor/PanelSplitter.h"
#include "editor/Pictures.h"
#include "editor/TargetAssignment.h"
#include "gui/ErrorHandler.h"
#include "gui/QtText.h"
#include "menu/MenuWriter.h"
#include "menu/RecordPool.h"
#include "rules/ItemDetails.h"
#include "settings/Apply.h"
#include "settings/MenuFile.h"
#include "settings/Messages.h"
#include "settings/Presets.h"
#include "ui_MainWindow.h"

#include <QApplication>
#include <QCloseEvent>
#include <QCursor>
#include <QFile>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>

namespace quorvane {

namespace {

constexpr int imageSize = 16;
constexpr int buttonRowHeight = 31;
// Narrower than Properties' right edge, a gap and the 250 that Apply keeps from the right edge,
// Apply would cover Properties; buttons grown for a larger font need more.
constexpr int minimumWindowWidth = 8 + 75 + 8 + 250;
// Under the menu bar and above the button row and the status bar, a few rows of the tree and list.
constexpr int minimumViewHeight = 3 * 20;

} // namespace

MainWindow::MainWindow(Services services, QWidget* parent)
    : QMainWindow(parent), ui(std::make_unique<Ui::MainWindow>()), m_registry(services.registry),
      m_pool(services.pool), m_programDirectory(std::move(services.programDirectory)),
      m_firstRun(std::move(services.firstRun)), m_tree(m_pool.rootRecord()), m_menuModel(m_tree),
      m_availableModel(m_available), m_images(smallImages(), imageSize, smallImages32()),
      m_placement(*this, m_registry, designSize) {
    ui->setupUi(this);
    m_splitter = std::make_unique<PanelSplitter>(
        PanelSplitter::Parts{ui->ViewsPanel, ui->MenuTree, ui->Splitter, ui->AvailableList,
                             ui->ButtonRow},
        designTreeWidth, designSize.width(), buttonRowHeight, [this] { return dragging(); });
    m_buttonsRightMargin = ui->ButtonRowLayout->contentsMargins().right();
    m_saveDialog.defaultSuffix = QStringLiteral("drm");
    QIcon icon;
    icon.addPixmap(QPixmap::fromImage(icon64()));
    icon.addPixmap(QPixmap::fromImage(icon32()));
    icon.addPixmap(QPixmap::fromImage(icon16()));
    setWindowIcon(icon);
    m_session = std::make_unique<EditSession>(*this, *ui->MenuTree, [this] { refreshEditState(); });
    configureViews();
    fitMinimumSize();
    wireHandlers();
    m_dragDrop = new DragDropController(*this, *ui->MenuTree, *ui->AvailableList);
    m_targets = new TargetAssignment(*this, *ui->MenuTree, m_openDialog);
    new CaptionEditing(*this, *ui->MenuTree, *ui->AvailableList);
    new ListSelectionSync(*ui->AvailableList, m_availableModel, m_available);
    m_title = windowTitle();
    m_actions = new EditActions(*this, *ui->MenuTree, *ui->AvailableList);
    m_actions->addEditMenu(*menuBar(), ui->PresetMenu->menuAction());
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

    // The user sizes the columns; until then they are fitted at the first showing (showEvent).
    QHeaderView* header = ui->AvailableList->header();
    header->setSortIndicatorShown(false);
    header->setSectionResizeMode(QHeaderView::Interactive);

    ui->MenuTree->viewport()->installEventFilter(this);

    // A submenu without entries is never open: the view would keep it open once asked to (the
    // '*' key opens every row below the current one) or once its last entry left, and a screen
    // reader would call it an open one.
    EditorView* tree = ui->MenuTree;
    const auto closeIfEmpty = [tree](const QModelIndex& index) {
        if (index.isValid() && tree->isExpanded(index) && !tree->model()->hasChildren(index))
            tree->collapse(index);
    };
    connect(tree, &QTreeView::expanded, this, closeIfEmpty);
    connect(&m_menuModel, &QAbstractItemModel::rowsRemoved, this,
            [closeIfEmpty](const QModelIndex& parent) { closeIfEmpty(parent); });
    connect(&m_menuModel, &QAbstractItemModel::rowsMoved, this,
            [closeIfEmpty](const QModelIndex& parent) { closeIfEmpty(parent); });

    // Names a screen reader announces.
    ui->MenuTree->setAccessibleName(QStringLiteral("Menu"));
    ui->AvailableList->setAccessibleName(QStringLiteral("Available entries"));
    ui->Splitter->setAccessibleName(QStringLiteral("Splitter between the menu and the entries"));
    ui->ButtonRow->setAccessibleName(QStringLiteral("Buttons"));
    ui->ViewsPanel->setAccessibleName(QStringLiteral("Menu and available entries"));
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
    connect(ui->MenuTree, &QTreeView::doubleClicked, this,
            guard([this] { m_targets->doubleClicked(); }));
    // The Edit menu's entries follow the selected node: what applies to it is enabled.
    connect(ui->MenuTree->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            guard([this] {
                describeSelection();
                m_actions->refresh();
            }));
    // A target set, by the file dialog or the directory chooser, shows in the status bar at once.
    connect(&m_menuModel, &QAbstractItemModel::dataChanged, this,
            guard([this] { describeSelection(); }));
    // A reset empties the selection without a word; the status bar must not go on describing a
    // node that is gone.
    connect(&m_menuModel, &QAbstractItemModel::modelReset, this,
            guard([this] { describeSelection(); }));
    connect(&m_menuModel, &MenuTreeItemModel::nodeAboutToLeave, this,
            guard([this](MenuNode* node) { m_targets->nodeLeaving(node); }));
}

// Each step reports its own failure and the next still runs, so that a stored menu that does not
// load still leaves a window with its images that follows its dialogs.
void MainWindow::startUp() {
    guarded([this] {
        m_arrangement = m_placement.restore();
        if (m_arrangement.treeShare)
            m_splitter->setTreeShare(*m_arrangement.treeShare);
    });
    guarded([this] { loadMenu(LoadMode::Stored); });
    m_session->rememberApplied();
    refreshEditState();
    m_images.load();
    m_menuModel.setImageProvider([this](const MenuNode& node) { return nodeIcon(node); });
    m_availableModel.setImageProvider(
        [this](const TAssoc& r) { return m_images.icon(r.imageIndex, r.imageIndex); });
    m_following = true;
    QApplication::setWindowIcon(windowIcon());
}

void MainWindow::loadMenu(LoadMode mode, std::string_view menuString) {
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
        quorvane::loadMenu(m_registry, m_pool, m_tree, m_available, mode, menuString, m_firstRun);
    if (loaded.expand)
        ui->MenuTree->expand(m_menuModel.indexOf(loaded.expand));
    if (loaded.select)
        ui->MenuTree->setCurrentIndex(m_menuModel.indexOf(loaded.select));
}

void MainWindow::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    m_placement.shown();
    if (!m_columnsSet) {
        m_columnsSet = true;
        setColumnWidths();
    }
}

// Widths the user gave the columns come back as they were. Without them, "Operation" is never
// narrower than its header and also fits the captions, which a header this short would otherwise
// cut off, and "Description" fits the descriptions.
void MainWindow::setColumnWidths() {
    QHeaderView* header = ui->AvailableList->header();
    if (m_arrangement.operationWidth && m_arrangement.descriptionWidth) {
        header->resizeSection(0, *m_arrangement.operationWidth);
        header->resizeSection(1, *m_arrangement.descriptionWidth);
        return;
    }
    ui->AvailableList->resizeColumnToContents(0);
    ui->AvailableList->resizeColumnToContents(1);
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

// Every control shows whole at the least size, the buttons, the status bar and a few rows of the
// views, whatever the font.
void MainWindow::fitMinimumSize() {
    setMinimumSize(std::max(minimumWindowWidth, ui->ButtonRow->minimumSizeHint().width()),
                   menuBar()->sizeHint().height() + minimumViewHeight +
                       m_splitter->buttonRowHeight() + ui->StatusBar->sizeHint().height());
}

void MainWindow::changeEvent(QEvent* event) {
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::FontChange && m_splitter)
        fitMinimumSize();
}

void MainWindow::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    m_placement.movedOrResized();
    alignButtonsToFrame();
}

// The buttons on the right keep their distances from the window's outer right edge, frame
// included, as the window was designed; the layout in the form counts from the inner edge.
void MainWindow::alignButtonsToFrame() {
    const int frame = frameGeometry().width() - width();
    QMargins margins = ui->ButtonRowLayout->contentsMargins();
    margins.setRight(std::max(0, m_buttonsRightMargin - frame));
    ui->ButtonRowLayout->setContentsMargins(margins);
}

bool MainWindow::dragging() const {
    return m_dragDrop && m_dragDrop->dragging();
}

void MainWindow::setDragging(bool dragging) {
    m_dragDrop->setDragging(dragging);
}

bool MainWindow::splitting() const {
    return m_splitter->splitting();
}

int MainWindow::treeWidth() const {
    return m_splitter->treeWidth();
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == ui->MenuTree->viewport() && event->type() == QEvent::MouseButtonRelease)
        m_targets->mouseReleased(static_cast<QMouseEvent*>(event)->position().toPoint());
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
         std::initializer_list<FollowingDialog*>{m_targets->directoryChooser(), m_propertiesDialog})
        if (dialog && dialog->showing())
            dialog->moveTo(pos() + dialog->offset());
}

void MainWindow::setDirectoryChooser(TargetFolderChooser* dialog) {
    m_targets->setDirectoryChooser(dialog);
    if (dialog && m_arrangement.chooserWidth && m_arrangement.chooserHeight)
        dialog->setDialogSize({*m_arrangement.chooserWidth, *m_arrangement.chooserHeight});
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
    guarded([this] {
        Arrangement inside = m_arrangement;
        inside.treeShare = m_splitter->treeShare();
        if (m_columnsSet) {
            const QHeaderView* header = ui->AvailableList->header();
            inside.operationWidth = header->sectionSize(0);
            inside.descriptionWidth = header->sectionSize(1);
        }
        if (const TargetFolderChooser* chooser = m_targets->directoryChooser()) {
            if (const QSize size = chooser->dialogSize(); !size.isEmpty()) {
                inside.chooserWidth = size.width();
                inside.chooserHeight = size.height();
            }
        }
        m_placement.save(inside);
    });
    m_following = false;
}

// The properties go first: what Apply refuses in the menu is then the only thing left to decide;
// an Apply that fails keeps the window open.
bool MainWindow::mayClose() {
    const bool menu = hasUnappliedChanges();
    const bool properties = m_propertiesDialog && m_propertiesDialog->holdsUnstoredChanges();
    switch (askBeforeClosing(this, m_title, menu, properties)) {
    case CloseDecision::Apply:
        if (properties)
            m_propertiesDialog->storeChanges();
        if (menu) {
            if (!applyMenu(m_registry, m_tree, m_available, m_messages))
                return false;
            m_session->rememberApplied();
            refreshEditState();
        }
        return true;
    case CloseDecision::Discard:
        return true;
    default:
        return false;
    }
}

void MainWindow::bringToFront() {
    if (isMinimized())
        showNormal();
    raise();
    activateWindow();
}

void MainWindow::applyClicked() {
    if (applyMenu(m_registry, m_tree, m_available, m_messages)) {
        m_session->rememberApplied();
        refreshEditState();
    }
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
    loadAsStep("Preset \"Default\"", LoadMode::Given, defaultMenu(m_registry));
}

void MainWindow::presetCompact() {
    loadAsStep("Preset \"Compact\"", LoadMode::Given, compactMenu(m_registry));
}

void MainWindow::presetAll() {
    loadAsStep("Preset \"All\"", LoadMode::Given, allMenu(m_registry));
}

void MainWindow::loadAsStep(std::string what, LoadMode mode, std::string_view menuString) {
    m_session->load(std::move(what), mode == LoadMode::Stored, [&] { loadMenu(mode, menuString); });
}

void MainWindow::refreshEditState() {
    setWindowTitle(hasUnappliedChanges() ? m_title + QStringLiteral(" *") : m_title);
    m_actions->refresh();
}

// The unapplied state, as Apply would store it and the extension then show it.
void MainWindow::showPreview() {
    QMenu* preview = previewMenu(shownMenu(*m_tree.root()), this);
    preview->setAttribute(Qt::WA_DeleteOnClose);
    preview->popup(QCursor::pos());
}

void MainWindow::undoStep() {
    m_session->undo();
}

void MainWindow::redoStep() {
    m_session->redo();
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

void MainWindow::moveSelectedNode(TreeEditing::Step step) {
    MenuNode* node = selectedNode();
    if (!node || ui->MenuTree->editing())
        return;
    EditView view;
    perform("Move " + quotedCaption(node->caption()),
            [&] { view = TreeEditing(m_tree, m_available, m_pool).step(node, step); });
    showEdit(view);
}

void MainWindow::insertSelectedEntries() {
    EditorView* tree = ui->MenuTree;
    const MenuNode* selected = selectedNode();
    tree->setDropTarget(selected ? m_menuModel.indexOf(selected) : QModelIndex());
    m_dragDrop->drop(tree, ui->AvailableList);
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

} // namespace quorvane
