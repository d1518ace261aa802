#pragma once

#include "ClosingDialog.h"

#include <QPointer>
#include <memory>

namespace Ui {
class FirstStartNotice;
}

namespace quorvane {

// The notice first-run set-up ends with: the extension is installed, and what is new in this
// version. Made when needed and gone once closed.
class FirstStartNotice : public ClosingDialog {
    Q_OBJECT
    // Drawn in the program's own small face, on whole pixels (see Application).
    Q_CLASSINFO("DrawnOnWholePixels", "yes")
public:
    ~FirstStartNotice() override;

    // Shows the notice without waiting for it, above the other windows; a notice that is still
    // open is brought to the front instead of a second one.
    static FirstStartNotice* showNotice();
    // The notice on show; none once it is closed.
    static FirstStartNotice* current() { return s_open; }

    void showWhatsNew();
    void finishClosing();

protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    FirstStartNotice();
    void setUp();
    void spaceLines();

    std::unique_ptr<Ui::FirstStartNotice> ui;
    bool m_memosMade = false;
    static QPointer<FirstStartNotice> s_open;
};

} // namespace quorvane
