#pragma once

#include <QPoint>
#include <QSize>
#include <QString>
#include <functional>
#include <string>
#include <vector>

class QWidget;

namespace quorvane {

class TAssoc;

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
    // What the user changed in it and has not stored yet, which closing the program asks about;
    // only the properties dialog holds any.
    virtual bool holdsUnstoredChanges() const { return false; }
    // Stores it, as the dialog's Apply does; throws Failure when it cannot be stored.
    virtual void storeChanges() {}
};

// The directory chooser as the window opens it for one Move To or Copy To item: its "Ok" hands
// the directory chosen for the record it is bound to to the target handler. Closing ends the
// binding.
class TargetFolderChooser : public FollowingDialog {
public:
    using TargetHandler = std::function<void(TAssoc* record, std::string target)>;
    virtual void setTargetHandler(TargetHandler handler) = 0;
    virtual void setCaption(const QString& caption) = 0;
    virtual void bind(TAssoc* record) = 0;
    virtual TAssoc* boundRecord() const = 0;
    virtual void closeDialog() = 0;
    // The size the user gave it, kept across runs; a chooser of a fixed size has none to keep.
    virtual QSize dialogSize() const { return {}; }
    virtual void setDialogSize(QSize) {}
};

// A following dialog's offset, kept apart from the moves the program makes itself.
//
// Qt has no message for a window being dragged by the user; it reports every move once done,
// the dialog's own following moves included, and those may arrive after the main window has
// moved on. So a move to a place the program asked for leaves the offset alone, and any other
// move of the visible dialog is the user's and sets the offset.
class FollowingOffset {
public:
    FollowingOffset(QWidget& dialog, const QWidget& mainWindow, QPoint offset)
        : m_dialog(dialog), m_mainWindow(mainWindow), m_offset(offset) {}

    QPoint offset() const { return m_offset; }
    void setOffset(QPoint offset) { m_offset = offset; }
    // Moves the dialog there as the program's own move.
    void moveTo(QPoint topLeft);
    // To be called from the dialog's moveEvent.
    void moved();

private:
    QWidget& m_dialog;
    const QWidget& m_mainWindow;
    QPoint m_offset;
    // Where the program itself has put the dialog and not yet seen it arrive, oldest first.
    std::vector<QPoint> m_placed;
};

} // namespace quorvane
