#include "app/Startup.h"

#include "app/TopLevel.h"
#include "editor/ErrorHandler.h"
#include "editor/QtText.h"
#include "settings/Messages.h"
#include "ui_Startup.h"

#include <QCloseEvent>
#include <QTextBlockFormat>
#include <QTextCursor>
#include <QTimer>

namespace quorvane {

namespace {

// In pixels, as the parts around the message are placed.
constexpr int messageLineHeight = 13;

} // namespace

QPointer<TForm3> TForm3::s_open;

TForm3::TForm3()
    : QWidget(nullptr, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                           Qt::WindowCloseButtonHint | Qt::WindowStaysOnTopHint),
      ui(std::make_unique<Ui::TForm3>()) {
    ui->setupUi(this);
    keepDesignedWidths(*this);
    setAttribute(Qt::WA_DeleteOnClose);
    setFixedSize(size());

    // The notice stands on the panel's button face, the memos included.
    ui->Panel1->setBackgroundRole(QPalette::Button);
    ui->Panel1->setAutoFillBackground(true);
    const std::pair<QTextEdit*, QColor> memos[]{{ui->Memo1, Qt::black},
                                                {ui->Memo2, QColor(0, 128, 0)}};
    for (const auto& [memo, colour] : memos) {
        QPalette palette = memo->palette();
        palette.setColor(QPalette::Base, palette.color(QPalette::Button));
        palette.setColor(QPalette::Text, colour);
        memo->setPalette(palette);
    }

    QTextOption centred = ui->Memo1->document()->defaultTextOption();
    centred.setAlignment(Qt::AlignHCenter);
    ui->Memo1->document()->setDefaultTextOption(centred);
    // The message's empty lines make room for the heading above and the hint below; with lines
    // taller than the ones it was laid out for, its last lines would slip under the hint.
    QTextBlockFormat line;
    line.setLineHeight(messageLineHeight, QTextBlockFormat::FixedHeight);
    for (const auto& [memo, colour] : memos) {
        QTextCursor all(memo->document());
        all.select(QTextCursor::Document);
        all.mergeBlockFormat(line);
    }

    connect(ui->Button1, &QPushButton::clicked, this, guard([this] { Button1Click(); }));
    FormCreate();
}

TForm3::~TForm3() = default;

void TForm3::FormCreate() {
    ui->Memo3->setText(ansiToQt(messages::installedHeading));
}

TForm3* TForm3::open() {
    if (!s_open) {
        s_open = new TForm3;
        deleteAtQuit(*s_open);
        centreOnScreen(*s_open);
    }
    s_open->show();
    s_open->raise();
    s_open->activateWindow();
    // Staying on top is the window manager's to keep. Without one, the main window, shown after
    // the notice on a first start, would cover it; so it is raised once more when the event loop
    // has taken over.
    QTimer::singleShot(0, s_open, &QWidget::raise);
    return s_open;
}

// Once shown, the release notes cover the rest until the notice is closed.
void TForm3::Button1Click() {
    ui->Memo4->show();
    ui->Memo4->raise();
}

void TForm3::closeEvent(QCloseEvent* event) {
    FormClose();
    QWidget::closeEvent(event);
}

// The window itself goes once its close is complete.
void TForm3::FormClose() {
    if (s_open == this)
        s_open = nullptr;
}

} // namespace quorvane
