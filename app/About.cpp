#include "app/About.h"

#include "app/EscapeKey.h"
#include "app/ReadableColour.h"
#include "app/TopLevel.h"
#include "app/Version.h"
#include "ui_About.h"

namespace quorvane {

QPointer<TAboutBox> TAboutBox::s_box;

TAboutBox::TAboutBox()
    : QWidget(nullptr, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                           Qt::WindowCloseButtonHint | Qt::WindowStaysOnTopHint),
      ui(std::make_unique<Ui::TAboutBox>()) {
    ui->setupUi(this);
    keepDesignedWidths(*this);
    setFixedSize(size());
    ui->Version->setText(versionLine());
    makeTextReadable(*this);
    closeOnEscape(*this);
}

TAboutBox::~TAboutBox() = default;

TAboutBox* TAboutBox::open() {
    if (!s_box) {
        s_box = new TAboutBox;
        deleteAtQuit(*s_box);
        centreOnScreen(*s_box);
    }
    s_box->show();
    s_box->raise();
    s_box->activateWindow();
    return s_box;
}

} // namespace quorvane
