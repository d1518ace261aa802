#pragma once

#include "app/ClosingDialog.h"
#include "gui/FollowingDialog.h"

#include <QPoint>
#include <QSize>
#include <QString>
#include <map>
#include <memory>
#include <utility>

class QTreeWidgetItem;

namespace Ui {
class DirectoryChooser;
}

namespace quorvane {

// The directory chooser: picks the target directory of one Move To or Copy To item of the menu
// tree and writes it straight into the item's record. Made once, hidden, and shown without
// blocking the main window; it reopens in the directory the user last opened. Its lists are made
// and filled at the first showing, so that a start-up that never opens it does not pay for them.
//
// The drives of the selector are the mounted volumes, the file system's root first: off Windows
// they are what comes nearest to drive letters. The list shows the path from the root of the
// file system down to the current directory, then that directory's subdirectories; the selector
// shows the volume the current directory lies on, and choosing a volume goes back to the
// directory last opened on it, as each drive keeps its own current directory.
class DirectoryChooser : public ClosingDialog, public TargetFolderChooser {
    Q_OBJECT
    // Drawn in the program's own small face, on whole pixels (see Application).
    Q_CLASSINFO("DrawnOnWholePixels", "yes")
public:
    static constexpr QPoint defaultOffset{150, 72};
    // Its designed size, and the least it can be given.
    static constexpr QSize clientSize{234, 129};

    // Runs setUp; the current directory is the process's working directory. It follows
    // `mainWindow`.
    explicit DirectoryChooser(QWidget& mainWindow);
    ~DirectoryChooser() override;

    bool showing() const override { return m_showing; }
    QPoint offset() const override { return m_following.offset(); }
    void moveTo(QPoint topLeft) override;
    void showModeless() override;
    void setCaption(const QString& caption) override;
    void setTargetHandler(TargetHandler handler) override { m_targetHandler = std::move(handler); }
    void bind(TAssoc* record) override { m_bound = record; }
    TAssoc* boundRecord() const override { return m_bound; }
    void closeDialog() override { close(); }
    QSize dialogSize() const override { return size(); }
    // Never below the designed size, which is the least it can be given.
    void setDialogSize(QSize size) override { resize(size.expandedTo(minimumSize())); }

    void setVisible(bool visible) override;

    // The directory opened last: a full path in the platform's notation, a root with its
    // separator. Ok stores it unless another line is highlighted.
    QString currentDirectory() const;

    void okClicked();
    void cancelClicked();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void setUp();
    void build();
    void prepareToShow();
    void finishClosing();
    void driveChosen(int index);
    void directoryDoubleClicked(QTreeWidgetItem* item);
    void open(const QString& directory);
    // Makes `directory` the current one, without filling the lists.
    void enter(const QString& directory);
    void fillDrives();
    void fillDirectories();

    // Built when the chooser is first shown.
    std::unique_ptr<Ui::DirectoryChooser> ui;
    TargetHandler m_targetHandler;
    FollowingOffset m_following;
    bool m_showing = false;
    TAssoc* m_bound = nullptr;
    QString m_current; // absolute, in Qt's notation
    // The directory last opened on each volume, by the volume's root.
    std::map<QString, QString> m_volumeDirectories;
};

} // namespace quorvane
