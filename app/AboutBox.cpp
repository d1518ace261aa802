#include "app/AboutBox.h"

#include "app/EscapeKey.h"
#include "app/ReadableColour.h"
#include "app/TopLevel.h"
#include "app/Version.h"
#include "ui_AboutBox.h"

#include <QPushButton>

namespace quorvane {

QPointer<AboutBox> AboutBox::s_box;

AboutBox::AboutBox()
    : ClosingDialog(nullptr, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                                 Qt::WindowCloseButtonHint | Qt::WindowStaysOnTopHint),
      ui(std::make_unique<Ui::AboutBox>()) {
    ui->setupUi(this);
    keepDesignedWidths(*this);
    setFixedSize(size());
    ui->Version->setText(versionLine());
    makeTextReadable(*this);
    closeOnEscape(*this);
    connect(ui->Close, &QPushButton::clicked, this, &QWidget::close);
}

AboutBox::~AboutBox() = default;

AboutBox* AboutBox::showBox() {
    if (!s_box) {
        s_box = new AboutBox;
        deleteAtQuit(*s_box);
        centreOnScreen(*s_box);
    }
    s_box->show();
    s_box->raise();
    s_box->activateWindow();
    return s_box;
}

} // namespace quorvane
