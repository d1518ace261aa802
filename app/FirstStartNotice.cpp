#include "app/FirstStartNotice.h"

#include "app/EscapeKey.h"
#include "app/ReadableColour.h"
#include "app/TopLevel.h"
#include "gui/ErrorHandler.h"
#include "gui/QtText.h"
#include "settings/Messages.h"
#include "ui_FirstStartNotice.h"

#include <QAbstractTextDocumentLayout>
#include <QCloseEvent>
#include <QTextBlockFormat>
#include <QTextCursor>
#include <QTimer>
#include <QtMath>

namespace quorvane {

namespace {

// The memos' lines stand this close at the designed font, of this size; a larger font spaces them
// as much further apart as it is larger.
constexpr int messageLineHeight = 13;
constexpr double designedPointSize = 8;

// A memo is as large as its text, so that the layout gives it all the room it needs and no more;
// it has no scroll bars to reach what would not fit.
void fitToText(QTextEdit& memo) {
    const auto fit = [&memo] {
        const QSizeF text = memo.document()->size();
        const int frame = 2 * memo.frameWidth();
        memo.setMinimumWidth(qCeil(text.width()) + frame);
        memo.setFixedHeight(qCeil(text.height()) + frame);
    };
    QObject::connect(memo.document()->documentLayout(),
                     &QAbstractTextDocumentLayout::documentSizeChanged, &memo, fit);
    fit();
}

} // namespace

QPointer<FirstStartNotice> FirstStartNotice::s_open;

FirstStartNotice::FirstStartNotice()
    : ClosingDialog(nullptr, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                                 Qt::WindowCloseButtonHint | Qt::WindowStaysOnTopHint),
      ui(std::make_unique<Ui::FirstStartNotice>()) {
    ui->setupUi(this);
    keepDesignedWidths(*this);
    setAttribute(Qt::WA_DeleteOnClose);
    holdDesignedSize(*this, size());

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
    QPalette goodLuck = ui->GoodLuck->palette();
    goodLuck.setColor(QPalette::WindowText,
                      readableOn(Qt::black, ui->Frame->palette().color(QPalette::Button)));
    ui->GoodLuck->setPalette(goodLuck);

    QTextOption centred = ui->InstalledNotes->document()->defaultTextOption();
    centred.setAlignment(Qt::AlignHCenter);
    ui->InstalledNotes->document()->setDefaultTextOption(centred);
    // The hint's text starts where its box does, so that the row below can follow it closely.
    ui->HelpHint->document()->setDocumentMargin(0);
    m_memosMade = true;
    spaceLines();
    for (const auto& [memo, colour] : memos)
        fitToText(*memo);

    makeTextReadable(*this);
    closeOnEscape(*this);

    // A dialog would make the only button its default one, framed and pressed by Enter; the notice
    // has no default action.
    ui->WhatsNewButton->setAutoDefault(false);
    connect(ui->WhatsNewButton, &QPushButton::clicked, this, guard([this] { showWhatsNew(); }));
    setUp();
}

FirstStartNotice::~FirstStartNotice() = default;

void FirstStartNotice::spaceLines() {
    for (QTextEdit* memo : {ui->InstalledNotes, ui->HelpHint}) {
        QTextBlockFormat line;
        line.setLineHeight(
            qRound(messageLineHeight * memo->font().pointSizeF() / designedPointSize),
            QTextBlockFormat::FixedHeight);
        QTextCursor all(memo->document());
        all.select(QTextCursor::Document);
        all.mergeBlockFormat(line);
    }
}

void FirstStartNotice::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    // setupUi sets the form's font before the memos exist.
    if (event->type() == QEvent::FontChange && m_memosMade)
        spaceLines();
}

void FirstStartNotice::setUp() {
    ui->Heading->setText(ansiToQt(messages::installedHeading));
}

FirstStartNotice* FirstStartNotice::showNotice() {
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
    ClosingDialog::closeEvent(event);
}

// The window itself goes once its close is complete.
void FirstStartNotice::finishClosing() {
    if (s_open == this)
        s_open = nullptr;
}

} // namespace quorvane
