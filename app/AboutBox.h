#pragma once

#include "app/ClosingDialog.h"

#include <QPointer>
#include <memory>

namespace Ui {
class AboutBox;
}

namespace quorvane {

// The about window: the product name, the version line and who owns the program. Made on first
// use and kept for the rest of the run; closing it only hides it.
class AboutBox : public ClosingDialog {
    Q_OBJECT
    // Drawn in the program's own small face, on whole pixels (see Application).
    Q_CLASSINFO("DrawnOnWholePixels", "yes")
public:
    ~AboutBox() override;

    // About Quorvane: shows the about window, made now if this is the first time, in front.
    static AboutBox* showBox();
    // The about window, once made.
    static AboutBox* current() { return s_box; }

private:
    AboutBox();

    std::unique_ptr<Ui::AboutBox> ui;
    static QPointer<AboutBox> s_box;
};

} // namespace quorvane
