#include "app/DirectoryChooser.h"

#include "app/EscapeKey.h"
#include "app/TopLevel.h"
#include "gui/ErrorHandler.h"
#include "gui/TargetPath.h"
#include "gui/TitleRoom.h"
#include "ui_DirectoryChooser.h"

#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QKeyEvent>
#include <QStorageInfo>
#include <QStyle>
#include <algorithm>

namespace quorvane {

namespace {

constexpr int lineHeight = 16;
constexpr int pathRole = Qt::UserRole;

// The volume `path` lies on, by its root; a path that no longer exists by its nearest ancestor
// that does.
QString volumeOf(QString path) {
    for (;;) {
        const QStorageInfo volume(path);
        if (volume.isValid())
            return volume.rootPath();
        const QString parent = QFileInfo(path).path();
        if (parent == path)
            return path;
        path = parent;
    }
}

} // namespace

DirectoryChooser::DirectoryChooser(QWidget& mainWindow)
    : ClosingDialog(&mainWindow, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                                     Qt::WindowCloseButtonHint | Qt::WindowStaysOnTopHint),
      m_following(*this, mainWindow, defaultOffset) {
    // The window's own properties are there from the start; its contents come with the first
    // showing.
    setWindowTitle(QStringLiteral("Configuration"));
    setMinimumSize(clientSize);
    resize(clientSize);
    setUp();
}

DirectoryChooser::~DirectoryChooser() = default;

// The chooser exists from start-up, but its lists, the volumes and the folder icons are looked up
// only for a user who opens it.
void DirectoryChooser::setVisible(bool visible) {
    if (visible && !ui)
        build();
    ClosingDialog::setVisible(visible);
}

void DirectoryChooser::build() {
    const QSize chosen = size();
    ui = std::make_unique<Ui::DirectoryChooser>();
    ui->setupUi(this);
    // The room beyond the designed size goes to the lists; the buttons keep to the right edge, Ok
    // at the bottom. What a larger font needs raises the least size the user can give it.
    holdDesignedSize(*this, clientSize, true);
    resize(chosen.expandedTo(minimumSize()));
    m_volumeDirectories[volumeOf(m_current)] = m_current;
    // Every line is always open, so the lines need no expand buttons.
    ui->Directories->setStyleSheet(QStringLiteral("QTreeView::branch { image: none; }"));
    // The header is hidden, but a screen reader still reads its title; the form's placeholder
    // would be read as "1".
    ui->Directories->setHeaderLabels({QStringLiteral("Folders")});
    ui->Directories->setAccessibleName(QStringLiteral("Folders"));
    // Where a drop-down list is announced by its name rather than by its current line.
    ui->Drives->setAccessibleName(QStringLiteral("Drives"));
    ui->Directories->installEventFilter(this);

    connect(ui->Ok, &QPushButton::clicked, this, guard([this] { okClicked(); }));
    connect(ui->Cancel, &QPushButton::clicked, this, guard([this] { cancelClicked(); }));
    pressOnEscape(*this, *ui->Cancel);
    connect(ui->Drives, &QComboBox::activated, this,
            guard([this](int index) { driveChosen(index); }));
    connect(ui->Directories, &QTreeWidget::itemDoubleClicked, this,
            guard([this](QTreeWidgetItem* item) { directoryDoubleClicked(item); }));
}

// The lists are filled when the chooser shows; here it only takes the directory it opens in. Which
// volume that lies on is looked up at the first showing too, as it reads the system's mount table.
void DirectoryChooser::setUp() {
    m_following.setOffset(defaultOffset);
    m_current = QDir::cleanPath(QDir::currentPath());
}

QString DirectoryChooser::currentDirectory() const {
    return QDir::toNativeSeparators(m_current);
}

// The caption names the item; the chooser widens to show it whole, and otherwise keeps the size
// the user gave it.
void DirectoryChooser::setCaption(const QString& caption) {
    setWindowTitle(caption);
    if (const int wide = widthForTitle(*this, caption); wide > width())
        resize(wide, height());
}

void DirectoryChooser::moveTo(QPoint topLeft) {
    m_following.moveTo(topLeft);
}

void DirectoryChooser::showModeless() {
    show();
    raise();
    activateWindow();
}

void DirectoryChooser::showEvent(QShowEvent* event) {
    ClosingDialog::showEvent(event);
    m_showing = true;
    // Coming back from being minimised with the main window is not a new opening.
    if (!event->spontaneous())
        guarded([this] { prepareToShow(); });
}

// Directories and volumes may have come and gone while the window was hidden; the current
// directory stays what it was.
void DirectoryChooser::prepareToShow() {
    if (!ui)
        build();
    fillDrives();
    fillDirectories();
    ui->Ok->setFocus();
}

void DirectoryChooser::closeEvent(QCloseEvent* event) {
    finishClosing();
    ClosingDialog::closeEvent(event);
}

void DirectoryChooser::finishClosing() {
    m_showing = false;
    m_bound = nullptr;
}

void DirectoryChooser::moveEvent(QMoveEvent* event) {
    ClosingDialog::moveEvent(event);
    m_following.moved();
}

// Ok takes the highlighted line, opened or not: a user who picks a folder with one click means
// that folder. The chooser then reopens there. A target the settings cannot hold keeps it open.
void DirectoryChooser::okClicked() {
    QString chosen = m_current;
    if (const QTreeWidgetItem* line = ui ? ui->Directories->currentItem() : nullptr)
        chosen = line->data(0, pathRole).toString();
    if (m_bound && m_targetHandler)
        m_targetHandler(m_bound, targetPath(chosen));
    enter(chosen);
    close();
}

void DirectoryChooser::cancelClicked() {
    close();
}

void DirectoryChooser::driveChosen(int index) {
    const QString root = ui->Drives->itemData(index).toString();
    const auto remembered = m_volumeDirectories.find(root);
    if (remembered != m_volumeDirectories.end() && QFileInfo(remembered->second).isDir())
        open(remembered->second);
    else
        open(root);
}

void DirectoryChooser::directoryDoubleClicked(QTreeWidgetItem* item) {
    if (item)
        open(item->data(0, pathRole).toString());
}

// A directory or volume that went away since the lists were filled is not opened; the lists are
// filled again instead, without it.
void DirectoryChooser::open(const QString& directory) {
    enter(directory);
    fillDrives();
    fillDirectories();
}

void DirectoryChooser::enter(const QString& directory) {
    if (QFileInfo(directory).isDir()) {
        m_current = QDir::cleanPath(directory);
        m_volumeDirectories[volumeOf(m_current)] = m_current;
    }
}

void DirectoryChooser::fillDrives() {
    QStringList roots;
    for (const QStorageInfo& volume : QStorageInfo::mountedVolumes())
        if (volume.isValid() && volume.isReady())
            roots.append(volume.rootPath());
    // Volumes the system does not list as such (its own pseudo file systems) are shown while the
    // current directory lies on one.
    const QString current = volumeOf(m_current);
    if (!roots.contains(current))
        roots.append(current);
    std::sort(roots.begin(), roots.end(), [](const QString& a, const QString& b) {
        return QString::compare(a, b, Qt::CaseInsensitive) < 0;
    });
    roots.erase(std::unique(roots.begin(), roots.end()), roots.end());

    ui->Drives->clear();
    for (const QString& root : roots)
        ui->Drives->addItem(QDir::toNativeSeparators(root), root);
    ui->Drives->setCurrentIndex(static_cast<int>(roots.indexOf(current)));
}

void DirectoryChooser::fillDirectories() {
    QStringList path{m_current};
    for (QString parent = QFileInfo(m_current).path(); parent != path.first();
         parent = QFileInfo(parent).path())
        path.prepend(parent);

    QTreeWidget* list = ui->Directories;
    list->clear();
    const QIcon openIcon = style()->standardIcon(QStyle::SP_DirOpenIcon);
    const QIcon closedIcon = style()->standardIcon(QStyle::SP_DirClosedIcon);
    auto addLine = [](QTreeWidgetItem* line, const QString& directory, const QString& text,
                      const QIcon& icon) {
        line->setText(0, text);
        line->setIcon(0, icon);
        line->setData(0, pathRole, directory);
        line->setSizeHint(0, QSize(0, lineHeight));
        return line;
    };

    QTreeWidgetItem* current = addLine(new QTreeWidgetItem(list), path.first(),
                                       QDir::toNativeSeparators(path.first()), openIcon);
    for (qsizetype i = 1; i < path.size(); ++i)
        current =
            addLine(new QTreeWidgetItem(current), path[i], QFileInfo(path[i]).fileName(), openIcon);
    const QFileInfoList subdirectories = QDir(m_current).entryInfoList(
        QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase);
    for (const QFileInfo& subdirectory : subdirectories) {
        QTreeWidgetItem* line =
            addLine(new QTreeWidgetItem(current), QDir::cleanPath(subdirectory.absoluteFilePath()),
                    subdirectory.fileName(), closedIcon);
        line->setFlags(line->flags() | Qt::ItemNeverHasChildren);
    }

    // Only lines with lines below them are opened: the view would keep any other line it was
    // asked to open as open, and a screen reader would call an empty folder an open one.
    for (QTreeWidgetItem* line = current; line; line = line->parent())
        line->setExpanded(line->childCount() > 0);
    list->setCurrentItem(current);
    list->scrollToItem(current);
}

// Keys reach the chooser as they reach any window: a focused button takes Enter, and elsewhere
// Enter presses no button, where a dialog would press its default one.
void DirectoryChooser::keyPressEvent(QKeyEvent* event) {
    QWidget::keyPressEvent(event);
}

// Return opens the highlighted line, for those who choose without a mouse.
bool DirectoryChooser::eventFilter(QObject* watched, QEvent* event) {
    if (ui && watched == ui->Directories && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            guarded([this] { directoryDoubleClicked(ui->Directories->currentItem()); });
            return true;
        }
    }
    return ClosingDialog::eventFilter(watched, event);
}

} // namespace quorvane
