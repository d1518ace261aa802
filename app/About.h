#pragma once

#include <QPointer>
#include <QWidget>
#include <memory>

namespace Ui {
class TAboutBox;
}

namespace quorvane {

// The about window: the product name, the version line and who owns the program. Made on first
// use and kept for the rest of the run; closing it only hides it.
class TAboutBox : public QWidget {
    Q_OBJECT
public:
    ~TAboutBox() override;

    // About Quorvane: shows the about window, made now if this is the first time, in front.
    static TAboutBox* open();
    // The about window, once made.
    static TAboutBox* current() { return s_box; }

private:
    TAboutBox();

    std::unique_ptr<Ui::TAboutBox> ui;
    static QPointer<TAboutBox> s_box;
};

} // namespace quorvane
