#pragma once

#include <QCloseEvent>
#include <QDialog>

namespace quorvane {

// A window that desktops and screen readers know as a dialog, yet that closes as any window does:
// Escape and the close box close it, so that what it does on closing always runs, instead of
// Qt's dialog hiding it as rejected.
class ClosingDialog : public QDialog {
public:
    using QDialog::QDialog;

    void reject() override { close(); }

protected:
    // Qt's dialog would reject, which closes again; closing is all there is to do.
    void closeEvent(QCloseEvent* event) override { QWidget::closeEvent(event); }
};

} // namespace quorvane
