#include "app/FirstStartNotice.h"

#include "app/EscapeKey.h"
#include "app/ReadableColour.h"
#include "app/TopLevel.h"
#include "gui/ErrorHandler.h"
#include "gui/QtText.h"
#include "settings/Messages.h"
#include "ui_FirstStartNotice.h"

#include <QCloseEvent>
#include <QTextBlockFormat>
#include <QTextCursor>
#include <QTimer>

namespace quorvane {

namespace {

// In pixels, as the parts around the message are placed.
constexpr int messageLineHeight = 13;

} // namespace

QPointer<FirstStartNotice> FirstStartNotice::s_open;

FirstStartNotice::FirstStartNotice()
    : QWidget(nullptr, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                           Qt::WindowCloseButtonHint | Qt::WindowStaysOnTopHint),
      ui(std::make_unique<Ui::FirstStartNotice>()) {
    ui->setupUi(this);
    keepDesignedWidths(*this);
    setAttribute(Qt::WA_DeleteOnClose);
    setFixedSize(size());

    // The notice stands on the panel's button face, the memos included.
    ui->Frame->setBackgroundRole(QPalette::Button);
    ui->Frame->setAutoFillBackground(true);
    const std::pair<QTextEdit*, QColor> memos[]{{ui->InstalledNotes, Qt::black},
                                                {ui->HelpHint, QColor(0, 128, 0)}};
    for (const auto& [memo, colour] : memos) {
        QPalette palette = memo->palette();
        palette.setColor(QPalette::Base, palette.color(QPalette::Button));
        palette.setColor(QPalette::Text, readableOn(colour, palette.color(QPalette::Button)));
        memo->setPalette(palette);
    }

    QTextOption centred = ui->InstalledNotes->document()->defaultTextOption();
    centred.setAlignment(Qt::AlignHCenter);
    ui->InstalledNotes->document()->setDefaultTextOption(centred);
    // The message's empty lines make room for the heading above and the hint below; with lines
    // taller than the ones it was laid out for, its last lines would slip under the hint.
    QTextBlockFormat line;
    line.setLineHeight(messageLineHeight, QTextBlockFormat::FixedHeight);
    for (const auto& [memo, colour] : memos) {
        QTextCursor all(memo->document());
        all.select(QTextCursor::Document);
        all.mergeBlockFormat(line);
    }

    makeTextReadable(*this);
    closeOnEscape(*this);

    connect(ui->WhatsNewButton, &QPushButton::clicked, this, guard([this] { showWhatsNew(); }));
    setUp();
}

FirstStartNotice::~FirstStartNotice() = default;

void FirstStartNotice::setUp() {
    ui->Heading->setText(ansiToQt(messages::installedHeading));
}

FirstStartNotice* FirstStartNotice::open() {
    if (!s_open) {
        s_open = new FirstStartNotice;
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
void FirstStartNotice::showWhatsNew() {
    ui->WhatsNewText->show();
    ui->WhatsNewText->raise();
}

void FirstStartNotice::closeEvent(QCloseEvent* event) {
    finishClosing();
    QWidget::closeEvent(event);
}

// The window itself goes once its close is complete.
void FirstStartNotice::finishClosing() {
    if (s_open == this)
        s_open = nullptr;
}

} // namespace quorvane
