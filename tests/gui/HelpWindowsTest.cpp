#include "ScriptedDialogs.h"
#include "SettingsFixture.h"
#include "app/AboutBox.h"
#include "app/Application.h"
#include "app/FirstStartNotice.h"
#include "app/HelpWindow.h"
#include "app/Version.h"
#include "app/WindowRequests.h"
#include "editor/MainWindow.h"
#include "editor/WindowMessages.h"
#include "gui/MessageBoxes.h"
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

QTextEdit* richEdit(HelpWindow* help) {
    return help->findChild<QTextEdit*>("Page");
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
    void init() { ScriptedDialogs::takeAnswered(); }
    void cleanup() {
        QCOMPARE(ScriptedDialogs::takeAnswered().size(), 0);
        for (QWidget* window : {static_cast<QWidget*>(HelpWindow::current()),
                                static_cast<QWidget*>(FirstStartNotice::current())})
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
        QCOMPARE(HelpWindow::helpFilePath(), folder.path());
    }

    void helpShowsTheFile() {
        HelpFolder folder;
        folder.write("{\\rtf1\\ansi Using the menu\\par Second paragraph\\par}");
        HelpWindow* help = HelpWindow::open(HelpWindow::helpFilePath());
        QCOMPARE(HelpWindow::current(), help);
        QVERIFY(help->isVisible());
        QCOMPARE(help->windowTitle(), QStringLiteral("Quorvane help"));
        QCOMPARE(help->frameGeometry().size(), HelpWindow::outerSize);
        QCOMPARE(help->findChild<QLabel*>("ProductName")->text(), QStringLiteral("Quorvane"));
        QCOMPARE(help->findChild<QLabel*>("Version")->text(), quorvane::versionLine());
        QCOMPARE(help->findChild<QLabel*>("ProductName")->height(), 32);
        QCOMPARE(help->findChild<QLabel*>("Version")->height(), 16);
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
        HelpWindow* help = HelpWindow::open(HelpWindow::helpFilePath());
        QPointer<HelpWindow> first(help);
        folder.write("second version");
        help->showMinimized();
        QCOMPARE(HelpWindow::open(HelpWindow::helpFilePath()), help);
        QVERIFY(!help->isMinimized());
        QCOMPARE(richEdit(help)->toPlainText(), QStringLiteral("first version"));
        QCOMPARE(QApplication::topLevelWidgets().count(help), 1);

        help->close();
        QCOMPARE(HelpWindow::current(), nullptr);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY2(!first, "a closed help window is destroyed");

        HelpWindow* again = HelpWindow::open(HelpWindow::helpFilePath());
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
            HelpWindow::open(HelpWindow::helpFilePath());
            QFAIL("no failure");
        } catch (const Failure& failure) {
            QCOMPARE(QString::fromUtf8(failure.what()),
                     QStringLiteral("Cannot open file ") + folder.path());
        }
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCOMPARE(HelpWindow::current(), nullptr);
        for (QWidget* window : QApplication::topLevelWidgets())
            QVERIFY(!qobject_cast<HelpWindow*>(window));

        if (what == "folder")
            QVERIFY(QDir(folder.path()).removeRecursively());
        folder.write("now it is there");
        QCOMPARE(richEdit(HelpWindow::open(HelpWindow::helpFilePath()))->toPlainText(),
                 QStringLiteral("now it is there"));
    }

    // From the main window, the failure reaches the user as a message and the program goes on.
    void helpFromTheMainWindow() {
        HelpFolder folder;
        MemoryRegistry registry;
        test::seedSettings(registry);
        RecordPool pool;
        MainWindow form({registry, pool, QStringLiteral("/prog/"), {}});
        openWindowsOnRequest(form);
        ScriptedDialogs::answerNextBox(QMessageBox::Ok);
        form.findChild<QAction*>("HelpAction")->trigger();
        const auto shown = ScriptedDialogs::takeAnswered();
        QCOMPARE(shown.size(), 1);
        QCOMPARE(shown[0].text, QStringLiteral("Cannot open file ") + folder.path());

        folder.write("{\\rtf1 Help text}");
        form.findChild<QPushButton*>("HelpButton")->click();
        QVERIFY(HelpWindow::current());
        form.findChild<QAction*>("HelpAction")->trigger();
        QCOMPARE(QApplication::topLevelWidgets().count(HelpWindow::current()), 1);
        QCOMPARE(richEdit(HelpWindow::current())->toPlainText(), QStringLiteral("Help text"));
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
        QTextEdit* text = richEdit(HelpWindow::open(HelpWindow::helpFilePath()));
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
        QTextEdit* text = richEdit(HelpWindow::open(HelpWindow::helpFilePath()));
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
        HelpWindow* help = HelpWindow::open(HelpWindow::helpFilePath());
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
        AboutBox* about = AboutBox::showBox();
        QVERIFY(about->isVisible());
        QCOMPARE(AboutBox::current(), about);
        QCOMPARE(about->minimumSize(), QSize(359, 283));
        QCOMPARE(about->maximumSize(), QSize(359, 283));
        QVERIFY(about->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
        QCOMPARE(about->findChild<QLabel*>("ProductName")->text(), QStringLiteral("Quorvane"));
        QCOMPARE(about->findChild<QLabel*>("Version")->text(), quorvane::versionLine());
        QVERIFY(!about->findChild<QLabel*>("Copyright")->text().isEmpty());

        QTest::mouseClick(about->findChild<QPushButton*>("Close"), Qt::LeftButton);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCOMPARE(AboutBox::current(), about);
        QVERIFY(!about->isVisible());
        QCOMPARE(AboutBox::showBox(), about);
        QVERIFY(about->isVisible());
        about->close();
    }

    void aboutFromTheMainWindow() {
        MemoryRegistry registry;
        test::seedSettings(registry);
        RecordPool pool;
        MainWindow form({registry, pool, QStringLiteral("/prog/"), {}});
        openWindowsOnRequest(form);
        form.findChild<QAction*>("AboutAction")->trigger();
        AboutBox* about = AboutBox::current();
        QVERIFY(about && about->isVisible());
        form.findChild<QAction*>("AboutAction")->trigger();
        QCOMPARE(AboutBox::current(), about);
        about->close();
    }

    void noticeTexts() {
        FirstStartNotice* notice = FirstStartNotice::showNotice();
        QCOMPARE(notice->windowTitle(), QStringLiteral("Stop for a while"));
        QCOMPARE(notice->minimumSize(), QSize(384, 242));
        QCOMPARE(notice->maximumSize(), QSize(384, 242));
        QVERIFY(notice->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
        QCOMPARE(notice->findChild<QLabel*>("Heading")->text(),
                 QStringLiteral("Quorvane v2.02 is installed"));
        QCOMPARE(lines(notice->findChild<QTextEdit*>("InstalledNotes")->toPlainText()),
                 (QStringList{"All files can be removed from where you decompressed them.", "",
                              "The menu, and its support files, are removed via ",
                              "the package manager that installed them.", "",
                              "The menu is available now. So when you configure your menu, ",
                              "test it immediately by right-clicking an icon on your desktop."}));
        QCOMPARE(notice->findChild<QLabel*>("GoodLuck")->text(),
                 QStringLiteral("Good luck!                 "));
        QCOMPARE(
            lines(notice->findChild<QTextEdit*>("HelpHint")->toPlainText()),
            (QStringList{"      Please read through the help to get familiarized              ",
                         "      with items and enhancements.             "}));
        // The hint's text starts where it was drawn, at 12, 178; the button follows it.
        const auto placed = [notice](const char* name) {
            const auto* part = notice->findChild<QWidget*>(name);
            return QRect(part->mapTo(notice, QPoint()), part->size());
        };
        QTRY_COMPARE(placed("HelpHint").topLeft(), QPoint(12, 178));
        QCOMPARE(placed("WhatsNewButton"), QRect(288, 204, 77, 26));
        QCOMPARE(notice->findChild<QPushButton*>("WhatsNewButton")->text(),
                 QStringLiteral("What's New"));
        QVERIFY(notice->findChild<QTextEdit*>("InstalledNotes")->isReadOnly());
    }

    void whatsNewCoversTheNotice() {
        FirstStartNotice* notice = FirstStartNotice::showNotice();
        QVERIFY(QTest::qWaitForWindowExposed(notice));
        auto* notes = notice->findChild<QPlainTextEdit*>("WhatsNewText");
        QVERIFY(!notes->isVisible());
        QTest::mouseClick(notice->findChild<QPushButton*>("WhatsNewButton"), Qt::LeftButton);
        QVERIFY(notes->isVisible());
        QVERIFY(notes->isReadOnly());
        QCOMPARE(notes->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
        // Whatever lay under the notes, the button included, is now behind them.
        for (const char* part :
             {"WhatsNewButton", "InstalledNotes", "HelpHint", "Heading", "GoodLuck"}) {
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
        FirstStartNotice* notice = FirstStartNotice::showNotice();
        QPointer<FirstStartNotice> watch(notice);
        QCOMPARE(FirstStartNotice::showNotice(), notice); // still open: not a second one
        notice->close();
        QCOMPARE(FirstStartNotice::current(), nullptr);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!watch);
        FirstStartNotice* fresh = FirstStartNotice::showNotice();
        QCOMPARE(FirstStartNotice::current(), fresh);
        QVERIFY(fresh->isVisible());
    }

    // On a first start the notice is up, above, before the main window shows.
    void firstStartShowsTheNoticeFirst() {
        MemoryRegistry registry;
        RecordPool pool;
        WindowMessages messages(nullptr, &FirstStartNotice::showNotice);
        Installer installer;
        installer.programDirectory = "/prog/";
        installer.run = [](std::string_view, int) { return 0; };
        const FirstRunSetup firstRun = [&](Registry& store) {
            runFirstRunSetup(store, installer, messages);
        };
        MainWindow form({registry, pool, QStringLiteral("/prog/"), firstRun});
        FirstStartNotice* notice = FirstStartNotice::current();
        QVERIFY(notice);
        QVERIFY(notice->isVisible());
        QVERIFY(!form.isVisible());
        QVERIFY(notice->windowFlags().testFlag(Qt::WindowStaysOnTopHint));

        // A later load finds the mark and shows no second notice.
        notice->close();
        form.presetCurrent();
        QCOMPARE(FirstStartNotice::current(), nullptr);
    }
};

int main(int argc, char** argv) {
    Application application(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Quorvane II"));
    HelpWindowsTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "HelpWindowsTest.moc"
