#include "app/HelpWindow.h"

#include "app/EscapeKey.h"
#include "app/ReadableColour.h"
#include "app/TopLevel.h"
#include "app/Version.h"
#include "gui/ErrorHandler.h"
#include "help/RtfReader.h"
#include "platform/Failure.h"
#include "platform/System.h"
#include "ui_HelpWindow.h"

#include <QCloseEvent>
#include <QFile>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QWindow>
#include <algorithm>

namespace quorvane {

namespace {

// Lengths in a damaged file can be anything; nothing on a screen needs more than this.
constexpr qreal largestLength = 4000;

class Units {
public:
    explicit Units(qreal dpi) : m_dpi(dpi) {}
    qreal pixels(double twips) const {
        return std::clamp(twips * m_dpi / 1440.0, -largestLength, largestLength);
    }

private:
    qreal m_dpi;
};

Qt::Alignment alignment(RtfAlignment a) {
    switch (a) {
    case RtfAlignment::Centre:
        return Qt::AlignHCenter;
    case RtfAlignment::Right:
        return Qt::AlignRight;
    case RtfAlignment::Justified:
        return Qt::AlignJustify;
    case RtfAlignment::Left:
        break;
    }
    return Qt::AlignLeft;
}

QTextBlockFormat blockFormat(const RtfParagraph& paragraph, const Units& units) {
    QTextBlockFormat format;
    format.setAlignment(alignment(paragraph.alignment));
    format.setLeftMargin(std::max<qreal>(0, units.pixels(paragraph.leftIndent)));
    format.setTextIndent(units.pixels(paragraph.firstLineIndent));
    format.setTopMargin(std::max<qreal>(0, units.pixels(paragraph.spaceBefore)));
    format.setBottomMargin(std::max<qreal>(0, units.pixels(paragraph.spaceAfter)));
    // The file measures tab stops from the page margin, Qt from where the line starts. Taken from
    // the first line's start, they come out right where tabs are met most, in bulleted lists
    // with a hanging indent; later lines of a paragraph start at the indent, most often the same.
    QList<QTextOption::Tab> tabs;
    for (int stop : paragraph.tabStops) {
        const qreal at =
            units.pixels(double(stop) - paragraph.leftIndent - paragraph.firstLineIndent);
        if (at > 0)
            tabs.append(QTextOption::Tab(at, QTextOption::LeftTab));
    }
    format.setTabPositions(tabs);
    return format;
}

// `page` is the colour the text stands on; a colour the file gives is made readable on it.
QTextCharFormat charFormat(const RtfCharFormat& rtf, const QColor& page) {
    QTextCharFormat format;
    format.setFontWeight(rtf.bold ? QFont::Bold : QFont::Normal);
    format.setFontItalic(rtf.italic);
    format.setFontUnderline(rtf.underline);
    format.setFontPointSize(std::clamp(rtf.points(), 1.0, 400.0));
    if (!rtf.fontFamily.empty())
        format.setFontFamilies(QStringList{QString::fromUtf8(rtf.fontFamily)});
    if (rtf.colour)
        format.setForeground(
            readableOn(QColor(rtf.colour->red, rtf.colour->green, rtf.colour->blue), page));
    return format;
}

// Plain text keeps the viewer's own font; rich text brings its own formats.
void fillDocument(QTextDocument& document, const RtfDocument& rtf, const Units& units,
                  const QColor& page) {
    document.clear();
    QTextCursor cursor(&document);
    cursor.beginEditBlock();
    bool first = true;
    for (const RtfParagraph& paragraph : rtf.paragraphs) {
        const QTextBlockFormat block =
            rtf.richText ? blockFormat(paragraph, units) : QTextBlockFormat();
        if (first)
            cursor.setBlockFormat(block);
        else
            cursor.insertBlock(block);
        first = false;
        for (const RtfRun& run : paragraph.runs)
            cursor.insertText(QString::fromUtf8(run.text),
                              rtf.richText ? charFormat(run.format, page) : QTextCharFormat());
    }
    cursor.endEditBlock();
}

} // namespace

QPointer<HelpWindow> HelpWindow::s_open;

// A dialog to screen readers, but a window of its own to the desktop: it can be minimised and
// maximised as before.
HelpWindow::HelpWindow()
    : ClosingDialog(nullptr, Qt::Window), ui(std::make_unique<Ui::HelpWindow>()) {
    ui->setupUi(this);
    keepDesignedWidths(*this);
    setAttribute(Qt::WA_DeleteOnClose);
    // Until the window has a frame to measure, its outer size is taken for its inner one.
    resize(outerSize);

    QPalette palette = ui->Page->palette();
    palette.setColor(QPalette::Base, palette.color(QPalette::ToolTipBase));
    palette.setColor(QPalette::Text, palette.color(QPalette::ToolTipText));
    ui->Page->setPalette(palette);
    makeTextReadable(*this);
    closeOnEscape(*this);
    ui->Page->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
}

HelpWindow::~HelpWindow() = default;

QString HelpWindow::helpFilePath() {
    const QChar separator = QLatin1Char(pathSeparator());
    return QFile::decodeName(QByteArray::fromStdString(systemDirectory())) + separator +
           QStringLiteral("ShellExt") + separator + QStringLiteral("Quorvane.rtf");
}

// A window whose file could not be read is dropped at once rather than kept empty: the next Help
// then tries the file again instead of showing a blank window with a stale version line.
HelpWindow* HelpWindow::open(const QString& path) {
    if (HelpWindow* window = s_open) {
        if (window->isMinimized())
            window->showNormal();
        window->show();
        window->raise();
        window->activateWindow();
        return window;
    }
    std::unique_ptr<HelpWindow> window(new HelpWindow);
    window->loadFile(path);
    window->ui->Version->setText(versionLine());
    s_open = window.release();
    deleteAtQuit(*s_open);
    centreOnScreen(*s_open);
    s_open->show();
    s_open->raise();
    s_open->activateWindow();
    return s_open;
}

void HelpWindow::loadFile(const QString& path) {
    QFile file(path);
    QByteArray bytes;
    if (file.open(QIODevice::ReadOnly))
        bytes = file.readAll();
    if (!file.isOpen() || file.error() != QFileDevice::NoError)
        throw Failure(formatMessage(cannotOpenFile, QFile::encodeName(path).toStdString()));
    const RtfDocument rtf = readRtf(std::string_view(bytes.constData(), bytes.size()));
    fillDocument(*ui->Page->document(), rtf, Units(ui->Page->logicalDpiX()),
                 ui->Page->palette().color(QPalette::Base));
    ui->Page->moveCursor(QTextCursor::Start);
}

// The frame is known once the window is on the screen; the outer size and the centring are
// made good then.
void HelpWindow::showEvent(QShowEvent* event) {
    ClosingDialog::showEvent(event);
    if (m_framed || !windowHandle())
        return;
    const QMargins frame = windowHandle()->frameMargins();
    if (frame.isNull())
        return;
    m_framed = true;
    resize(outerSize.width() - frame.left() - frame.right(),
           outerSize.height() - frame.top() - frame.bottom());
    centreOnScreen(*this);
}

void HelpWindow::resizeEvent(QResizeEvent* event) {
    ClosingDialog::resizeEvent(event);
    guarded([this] { repaintPage(); });
}

// The text is wrapped anew to the width and shown at once, not when the event loop gets to it.
void HelpWindow::repaintPage() {
    ui->Page->viewport()->repaint();
}

void HelpWindow::closeEvent(QCloseEvent* event) {
    finishClosing();
    ClosingDialog::closeEvent(event);
}

void HelpWindow::finishClosing() {
    if (s_open == this)
        s_open = nullptr;
}

} // namespace quorvane
