#pragma once

#include <QMessageBox>
#include <QString>

namespace quorvane {

// Shows a message box and says which button closed it.
class MessageBoxPresenter {
public:
    virtual ~MessageBoxPresenter() = default;
    virtual QMessageBox::StandardButton present(QWidget* parent, QMessageBox::Icon icon,
                                                const QString& caption, const QString& text,
                                                QMessageBox::StandardButtons buttons,
                                                QMessageBox::StandardButton defaultButton) = 0;
};

// Every message box of the program is asked for here. Qt's boxes show them, unless another
// presenter stands in (the tests answer them from a script instead of blocking on a modal box).
class MessageBoxes {
public:
    static QMessageBox::StandardButton
    show(QWidget* parent, QMessageBox::Icon icon, const QString& caption, const QString& text,
         QMessageBox::StandardButtons buttons,
         QMessageBox::StandardButton defaultButton = QMessageBox::NoButton);

    // What the program itself detects: caption "Quorvane", one OK button.
    static void message(QWidget* parent, const QString& text);
    // A failure that ended a handler, captioned with the application title.
    static void failure(QWidget* parent, const QString& text);

    // Shows the boxes through `presenter` from now on; null gives them back to Qt's boxes.
    static void setPresenter(MessageBoxPresenter* presenter) { s_presenter = presenter; }

private:
    static MessageBoxPresenter* s_presenter;
};

} // namespace quorvane
