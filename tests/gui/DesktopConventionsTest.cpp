// What a Linux desktop expects of the program's windows: keys, and texts that stay readable on
// any palette.

#include "SettingsFixture.h"
#include "app/AboutBox.h"
#include "app/Application.h"
#include "app/DeferredIconStyle.h"
#include "app/DirectoryChooser.h"
#include "app/FirstStartNotice.h"
#include "app/HelpWindow.h"
#include "app/PropertiesDialog.h"
#include "app/ReadableColour.h"
#include "app/WindowRequests.h"
#include "editor/MainWindow.h"
#include "menu/RecordPool.h"
#include "support/MemoryRegistry.h"

#include <QAbstractScrollArea>
#include <QAction>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QStyle>
#include <QStyleFactory>
#include <QStyleOption>
#include <QTemporaryDir>
#include <QTest>
#include <QTextEdit>
#include <optional>

using namespace quorvane;
using quorvane::test::MemoryRegistry;

namespace {

QPalette lightPalette() {
    std::unique_ptr<QStyle> fusion(QStyleFactory::create(QStringLiteral("Fusion")));
    return fusion->standardPalette();
}

// A dark palette as desktops set one for Fusion.
QPalette darkPalette() {
    QPalette palette;
    const QColor window(53, 53, 53), base(35, 35, 35), text(230, 230, 230);
    for (const auto role : {QPalette::Window, QPalette::Button, QPalette::AlternateBase})
        palette.setColor(role, window);
    for (const auto role : {QPalette::Base, QPalette::ToolTipBase})
        palette.setColor(role, base);
    for (const auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText,
                            QPalette::ToolTipText, QPalette::BrightText})
        palette.setColor(role, text);
    palette.setColor(QPalette::Highlight, QColor(42, 130, 218));
    palette.setColor(QPalette::HighlightedText, Qt::black);
    return palette;
}

// The desktop's palette changes, as a running program learns it: Qt tells every widget only once
// the event loop runs, which it does not under Qt Test, so that part is done here.
void setDesktopPalette(const QPalette& palette) {
    QApplication::setPalette(palette);
    QEvent changed(QEvent::ApplicationPaletteChange);
    for (QWidget* widget : QApplication::allWidgets())
        if (!widget->isWindow())
            QCoreApplication::sendEvent(widget, &changed);
    for (QWidget* widget : QApplication::topLevelWidgets())
        QCoreApplication::sendEvent(widget, &changed);
    QCoreApplication::processEvents();
}

Rgb rgb(const QColor& colour) {
    return {std::uint8_t(colour.red()), std::uint8_t(colour.green()), std::uint8_t(colour.blue())};
}

double contrast(const QColor& a, const QColor& b) {
    return contrastRatio(rgb(a), rgb(b));
}

// The text colour a designer's style sheet sets, as the window shows it now.
QColor styleSheetColour(const QWidget* widget) {
    static const QRegularExpression rgbColour(QStringLiteral(R"(rgb\((\d+), (\d+), (\d+)\))"));
    const QRegularExpressionMatch match = rgbColour.match(widget->styleSheet());
    if (!match.hasMatch())
        return {};
    return QColor(match.captured(1).toInt(), match.captured(2).toInt(), match.captured(3).toInt());
}

void closeAndSettle(QWidget* window) {
    window->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

// Presses Escape in `window` as the user would: the window active, the key sent to its focus.
void pressEscape(QWidget* window) {
    window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(window));
    QWidget* target = window->focusWidget() ? window->focusWidget() : window;
    QTest::keyClick(target, Qt::Key_Escape);
}

struct HelpFolder {
    HelpFolder() {
        qputenv("XDG_DATA_HOME", QFile::encodeName(data.path()));
        QDir().mkpath(data.path() + "/quorvane/ShellExt");
        QFile file(data.path() + "/quorvane/ShellExt/Quorvane.rtf");
        if (file.open(QIODevice::WriteOnly))
            file.write("{\\rtf1\\ansi{\\colortbl;\\red0\\green128\\blue0;\\red0\\green0\\blue128;}"
                       "\\cf1 Green heading\\par\\cf2 Navy heading\\par\\cf0 Body text\\par}");
    }
    ~HelpFolder() { qunsetenv("XDG_DATA_HOME"); }
    QTemporaryDir data;
};

struct Windows {
    Windows() {
        test::seedSettings(registry);
        form.emplace(MainWindow::Services{registry, pool, QDir::tempPath() + '/', {}});
        properties.emplace(registry, *form);
        form->setPropertiesDialog(&*properties);
        chooser.emplace(*form);
        form->setDirectoryChooser(&*chooser);
        openWindowsOnRequest(*form);
    }
    ~Windows() {
        form->setPropertiesDialog(nullptr);
        form->setDirectoryChooser(nullptr);
    }
    MemoryRegistry registry;
    RecordPool pool;
    std::optional<MainWindow> form;
    std::optional<PropertiesDialog> properties;
    std::optional<DirectoryChooser> chooser;
};

} // namespace

class DesktopConventionsTest : public QObject {
    Q_OBJECT
private slots:
    void cleanup() {
        setDesktopPalette(lightPalette());
        for (QWidget* window : {static_cast<QWidget*>(HelpWindow::current()),
                                static_cast<QWidget*>(FirstStartNotice::current()),
                                static_cast<QWidget*>(AboutBox::current())})
            if (window)
                closeAndSettle(window);
    }

    void contrastOfKnownPairs() {
        QCOMPARE(relativeLuminance({0, 0, 0}), 0.0);
        QCOMPARE(relativeLuminance({255, 255, 255}), 1.0);
        QCOMPARE(contrastRatio({0, 0, 0}, {255, 255, 255}), 21.0);
        QCOMPARE(contrastRatio({255, 255, 255}, {0, 0, 0}), 21.0);
        QCOMPARE(contrastRatio({119, 119, 119}, {119, 119, 119}), 1.0);
        // Grey #767676 on white is the usual example of just enough contrast.
        QVERIFY(contrastRatio({118, 118, 118}, {255, 255, 255}) >= readableContrast);
        QVERIFY(contrastRatio({119, 119, 119}, {255, 255, 255}) < readableContrast);
    }

    // The colours the windows were drawn with, on the background each stands on.
    void designedColours_data() {
        QTest::addColumn<QColor>("colour");
        QTest::newRow("teal") << QColor(0, 128, 128);
        QTest::newRow("green") << QColor(0, 128, 0);
        QTest::newRow("black") << QColor(0, 0, 0);
        QTest::newRow("navy") << QColor(0, 0, 128);
        QTest::newRow("maroon") << QColor(128, 0, 0);
    }

    void designedColours() {
        QFETCH(QColor, colour);
        // On the light palette every window stands on, the colour stays as it was drawn.
        const QPalette light = lightPalette();
        for (const auto role : {QPalette::Window, QPalette::Button, QPalette::Base})
            QCOMPARE(readableOn(colour, light.color(role)), colour);
        QCOMPARE(readableOn(colour, QColor(192, 192, 192)), colour); // the classic button face

        // On a dark one it turns readable, and stays of its hue.
        const QPalette dark = darkPalette();
        for (const auto role : {QPalette::Window, QPalette::Button, QPalette::Base}) {
            const QColor background = dark.color(role);
            const QColor shown = readableOn(colour, background);
            QVERIFY2(contrast(shown, background) >= readableContrast,
                     qPrintable(shown.name() + " on " + background.name()));
            QVERIFY(shown.lightness() > colour.lightness());
            if (colour.hslHue() >= 0)
                QVERIFY(qAbs(shown.hslHue() - colour.hslHue()) <= 2);
            else
                QCOMPARE(shown.hslSaturation(), 0);
            // Not lighter than it needs to be: one step darker would not read.
            QColor darker = shown;
            darker.setHslF(shown.hslHueF(), shown.hslSaturationF(),
                           std::max(0.0, shown.lightnessF() - 0.02));
            QVERIFY(contrast(darker, background) < readableContrast + 0.3);
        }
    }

    void readableColourKeepsWhatAlreadyReads() {
        // Light text on a dark ground, dark text on a light one: nothing to do.
        QCOMPARE(readableOn(QColor(255, 255, 0), QColor(0, 0, 0)), QColor(255, 255, 0));
        QCOMPARE(readableOn(QColor(0, 0, 128), QColor(255, 255, 255)), QColor(0, 0, 128));
        const QColor halfClear(0, 0, 128, 100);
        QCOMPARE(readableOn(halfClear, QColor(20, 20, 20)).alpha(), 100);
    }

    void windowsOnEveryPalette_data() {
        QTest::addColumn<bool>("dark");
        QTest::newRow("light") << false;
        QTest::newRow("dark") << true;
    }

    void windowsOnEveryPalette() {
        QFETCH(bool, dark);
        const QPalette palette = dark ? darkPalette() : lightPalette();
        setDesktopPalette(palette);
        HelpFolder folder;

        // The texts the windows' designer coloured, with the colours they were drawn in.
        struct Coloured {
            QWidget* widget;
            QColor drawn;
            QColor ground;
        };
        AboutBox* about = AboutBox::showBox();
        FirstStartNotice* notice = FirstStartNotice::showNotice();
        QList<Coloured> texts{
            {about->findChild<QWidget*>("ProductName"), QColor(0, 0, 128),
             palette.color(QPalette::Window)},
            {about->findChild<QWidget*>("Version"), QColor(128, 0, 0),
             palette.color(QPalette::Window)},
        };
        for (QWidget* widget : notice->findChildren<QWidget*>())
            if (styleSheetColour(widget).isValid())
                texts.append({widget,
                              {},
                              qobject_cast<QAbstractScrollArea*>(widget)
                                  ? widget->palette().color(QPalette::Base)
                                  : palette.color(QPalette::Button)});
        QVERIFY(texts.size() >= 4);
        for (const Coloured& text : texts) {
            QVERIFY(text.widget);
            const QColor shown = styleSheetColour(text.widget);
            QVERIFY2(shown.isValid(), qPrintable(text.widget->objectName()));
            if (!dark && text.drawn.isValid())
                QCOMPARE(shown, text.drawn);
            if (dark)
                QVERIFY2(contrast(shown, text.ground) >= readableContrast,
                         qPrintable(text.widget->objectName() + ": " + shown.name()));
        }
        for (const char* name : {"InstalledNotes", "HelpHint"}) {
            const QPalette memo = notice->findChild<QTextEdit*>(name)->palette();
            const double ratio = contrast(memo.color(QPalette::Text), memo.color(QPalette::Base));
            if (dark)
                QVERIFY2(ratio >= readableContrast, name);
        }
        // The last line stands on the notice's face, as the memos do.
        const QPalette goodLuck = notice->findChild<QLabel*>("GoodLuck")->palette();
        QVERIFY(contrast(goodLuck.color(QPalette::WindowText), goodLuck.color(QPalette::Button)) >=
                readableContrast);
        if (!dark) {
            QCOMPARE(
                notice->findChild<QTextEdit*>("InstalledNotes")->palette().color(QPalette::Text),
                QColor(Qt::black));
            QCOMPARE(notice->findChild<QTextEdit*>("HelpHint")->palette().color(QPalette::Text),
                     QColor(0, 128, 0));
        }

        // The help window's own headings, and the help file's.
        HelpWindow* help = HelpWindow::open(HelpWindow::helpFilePath());
        for (QWidget* widget : help->findChildren<QWidget*>()) {
            const QColor shown = styleSheetColour(widget);
            if (shown.isValid() && dark)
                QVERIFY2(contrast(shown, palette.color(QPalette::Window)) >= readableContrast,
                         qPrintable(widget->objectName() + ": " + shown.name()));
        }
        QTextEdit* page = help->findChild<QTextEdit*>("Page");
        const QColor paper = page->palette().color(QPalette::Base);
        for (const auto& [heading, drawn] : {std::pair{"Green heading", QColor(0, 128, 0)},
                                             std::pair{"Navy heading", QColor(0, 0, 128)}}) {
            QTextCursor cursor = page->document()->find(QString::fromLatin1(heading));
            QVERIFY(!cursor.isNull());
            const QColor shown = cursor.charFormat().foreground().color();
            if (dark)
                QVERIFY2(contrast(shown, paper) >= readableContrast, heading);
            else
                QCOMPARE(shown, drawn);
        }
        // QUORVANE_SCREENSHOTS=folder keeps a picture of each window, to look at.
        if (const QString shots = qEnvironmentVariable("QUORVANE_SCREENSHOTS"); !shots.isEmpty()) {
            QDir().mkpath(shots);
            const QString suffix =
                dark ? QStringLiteral("-dark.png") : QStringLiteral("-light.png");
            QVERIFY(about->grab().save(shots + "/about" + suffix));
            QVERIFY(notice->grab().save(shots + "/notice" + suffix));
            QVERIFY(help->grab().save(shots + "/help" + suffix));
            Windows w;
            w.form->resize(520, 400);
            w.form->show();
            QVERIFY(w.form->grab().save(shots + "/main-window" + suffix));
        }
    }

    void escapeClosesTheSecondaryWindows() {
        AboutBox* about = AboutBox::showBox();
        pressEscape(about);
        QTRY_VERIFY(!about->isVisible());

        QPointer<FirstStartNotice> notice = FirstStartNotice::showNotice();
        pressEscape(notice);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QTRY_VERIFY(!notice);

        HelpFolder folder;
        QPointer<HelpWindow> help = HelpWindow::open(HelpWindow::helpFilePath());
        pressEscape(help);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QTRY_VERIFY(!help);
    }

    void escapeCancelsTheDialogs() {
        Windows w;
        w.form->show();
        w.form->showProperties();
        QVERIFY(w.properties->isVisible());
        bool cancelled = false;
        connect(w.properties->findChild<QPushButton*>("Cancel"), &QPushButton::clicked, this,
                [&cancelled] { cancelled = true; });
        pressEscape(&*w.properties);
        QTRY_VERIFY(!w.properties->isVisible());
        QVERIFY(cancelled);
        QVERIFY(!w.properties->showing());

        w.chooser->showModeless();
        QVERIFY(w.chooser->isVisible());
        bool chooserCancelled = false;
        connect(w.chooser->findChild<QPushButton*>("Cancel"), &QPushButton::clicked, this,
                [&chooserCancelled] { chooserCancelled = true; });
        pressEscape(&*w.chooser);
        QTRY_VERIFY(!w.chooser->isVisible());
        QVERIFY(chooserCancelled);
    }

    void menuKeys() {
        Windows w;
        // The captions stay as they were; the underlined letters only show with Alt.
        const std::pair<const char*, const char*> menus[] = {
            {"FileMenu", "&File"}, {"PresetMenu", "&Preset Menus"}, {"HelpMenu", "&Help"}};
        for (const auto& [name, title] : menus)
            QCOMPARE(w.form->findChild<QMenu*>(name)->title(), QString::fromLatin1(title));
        const std::pair<const char*, QKeySequence> shortcuts[] = {
            {"OpenMenuFileAction", QKeySequence(QStringLiteral("Ctrl+O"))},
            {"SaveMenuFileAction", QKeySequence(QStringLiteral("Ctrl+S"))},
            {"ExitAction", QKeySequence(QStringLiteral("Ctrl+Q"))},
            {"HelpAction", QKeySequence(Qt::Key_F1)}};
        for (const auto& [name, keys] : shortcuts)
            QCOMPARE(w.form->findChild<QAction*>(name)->shortcut(), keys);
        // Every entry of these menus has a letter of its own.
        for (const auto& [name, title] : menus) {
            QMenu* menu = w.form->findChild<QMenu*>(name);
            QSet<QChar> letters;
            for (QAction* action : menu->actions()) {
                if (action->isSeparator())
                    continue;
                const qsizetype at = action->text().indexOf('&');
                QVERIFY2(at >= 0 && at + 1 < action->text().size(), qPrintable(action->text()));
                const QChar letter = action->text().at(at + 1).toLower();
                QVERIFY2(!letters.contains(letter), qPrintable(action->text()));
                letters.insert(letter);
            }
        }

        // F1 opens the help, as the Help entry does.
        HelpFolder folder;
        w.form->show();
        w.form->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&*w.form));
        QTest::keyClick(&*w.form, Qt::Key_F1);
        QTRY_VERIFY(HelpWindow::current() && HelpWindow::current()->isVisible());
        closeAndSettle(HelpWindow::current());

        // Alt+F opens File.
        w.form->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&*w.form));
        QTest::keyClick(&*w.form, Qt::Key_F, Qt::AltModifier);
        QMenu* file = w.form->findChild<QMenu*>("FileMenu");
        QTRY_VERIFY(file->isVisible());
        file->close();
    }

    // The forms' own fonts take up the full hinting set for their classes, and keep the rest of
    // what the forms give them; a window of Qt's own keeps the desktop's hinting.
    void ownWindowsDrawOnWholePixels() {
        Windows w;
        QCOMPARE(w.form->font().family(), QStringLiteral("MS Sans Serif"));
        QCOMPARE(w.form->font().pointSize(), 8);
        QCOMPARE(w.form->font().styleStrategy(), QFont::PreferNoShaping);
        QWidget* list = w.form->findChild<QWidget*>(QStringLiteral("AvailableList"));
        QVERIFY(list);
        AboutBox* about = AboutBox::showBox();
        QVERIFY(about);
        for (QWidget* window :
             {static_cast<QWidget*>(&*w.form), list, static_cast<QWidget*>(about)})
            QVERIFY2(window->font().hintingPreference() == QFont::PreferFullHinting,
                     window->metaObject()->className());
        QWidget plain;
        QVERIFY(plain.font().hintingPreference() != QFont::PreferFullHinting);
    }

    // The overflow arrows, read only when drawn, are the style's own, pointing the right way.
    void overflowPicturesAreTheStyles_data() {
        QTest::addColumn<int>("which");
        QTest::addColumn<Qt::LayoutDirection>("direction");
        for (const auto which : {QStyle::SP_ToolBarHorizontalExtensionButton,
                                 QStyle::SP_ToolBarVerticalExtensionButton})
            for (const auto direction : {Qt::LeftToRight, Qt::RightToLeft})
                QTest::addRow("%d %s", int(which), direction == Qt::LeftToRight ? "ltr" : "rtl")
                    << int(which) << direction;
    }
    void overflowPicturesAreTheStyles() {
        QFETCH(int, which);
        QFETCH(Qt::LayoutDirection, direction);
        const auto pixmap = QStyle::StandardPixmap(which);
        QStyleOption option;
        option.direction = direction;
        DeferredIconStyle deferred(QStringLiteral("Fusion"));
        std::unique_ptr<QStyle> fusion(QStyleFactory::create(QStringLiteral("Fusion")));
        const QIcon expected = fusion->standardIcon(pixmap, &option);
        const QIcon icon = deferred.standardIcon(pixmap, &option);
        QVERIFY(!expected.isNull());
        QVERIFY(!icon.isNull());
        QCOMPARE(icon.availableSizes(), expected.availableSizes());
        for (const int size : {16, 32})
            QCOMPARE(icon.pixmap(size).toImage(), expected.pixmap(size).toImage());
        // Any other picture comes from the style as it stands.
        const auto other = QStyle::SP_ArrowLeft;
        QCOMPARE(deferred.standardIcon(other, &option).pixmap(16).toImage(),
                 fusion->standardIcon(other, &option).pixmap(16).toImage());
    }
};

int main(int argc, char** argv) {
    Application application(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Quorvane II"));
    QApplication::setStyle(QStringLiteral("Fusion"));
    QApplication::setPalette(lightPalette());
    DesktopConventionsTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "DesktopConventionsTest.moc"
