#include "SettingsFixture.h"
#include "app/About.h"
#include "app/Application.h"
#include "app/RtfHelp.h"
#include "app/Startup.h"
#include "app/Version.h"
#include "app/WindowRequests.h"
#include "editor/MessageBoxes.h"
#include "editor/Quorvcfg.h"
#include "editor/WindowMessages.h"
#include "menu/RecordPool.h"
#include "platform/Failure.h"
#include "settings/FirstRun.h"
#include "support/MemoryRegistry.h"

#include <QAbstractTextDocumentLayout>
#include <QAction>
#include <QDir>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTextEdit>
#include <optional>

using namespace quorvane;
using quorvane::test::MemoryRegistry;

namespace {

// A system directory of the test's own, with or without a help file in it.
struct HelpFolder {
    HelpFolder() {
        qputenv("XDG_DATA_HOME", QFile::encodeName(data.path()));
        QDir().mkpath(data.path() + "/quorvane/ShellExt");
    }
    ~HelpFolder() { qunsetenv("XDG_DATA_HOME"); }

    QString path() const { return data.path() + "/quorvane/ShellExt/Quorvane.rtf"; }
    void write(const QByteArray& bytes) const {
        QFile file(path());
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(bytes);
    }

    QTemporaryDir data;
};

QTextEdit* richEdit(THlp* help) {
    return help->findChild<QTextEdit*>("RichEdit1");
}

// Closes the window and lets Qt finish with it, as the event loop would.
void closeAndSettle(QWidget* window) {
    window->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

// The block holding `text`, and the position of `text` in the document.
std::pair<QTextBlock, int> find(QTextDocument* document, const QString& text) {
    const QTextCursor found = document->find(text);
    return {found.block(), found.selectionStart()};
}

QTextCharFormat formatAt(QTextDocument* document, const QString& text) {
    QTextCursor cursor = document->find(text);
    cursor.setPosition(cursor.selectionStart() + 1);
    return cursor.charFormat();
}

QStringList lines(const QString& text) {
    return text.split('\n');
}

class CountPaints : public QObject {
public:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint)
            ++paints;
        return false;
    }
    int paints = 0;
};

} // namespace

class HelpWindowsTest : public QObject {
    Q_OBJECT
private slots:
    void init() { MessageBoxes::takeAnswered(); }
    void cleanup() {
        QCOMPARE(MessageBoxes::takeAnswered().size(), 0);
        for (QWidget* window :
             {static_cast<QWidget*>(THlp::current()), static_cast<QWidget*>(TForm3::current())})
            if (window)
                closeAndSettle(window);
    }

    void versionLine_data() {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QString>("expected");
        QTest::newRow("United States") << "en_US"
                                       << "v2.02 (12/19/96)";
        QTest::newRow("Germany") << "de_DE"
                                 << "v2.02 (19.12.96)";
        QTest::newRow("Japan") << "ja_JP"
                               << "v2.02 (1996/12/19)";
    }

    void versionLine() {
        QFETCH(QString, locale);
        QFETCH(QString, expected);
        QCOMPARE(quorvane::versionLine(QLocale(locale)), expected);
    }

    void helpFileIsInTheSystemDirectory() {
        HelpFolder folder;
        QCOMPARE(THlp::helpFilePath(), folder.path());
    }

    void helpShowsTheFile() {
        HelpFolder folder;
        folder.write("{\\rtf1\\ansi Using the menu\\par Second paragraph\\par}");
        THlp* help = THlp::open(THlp::helpFilePath());
        QCOMPARE(THlp::current(), help);
        QVERIFY(help->isVisible());
        QCOMPARE(help->windowTitle(), QStringLiteral("Quorvane help"));
        QCOMPARE(help->frameGeometry().size(), THlp::outerSize);
        QCOMPARE(help->findChild<QLabel*>("Panel1")->text(), QStringLiteral("Quorvane"));
        QCOMPARE(help->findChild<QLabel*>("Panel2")->text(), quorvane::versionLine());
        QCOMPARE(help->findChild<QLabel*>("Panel1")->height(), 32);
        QCOMPARE(help->findChild<QLabel*>("Panel2")->height(), 16);
        QTextEdit* text = richEdit(help);
        QVERIFY(text->isReadOnly());
        QCOMPARE(text->toPlainText(), QStringLiteral("Using the menu\nSecond paragraph"));
        QCOMPARE(text->viewport()->palette().color(QPalette::Base),
                 QApplication::palette().color(QPalette::ToolTipBase));
        QVERIFY(!(text->focusPolicy() & Qt::TabFocus));
        QCOMPARE(text->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
    }

    // A second Help only brings the window forward; after a close the file is read again.
    void oneHelpWindowAtATime() {
        HelpFolder folder;
        folder.write("first version");
        THlp* help = THlp::open(THlp::helpFilePath());
        QPointer<THlp> first(help);
        folder.write("second version");
        help->showMinimized();
        QCOMPARE(THlp::open(THlp::helpFilePath()), help);
        QVERIFY(!help->isMinimized());
        QCOMPARE(richEdit(help)->toPlainText(), QStringLiteral("first version"));
        QCOMPARE(QApplication::topLevelWidgets().count(help), 1);

        help->close();
        QCOMPARE(THlp::current(), nullptr);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY2(!first, "a closed help window is destroyed");

        THlp* again = THlp::open(THlp::helpFilePath());
        QCOMPARE(richEdit(again)->toPlainText(), QStringLiteral("second version"));
    }

    void unreadableHelpFile_data() {
        QTest::addColumn<QString>("what");
        QTest::newRow("missing") << "missing";
        QTest::newRow("a folder") << "folder";
    }

    // The error names the file; no window stays behind, and the next Help tries again.
    void unreadableHelpFile() {
        QFETCH(QString, what);
        HelpFolder folder;
        if (what == "folder")
            QVERIFY(QDir().mkpath(folder.path()));
        try {
            THlp::open(THlp::helpFilePath());
            QFAIL("no failure");
        } catch (const Failure& failure) {
            QCOMPARE(QString::fromUtf8(failure.what()),
                     QStringLiteral("Cannot open file ") + folder.path());
        }
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCOMPARE(THlp::current(), nullptr);
        for (QWidget* window : QApplication::topLevelWidgets())
            QVERIFY(!qobject_cast<THlp*>(window));

        if (what == "folder")
            QVERIFY(QDir(folder.path()).removeRecursively());
        folder.write("now it is there");
        QCOMPARE(richEdit(THlp::open(THlp::helpFilePath()))->toPlainText(),
                 QStringLiteral("now it is there"));
    }

    // From the main window, the failure reaches the user as a message and the program goes on.
    void helpFromTheMainWindow() {
        HelpFolder folder;
        MemoryRegistry registry;
        test::seedSettings(registry);
        RecordPool pool;
        TForm1 form({registry, pool, QStringLiteral("/prog/"), {}});
        openWindowsOnRequest(form);
        MessageBoxes::setNextAnswer(QMessageBox::Ok);
        form.findChild<QAction*>("Help1")->trigger();
        const auto shown = MessageBoxes::takeAnswered();
        QCOMPARE(shown.size(), 1);
        QCOMPARE(shown[0].text, QStringLiteral("Cannot open file ") + folder.path());

        folder.write("{\\rtf1 Help text}");
        form.findChild<QPushButton*>("Help")->click();
        QVERIFY(THlp::current());
        form.findChild<QAction*>("Help1")->trigger();
        QCOMPARE(QApplication::topLevelWidgets().count(THlp::current()), 1);
        QCOMPARE(richEdit(THlp::current())->toPlainText(), QStringLiteral("Help text"));
    }

    void formattedText() {
        HelpFolder folder;
        folder.write(R"({\rtf1\ansi\deff0{\fonttbl{\f0 Arial;}{\f1 Courier New;}})"
                     R"({\colortbl;\red255\green0\blue0;})"
                     R"(\pard\qc\b Title\b0\par)"
                     R"(\pard\li720\fi-360\tx720 \bullet\tab Item with \i slanted\i0  and )"
                     R"(\cf1 red\cf0  words\par)"
                     R"(\pard\li720 Indented\par)"
                     R"(\pard\fs32\f1 Big \ul under\ul0\line next\par})");
        QTextEdit* text = richEdit(THlp::open(THlp::helpFilePath()));
        QTextDocument* document = text->document();

        const auto [title, titleAt] = find(document, "Title");
        QCOMPARE(title.blockFormat().alignment() & Qt::AlignHorizontal_Mask, Qt::AlignHCenter);
        QCOMPARE(formatAt(document, "Title").fontWeight(), int(QFont::Bold));
        QCOMPARE(formatAt(document, "Item").fontWeight(), int(QFont::Normal));
        QVERIFY(formatAt(document, "slanted").fontItalic());
        QVERIFY(!formatAt(document, "words").fontItalic());
        QCOMPARE(formatAt(document, "red").foreground().color(), QColor(255, 0, 0));
        QVERIFY(formatAt(document, "under").fontUnderline());
        QCOMPARE(formatAt(document, "Big").fontPointSize(), 16.0);
        QCOMPARE(formatAt(document, "Title").fontPointSize(), 12.0);
        QVERIFY(formatAt(document, "Big").fontFamilies().toStringList().contains("Courier New"));
        QVERIFY(formatAt(document, "Title").fontFamilies().toStringList().contains("Arial"));

        // Half an inch of indent; the bullet hangs and the text after its tab lines up with the
        // indented paragraph below.
        const auto [item, itemAt] = find(document, "Item");
        QCOMPARE(item.blockFormat().leftMargin(), text->logicalDpiX() / 2.0);
        QCOMPARE(item.blockFormat().textIndent(), -text->logicalDpiX() / 4.0);
        const auto [indented, indentedAt] = find(document, "Indented");
        QTextCursor cursor(document);
        cursor.setPosition(itemAt);
        const int itemX = text->cursorRect(cursor).x();
        cursor.setPosition(indentedAt);
        QVERIFY2(qAbs(itemX - text->cursorRect(cursor).x()) <= 1,
                 qPrintable(QString("%1 vs %2").arg(itemX).arg(text->cursorRect(cursor).x())));
        cursor.setPosition(title.position());
        QVERIFY(text->cursorRect(cursor).x() > text->cursorRect(QTextCursor(item)).x());

        // A line break stays inside its paragraph.
        const auto [big, bigAt] = find(document, "Big");
        QVERIFY(big.text().contains(QChar::LineSeparator));
        QCOMPARE(big, find(document, "next").first);
    }

    void plainTextShownAsItIs() {
        HelpFolder folder;
        folder.write("Not rich text {\\b at all}\nSecond line");
        QTextEdit* text = richEdit(THlp::open(THlp::helpFilePath()));
        QCOMPARE(lines(text->toPlainText()),
                 (QStringList{"Not rich text {\\b at all}", "Second line"}));
        QCOMPARE(formatAt(text->document(), "rich").fontWeight(), int(QFont::Normal));
    }

    // Narrowing the window wraps the text anew and paints it before returning.
    void resizeRewrapsAndRepaints() {
        HelpFolder folder;
        QByteArray long_;
        for (int i = 0; i < 60; ++i)
            long_ += "words that wrap ";
        folder.write("{\\rtf1 " + long_ + "}");
        THlp* help = THlp::open(THlp::helpFilePath());
        QTextEdit* text = richEdit(help);
        QVERIFY(QTest::qWaitForWindowExposed(help));
        const int wide = text->document()->firstBlock().layout()->lineCount();

        CountPaints counter;
        text->viewport()->installEventFilter(&counter);
        help->resize(help->width() / 2, help->height());
        QVERIFY2(counter.paints > 0, "painted at once, not later");
        QVERIFY(text->document()->firstBlock().layout()->lineCount() > wide);
        QVERIFY(text->document()->size().width() <= text->viewport()->width() + 1);
        text->viewport()->removeEventFilter(&counter);
    }

    void aboutWindowIsMadeOnceAndKept() {
        TAboutBox* about = TAboutBox::open();
        QVERIFY(about->isVisible());
        QCOMPARE(TAboutBox::current(), about);
        QCOMPARE(about->minimumSize(), QSize(359, 251));
        QCOMPARE(about->maximumSize(), QSize(359, 251));
        QVERIFY(about->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
        QCOMPARE(about->findChild<QLabel*>("ProductName")->text(), QStringLiteral("Quorvane"));
        QCOMPARE(about->findChild<QLabel*>("Version")->text(), quorvane::versionLine());
        QVERIFY(!about->findChild<QLabel*>("Copyright")->text().isEmpty());

        about->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCOMPARE(TAboutBox::current(), about);
        QVERIFY(!about->isVisible());
        QCOMPARE(TAboutBox::open(), about);
        QVERIFY(about->isVisible());
        about->close();
    }

    void aboutFromTheMainWindow() {
        MemoryRegistry registry;
        test::seedSettings(registry);
        RecordPool pool;
        TForm1 form({registry, pool, QStringLiteral("/prog/"), {}});
        openWindowsOnRequest(form);
        form.findChild<QAction*>("AboutQuorvane1")->trigger();
        TAboutBox* about = TAboutBox::current();
        QVERIFY(about && about->isVisible());
        form.findChild<QAction*>("AboutQuorvane1")->trigger();
        QCOMPARE(TAboutBox::current(), about);
        about->close();
    }

    void noticeTexts() {
        TForm3* notice = TForm3::open();
        QCOMPARE(notice->windowTitle(), QStringLiteral("Stop for a while"));
        QCOMPARE(notice->minimumSize(), QSize(384, 242));
        QCOMPARE(notice->maximumSize(), QSize(384, 242));
        QVERIFY(notice->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
        QCOMPARE(notice->findChild<QLabel*>("Memo3")->text(),
                 QStringLiteral("Quorvane v2.02 is installed"));
        QCOMPARE(lines(notice->findChild<QTextEdit*>("Memo1")->toPlainText()),
                 (QStringList{"", "", "", "",
                              "All files can be removed from where you decompressed them.", "",
                              "The menu, and its support files, are removed via ",
                              "Add/Remove Programs in the Control Panel.", "",
                              "The menu is available now. So when you configure your menu, ",
                              "test it immediately by right-clicking an icon on your desktop.", "",
                              "", "", "", "Good luck!                 "}));
        QCOMPARE(
            lines(notice->findChild<QTextEdit*>("Memo2")->toPlainText()),
            (QStringList{"      Please read through the help to get familiarized              ",
                         "      with items and enhancements.             "}));
        QCOMPARE(notice->findChild<QWidget*>("Memo2")->geometry(), QRect(8, 174, 369, 33));
        QCOMPARE(notice->findChild<QPushButton*>("Button1")->geometry(), QRect(288, 200, 77, 26));
        QCOMPARE(notice->findChild<QPushButton*>("Button1")->text(), QStringLiteral("What's New"));
        QVERIFY(notice->findChild<QTextEdit*>("Memo1")->isReadOnly());
    }

    void whatsNewCoversTheNotice() {
        TForm3* notice = TForm3::open();
        QVERIFY(QTest::qWaitForWindowExposed(notice));
        auto* notes = notice->findChild<QPlainTextEdit*>("Memo4");
        QVERIFY(!notes->isVisible());
        QTest::mouseClick(notice->findChild<QPushButton*>("Button1"), Qt::LeftButton);
        QVERIFY(notes->isVisible());
        QVERIFY(notes->isReadOnly());
        QCOMPARE(notes->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
        // Whatever lay under the notes, the button included, is now behind them.
        for (const char* part : {"Button1", "Memo1", "Memo2", "Memo3"}) {
            QWidget* under = notice->findChild<QWidget*>(part);
            const QPoint centre = under->mapTo(notice, under->rect().center());
            QWidget* top = notice->childAt(centre);
            QVERIFY2(top == notes || notes->isAncestorOf(top), part);
        }
        const QString text = notes->toPlainText();
        for (const char* heading : {"2.02", "2.01", "2.00"})
            QVERIFY2(text.contains(heading), heading);
    }

    void noticeIsGoneOnceClosed() {
        TForm3* notice = TForm3::open();
        QPointer<TForm3> watch(notice);
        QCOMPARE(TForm3::open(), notice); // still open: not a second one
        notice->close();
        QCOMPARE(TForm3::current(), nullptr);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!watch);
        TForm3* fresh = TForm3::open();
        QCOMPARE(TForm3::current(), fresh);
        QVERIFY(fresh->isVisible());
    }

    // On a first start the notice is up, above, before the main window shows.
    void firstStartShowsTheNoticeFirst() {
        MemoryRegistry registry;
        RecordPool pool;
        WindowMessages messages(nullptr, &TForm3::open);
        Installer installer;
        installer.programDirectory = "/prog/";
        installer.run = [](std::string_view, int) { return 0; };
        const FirstRunSetup firstRun = [&](Registry& store) {
            runFirstRunSetup(store, installer, messages);
        };
        TForm1 form({registry, pool, QStringLiteral("/prog/"), firstRun});
        TForm3* notice = TForm3::current();
        QVERIFY(notice);
        QVERIFY(notice->isVisible());
        QVERIFY(!form.isVisible());
        QVERIFY(notice->windowFlags().testFlag(Qt::WindowStaysOnTopHint));

        // A later load finds the mark and shows no second notice.
        notice->close();
        form.Current1Click();
        QCOMPARE(TForm3::current(), nullptr);
    }
};

int main(int argc, char** argv) {
    Application application(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Quorvane II"));
    HelpWindowsTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "HelpWindowsTest.moc"
