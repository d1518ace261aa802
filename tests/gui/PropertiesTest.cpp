#include "ScriptedDialogs.h"
#include "SettingsFixture.h"
#include "app/Application.h"
#include "app/MultiRowTabWidget.h"
#include "app/PropertiesDialog.h"
#include "editor/MainWindow.h"
#include "gui/MessageBoxes.h"
#include "menu/RecordPool.h"
#include "settings/KeyPath.h"
#include "settings/Schema.h"
#include "settings/SettingsKey.h"
#include "support/MemoryRegistry.h"

#include <QAccessible>
#include <QCheckBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <optional>

using namespace quorvane;
using quorvane::test::MemoryRegistry;

namespace {

constexpr auto allOptions = {value::dosPromptFile, value::altPromptFile, value::altPromptStart,
                             value::cPromptFile,   value::stampOptions,  value::copyCrLf,
                             value::appendCrLf,    value::addPrePath,    value::addFileExt};

// The main window and the dialog, made in the order the program makes them.
struct Setup {
    Setup() {
        test::seedSettings(registry);
        form.emplace(MainWindow::Services{registry, pool, QStringLiteral("/prog/"), {}});
        dialog.emplace(registry, *form);
        form->setPropertiesDialog(&*dialog);
    }
    ~Setup() { form->setPropertiesDialog(nullptr); }

    template <typename T> T* find(const char* name) {
        dialog->build();
        // Laid out as a showing would, without showing.
        for (QLayout* layout : dialog->findChildren<QLayout*>())
            layout->activate();
        T* found = dialog->findChild<T*>(name);
        if (!found)
            qFatal("no %s in the dialog", name);
        return found;
    }
    QCheckBox* box(const char* name) { return find<QCheckBox>(name); }
    QLineEdit* edit(const char* name) { return find<QLineEdit>(name); }
    void click(const char* button) { QTest::mouseClick(find<QPushButton>(button), Qt::LeftButton); }

    void store(std::string_view name, std::int32_t v) {
        registry.setInteger(settingsKeyPath(), name, v);
    }
    void store(std::string_view name, std::string_view text) {
        registry.setString(settingsKeyPath(), name, text);
    }
    void remove(std::string_view name) {
        std::erase_if(registry.key(settingsKeyPath()),
                      [name](const RegistryValue& v) { return v.name == name; });
    }
    const RegistryValue* stored(std::string_view name) {
        return registry.find(settingsKeyPath(), name);
    }
    std::int32_t storedInteger(std::string_view name) {
        SettingsKey key(registry);
        return key.readInteger(name);
    }
    std::string storedString(std::string_view name) {
        SettingsKey key(registry);
        return key.readString(name);
    }
    // Shown the way the main window shows it.
    void open() {
        form->showProperties();
        QVERIFY(dialog->isVisible());
    }

    MemoryRegistry registry;
    RecordPool pool;
    std::optional<MainWindow> form;
    std::optional<PropertiesDialog> dialog;
};

// The texts of a page's labels, top to bottom and left to right.
QStringList labelTexts(QWidget* page) {
    QList<QLabel*> labels = page->findChildren<QLabel*>();
    std::sort(labels.begin(), labels.end(), [](QLabel* a, QLabel* b) {
        return std::pair(a->y(), a->x()) < std::pair(b->y(), b->x());
    });
    QStringList texts;
    for (QLabel* label : labels)
        texts << label->text();
    return texts;
}

const QString dosLine1 =
    QStringLiteral("Set File To run to the filename you want run when you start a DOS");
const QString dosLine2 = QStringLiteral("Prompt. (This will usually be a .bat file loading TSRs)");

} // namespace

class PropertiesTest : public QObject {
    Q_OBJECT
private slots:
    void init() { ScriptedDialogs::takeAnswered(); }
    void cleanup() { QCOMPARE(ScriptedDialogs::takeAnswered().size(), 0); }

    void window() {
        Setup s;
        // Nothing of the pages is made before the dialog is first shown.
        QVERIFY(s.dialog->findChildren<QWidget*>().isEmpty());
        QCOMPARE(s.dialog->windowTitle(), QStringLiteral("Properties"));
        QCOMPARE(s.dialog->minimumSize(), QSize(355, 242));
        QCOMPARE(s.dialog->maximumSize(), QSize(355, 242));
        const Qt::WindowFlags flags = s.dialog->windowFlags();
        QVERIFY(flags.testFlag(Qt::WindowStaysOnTopHint));
        QVERIFY(flags.testFlag(Qt::WindowCloseButtonHint));
        QVERIFY(!flags.testFlag(Qt::WindowMinimizeButtonHint));
        QVERIFY(!flags.testFlag(Qt::WindowMaximizeButtonHint));
        QVERIFY(!s.dialog->isVisible());
        QVERIFY(!s.dialog->showing());
        QCOMPARE(s.dialog->offset(), QPoint(132, 48));

        QCOMPARE(s.find<QPushButton>("OK")->geometry(), QRect(113, 6, 75, 25));
        QCOMPARE(s.find<QPushButton>("Cancel")->geometry(), QRect(193, 6, 75, 25));
        QCOMPARE(s.find<QPushButton>("Apply")->geometry(), QRect(273, 6, 75, 25));
        QCOMPARE(s.find<QPushButton>("OK")->text(), QStringLiteral("OK"));
        QCOMPARE(s.find<QWidget>("ButtonRow")->geometry(), QRect(0, 208, 355, 34));
        auto* pages = s.find<QTabWidget>("Pages");
        QStringList titles;
        for (int i = 0; i < pages->count(); ++i)
            titles << pages->tabText(i);
        QCOMPARE(titles,
                 (QStringList{"DOS Prompt", "Alternative Prompt", "C:\\ Prompt", "Copy Name/Target",
                              "Append Name/Target", "Stamp", "Adding"}));
    }

    void pages_data() {
        QTest::addColumn<QString>("page");
        QTest::addColumn<QStringList>("controls"); // the page's own edits and boxes
        QTest::addColumn<QStringList>("labels");   // box captions follow their boxes' names

        QTest::newRow("DOS Prompt") << "DOS Prompt" << QStringList{"DosFileToRun"}
                                    << QStringList{"File to run:", dosLine1, dosLine2};
        QTest::newRow("Alternative Prompt")
            << "Alternative Prompt"
            << QStringList{"AlternativeStartupCommand", "AlternativeFileToRun"}
            << QStringList{"Startup command:",
                           "File to run:",
                           "Startup Command is the startup command of your alternative prompt.",
                           "(e.g. for 4DOS users this will usually be C:\\4DOS\\4DOS.com)",
                           dosLine1,
                           dosLine2};
        QTest::newRow("C:\\ Prompt") << "C:\\ Prompt" << QStringList{"RootFileToRun"}
                                     << QStringList{"File to run:", dosLine1, dosLine2};
        QTest::newRow("Copy Name/Target")
            << "Copy Name/Target" << QStringList{"CopyCrLf=Append CR/LF"}
            << QStringList{"Check the box above if you want CR/LF to be appended to ",
                           "the copied line(s). Uncheck to append a space. (Multiple selected",
                           "objects will alwas have CR/LF appended)"};
        QTest::newRow("Append Name/Target")
            << "Append Name/Target" << QStringList{"AppendCrLf=Append CR/LF"}
            << QStringList{"Check the box above if you want CR/LF to be appended to ",
                           "appended line(s). Uncheck to append a space. (Multiple",
                           "selected objects will always have CR/LF appended)"};
        QTest::newRow("Stamp")
            << "Stamp"
            << QStringList{"StampCreated=Creation date", "StampModified=Last modified date",
                           "StampAccessed=Last accessed date"}
            << QStringList{"Check the attributes you want to be set when you choose Stamp."};
        QTest::newRow("Adding") << "Adding"
                                << QStringList{"RemovePathName=Preceding path-name",
                                               "RemoveExtension=File extension"}
                                << QStringList{
                                       "When adding new items to the menu, then remove:",
                                       "Checking none will add e.g.  \"/usr/local/bin/backup.sh\"",
                                       "Checking all will add just \"backup\""};
    }

    void pages() {
        QFETCH(QString, page);
        QFETCH(QStringList, controls);
        QFETCH(QStringList, labels);
        Setup s;
        auto* pageControl = s.find<QTabWidget>("Pages");
        QWidget* sheet = nullptr;
        for (int i = 0; i < pageControl->count(); ++i)
            if (pageControl->tabText(i) == page)
                sheet = pageControl->widget(i);
        QVERIFY(sheet);
        // A page is laid out once it is the one shown.
        pageControl->setCurrentWidget(sheet);
        sheet->layout()->activate();
        QCOMPARE(labelTexts(sheet), labels);

        // Edits and boxes top to bottom, boxes with their captions.
        QList<QWidget*> inputs;
        for (QWidget* w : sheet->findChildren<QWidget*>())
            if (qobject_cast<QLineEdit*>(w) || qobject_cast<QCheckBox*>(w))
                inputs << w;
        std::sort(inputs.begin(), inputs.end(),
                  [](QWidget* a, QWidget* b) { return a->y() < b->y(); });
        QStringList found;
        for (QWidget* w : inputs) {
            auto* box = qobject_cast<QCheckBox*>(w);
            found << (box ? box->objectName() + "=" + box->text() : w->objectName());
        }
        QCOMPARE(found, controls);

        // Each edit's label stands right-aligned just left of it, on its line.
        for (QLineEdit* edit : sheet->findChildren<QLineEdit*>()) {
            QCOMPARE(edit->x(), 104);
            QCOMPARE(edit->width(), 153);
            const auto sheetLabels = sheet->findChildren<QLabel*>();
            const auto label = std::find_if(sheetLabels.begin(), sheetLabels.end(), [&](QLabel* l) {
                return l->geometry().right() < edit->x() &&
                       l->geometry().intersects(QRect(0, edit->y(), edit->x(), edit->height()));
            });
            QVERIFY2(label != sheetLabels.end(), qPrintable(edit->objectName()));
            QVERIFY((*label)->alignment().testFlag(Qt::AlignRight));
        }
    }

    void stampBoxes() {
        Setup s;
        s.find<QTabWidget>("Pages")->setCurrentWidget(s.find<QWidget>("StampPage"));
        s.find<QWidget>("StampPage")->layout()->activate();
        // Each box is centred on the line it was drawn on (17 high at 24, 48 and 72), however
        // tall its font makes it.
        QCOMPARE(s.box("StampCreated")->geometry().center().y(), 32);
        QCOMPARE(s.box("StampModified")->geometry().center().y(), 56);
        QCOMPARE(s.box("StampAccessed")->geometry().center().y(), 80);
        // The keyboard goes creation, last accessed, last modified.
        QCOMPARE(s.box("StampCreated")->nextInFocusChain(), s.box("StampAccessed"));
        QCOMPARE(s.box("StampAccessed")->nextInFocusChain(), s.box("StampModified"));
    }

    void stampOptions_data() {
        QTest::addColumn<std::optional<int>>("stored");
        QTest::addColumn<QList<bool>>("checked"); // creation, last modified, last accessed
        QTest::addColumn<int>("applied");

        // Applied once "Last accessed date" is clicked.
        QTest::newRow("missing") << std::optional<int>() << QList<bool>{true, true, true} << 5;
        QTest::newRow("5") << std::optional<int>(5) << QList<bool>{true, true, false} << 7;
        QTest::newRow("13: bit 8 ignored")
            << std::optional<int>(13) << QList<bool>{true, true, false} << 7;
        QTest::newRow("0") << std::optional<int>(0) << QList<bool>{false, false, false} << 2;
        QTest::newRow("2: last accessed")
            << std::optional<int>(2) << QList<bool>{false, false, true} << 0;
        QTest::newRow("4: last modified")
            << std::optional<int>(4) << QList<bool>{false, true, false} << 6;
        QTest::newRow("-1: every bit")
            << std::optional<int>(-1) << QList<bool>{true, true, true} << 5;
    }

    void stampOptions() {
        QFETCH(std::optional<int>, stored);
        QFETCH(QList<bool>, checked);
        QFETCH(int, applied);
        Setup s;
        // The boxes take a state whatever they showed before.
        for (const char* name : {"StampCreated", "StampAccessed", "StampModified"})
            s.box(name)->setChecked(!checked.contains(true));
        if (stored)
            s.store(value::stampOptions, *stored);
        else
            s.remove(value::stampOptions);
        s.open();
        QCOMPARE(
            (QList<bool>{s.box("StampCreated")->isChecked(), s.box("StampModified")->isChecked(),
                         s.box("StampAccessed")->isChecked()}),
            checked);
        s.box("StampAccessed")->click();
        s.click("Apply");
        QCOMPARE(s.stored(value::stampOptions)->type, regtype::dword);
        QCOMPARE(s.storedInteger(value::stampOptions), applied);
    }

    void loadsAndWritesEveryOption() {
        Setup s;
        s.store(value::dosPromptFile, "c:\\autoexec.bat");
        s.store(value::altPromptFile, "");
        s.store(value::altPromptStart, "c:\\4dos\\4dos.com");
        s.store(value::cPromptFile, "caf\xE9.bat"); // an ANSI byte past ASCII
        s.store(value::copyCrLf, 1);
        s.store(value::appendCrLf, 0);
        s.store(value::addPrePath, 7); // any non-zero is true
        s.store(value::addFileExt, 0);
        s.open();
        QCOMPARE(s.edit("DosFileToRun")->text(), QStringLiteral("c:\\autoexec.bat"));
        QCOMPARE(s.edit("AlternativeFileToRun")->text(), QString());
        QCOMPARE(s.edit("AlternativeStartupCommand")->text(), QStringLiteral("c:\\4dos\\4dos.com"));
        QCOMPARE(s.edit("RootFileToRun")->text(), QStringLiteral("caf\u00E9.bat"));
        QVERIFY(s.box("CopyCrLf")->isChecked());
        QVERIFY(!s.box("AppendCrLf")->isChecked());
        QVERIFY(s.box("RemovePathName")->isChecked());
        QVERIFY(!s.box("RemoveExtension")->isChecked());

        s.edit("DosFileToRun")->setText("");
        s.edit("AlternativeFileToRun")->setText("c:\\alt.bat");
        s.box("AppendCrLf")->setChecked(true);
        s.box("RemovePathName")->setChecked(false);
        s.box("RemoveExtension")->setChecked(true);
        s.click("Apply");

        QCOMPARE(s.storedString(value::dosPromptFile), std::string());
        QCOMPARE(s.storedString(value::altPromptFile), std::string("c:\\alt.bat"));
        QCOMPARE(s.storedString(value::altPromptStart), std::string("c:\\4dos\\4dos.com"));
        QCOMPARE(s.storedString(value::cPromptFile), std::string("caf\xE9.bat"));
        const std::pair<std::string_view, int> flags[]{{value::copyCrLf, 1},
                                                       {value::appendCrLf, 1},
                                                       {value::addPrePath, 0},
                                                       {value::addFileExt, 1}};
        for (const auto& [name, expected] : flags) {
            QCOMPARE(s.stored(name)->type, regtype::dword);
            QCOMPARE(s.storedInteger(name), expected);
        }
        for (auto name : {value::dosPromptFile, value::altPromptFile, value::altPromptStart,
                          value::cPromptFile})
            QCOMPARE(s.stored(name)->type, regtype::sz);
        QVERIFY(s.dialog->isVisible());
    }

    void missingValuesLeaveTheControlsAlone() {
        Setup s;
        s.store(value::dosPromptFile, "first.bat");
        s.store(value::copyCrLf, 0);
        s.open();
        s.click("Cancel");
        for (auto name : allOptions)
            s.remove(name);
        s.edit("RootFileToRun")->setText("typed.bat");
        s.open();
        QCOMPARE(s.edit("DosFileToRun")->text(), QStringLiteral("first.bat"));
        QCOMPARE(s.edit("RootFileToRun")->text(), QStringLiteral("typed.bat"));
        QVERIFY(!s.box("CopyCrLf")->isChecked());
    }

    void cancelWritesNothing() {
        Setup s;
        s.store(value::copyCrLf, 1);
        s.store(value::dosPromptFile, "");
        s.open();
        QVERIFY(s.box("CopyCrLf")->isChecked());
        s.box("CopyCrLf")->setChecked(false);
        s.edit("DosFileToRun")->setText("changed.bat");
        const int commits = s.registry.commits;
        s.click("Cancel");
        QCOMPARE(s.registry.commits, commits);
        QVERIFY(!s.dialog->isVisible());
        QVERIFY(!s.dialog->showing());
        QCOMPARE(s.storedInteger(value::copyCrLf), 1);

        s.open();
        QVERIFY(s.box("CopyCrLf")->isChecked());
        QCOMPARE(s.edit("DosFileToRun")->text(), QString());
    }

    // What the user did not change since the load or the last Apply is not written again.
    void applyWritesOnlyWhatChangedAndStaysOpen() {
        Setup s;
        s.open();
        const int commits = s.registry.commits;
        s.click("Apply");
        QCOMPARE(s.registry.commits, commits);
        s.box("RemoveExtension")->click();
        s.click("Apply");
        s.click("Apply");
        QCOMPARE(s.registry.commits, commits + 1);
        QVERIFY(s.dialog->isVisible());
        QVERIFY(s.dialog->showing());
    }

    void closeBoxWritesNothing() {
        Setup s;
        s.open();
        s.box("StampCreated")->setChecked(false);
        const int commits = s.registry.commits;
        s.dialog->close();
        QCOMPARE(s.registry.commits, commits);
        QVERIFY(!s.dialog->showing());
        QVERIFY(!s.dialog->isVisible());
    }

    void okWritesClosesAndReopensAtTheOffset() {
        Setup s;
        s.form->show();
        s.form->move(100, 80);
        QTRY_COMPARE(s.form->pos(), QPoint(100, 80));
        QTest::mouseClick(s.form->findChild<QPushButton*>("PropertiesButton"), Qt::LeftButton);
        QVERIFY(s.dialog->isVisible());
        QVERIFY(s.dialog->showing());
        QTRY_COMPARE(s.dialog->pos(), QPoint(100 + 132, 80 + 48));

        s.edit("DosFileToRun")->setText("ok.bat");
        s.click("OK");
        QCOMPARE(s.storedString(value::dosPromptFile), std::string("ok.bat"));
        QVERIFY(!s.dialog->isVisible());
        QVERIFY(!s.dialog->showing());

        s.form->move(200, 150);
        QTRY_COMPARE(s.form->pos(), QPoint(200, 150));
        QCOMPARE(s.dialog->pos(), QPoint(100 + 132, 80 + 48)); // hidden, it stays
        QTest::mouseClick(s.form->findChild<QPushButton*>("PropertiesButton"), Qt::LeftButton);
        QVERIFY(s.dialog->isVisible());
        QTRY_COMPARE(s.dialog->pos(), QPoint(200 + 132, 150 + 48));

        // A screen reader names each field by its label.
        for (const char* field : {"DosFileToRun", "AlternativeStartupCommand",
                                  "AlternativeFileToRun", "RootFileToRun"}) {
            const QAccessibleInterface* named =
                QAccessible::queryAccessibleInterface(s.edit(field));
            QVERIFY(named);
            QVERIFY2(named->text(QAccessible::Name)
                         .startsWith(field == std::string_view("AlternativeStartupCommand")
                                         ? "Startup command"
                                         : "File to run"),
                     field);
        }
        // Enter in a field presses OK.
        s.edit("DosFileToRun")->setText("enter.bat");
        QTest::keyClick(s.edit("DosFileToRun"), Qt::Key_Return);
        QCOMPARE(s.storedString(value::dosPromptFile), std::string("enter.bat"));
        QVERIFY(!s.dialog->isVisible());
    }

    void theUsersMoveSetsTheOffset() {
        Setup s;
        s.form->show();
        s.form->move(100, 80);
        QTRY_COMPARE(s.form->pos(), QPoint(100, 80));
        s.open();
        QTRY_COMPARE(s.dialog->pos(), QPoint(232, 128));

        // Following the main window is not a move of the user's.
        s.form->move(140, 90);
        QTRY_COMPARE(s.dialog->pos(), QPoint(140 + 132, 90 + 48));
        QCOMPARE(s.dialog->offset(), QPoint(132, 48));

        s.dialog->move(s.dialog->pos() + QPoint(30, 0)); // the user drags it
        QTRY_COMPARE(s.dialog->offset(), QPoint(162, 48));
        s.form->move(60, 70);
        QTRY_COMPARE(s.dialog->pos(), QPoint(60 + 162, 70 + 48));
        QCOMPARE(s.dialog->offset(), QPoint(162, 48));

        // Properties while it shows leaves it where it is.
        s.dialog->move(500, 400);
        QTRY_COMPARE(s.dialog->pos(), QPoint(500, 400));
        QTest::mouseClick(s.form->findChild<QPushButton*>("PropertiesButton"), Qt::LeftButton);
        QCOMPARE(s.dialog->pos(), QPoint(500, 400));
        QCOMPARE(s.dialog->offset(), QPoint(500 - 60, 400 - 70));
    }

    // Whichever page is open, every tab shows whole, in rows that do not overlap, the open page's
    // tab in the row next to the page, and the page itself shows whole below them.
    void tabsAndPagesShowWhole() {
        Setup s;
        s.open();
        auto* pages = s.find<QTabWidget>("Pages");
        auto* bar = pages->findChild<MultiRowTabBar*>();
        QVERIFY(bar);
        QVERIFY(bar->rowCount() > 1);
        for (int open = 0; open < pages->count(); ++open) {
            QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabArea(open).center());
            QCOMPARE(pages->currentIndex(), open);
            for (int i = 0; i < pages->count(); ++i) {
                const QRect area = bar->tabArea(i);
                QVERIFY(bar->rect().contains(area));
                QVERIFY(area.width() > bar->fontMetrics().horizontalAdvance(pages->tabText(i)));
                for (int j = 0; j < i; ++j)
                    QVERIFY(!area.intersects(bar->tabArea(j)));
            }
            QCOMPARE(bar->tabArea(open).bottom(), bar->height() - 1);
            QVERIFY(bar->geometry().bottom() < pages->currentWidget()->mapTo(pages, QPoint()).y());
            const QWidget* page = pages->currentWidget();
            QVERIFY2(page->rect().contains(page->childrenRect()), qPrintable(pages->tabText(open)));
        }
    }

    void opensOnAddingThenOnTheLastPage() {
        Setup s;
        auto* pages = s.find<QTabWidget>("Pages");
        s.open();
        QCOMPARE(pages->tabText(pages->currentIndex()), QStringLiteral("Adding"));
        pages->setCurrentIndex(1);
        s.click("OK");
        s.open();
        QCOMPARE(pages->tabText(pages->currentIndex()), QStringLiteral("Alternative Prompt"));
    }

    // A value of the wrong type is reported and the others load all the same. OK writes only
    // what the user changed: an option left alone stays as stored, the wrong one included.
    void optionsLeftAloneAreNeverWritten_data() {
        QTest::addColumn<QStringList>("wrong"); // stored as strings
        QTest::addColumn<QString>("clicked");   // the box the user clicks, if any
        QTest::addColumn<QString>("changed");   // the value that changes
        QTest::newRow("nothing changed") << QStringList{"CopyCRLF", "StampOptions"} << ""
                                         << "";
        QTest::newRow("another option changed") << QStringList{"StampOptions"} << "RemoveExtension"
                                                << "AddFileExt";
        QTest::newRow("the wrong one set right") << QStringList{"CopyCRLF"} << "CopyCrLf"
                                                 << "CopyCRLF";
    }
    void optionsLeftAloneAreNeverWritten() {
        QFETCH(QStringList, wrong);
        QFETCH(QString, clicked);
        QFETCH(QString, changed);
        Setup s;
        s.store(value::appendCrLf, 1);
        s.box("AppendCrLf")->setChecked(false);
        for (const QString& name : wrong)
            s.store(name.toStdString(), "yes");
        const auto before = s.registry.key(settingsKeyPath());
        ScriptedDialogs::answerNextBox(QMessageBox::Ok);
        s.open();
        const auto shown = ScriptedDialogs::takeAnswered();
        QCOMPARE(shown.size(), 1);
        for (const QString& name : wrong)
            QVERIFY2(shown[0].text.contains('\'' + name + '\''), qPrintable(shown[0].text));
        QVERIFY2(s.box("AppendCrLf")->isChecked(), "values after a failure are read");
        if (!clicked.isEmpty())
            s.box(clicked.toLatin1())->click();
        s.click("OK");
        QVERIFY(!s.dialog->isVisible());
        const auto without = [name = changed.toStdString()](auto values) {
            std::erase_if(values, [&](const RegistryValue& v) { return v.name == name; });
            return values;
        };
        if (!changed.isEmpty())
            QCOMPARE(s.stored(changed.toStdString())->type, regtype::dword);
        QVERIFY(without(s.registry.key(settingsKeyPath())) == without(before));
    }

    // The dialog stays on top of other windows; a box that blocks it must not open behind it.
    void boxesOpenAboveTheDialog() {
        Setup s;
        s.open();
        Qt::WindowFlags flags;
        QTimer::singleShot(0, [&flags] {
            for (QWidget* window : QApplication::topLevelWidgets())
                if (auto* box = qobject_cast<QMessageBox*>(window); box && box->isVisible()) {
                    flags = box->windowFlags();
                    box->done(QMessageBox::Ok);
                }
        });
        MessageBoxes::message(&*s.form, QStringLiteral("Nothing happened!"));
        QVERIFY(flags.testFlag(Qt::WindowStaysOnTopHint));
    }

    // Closing the program asks about options changed and not stored, as it does about the menu.
    void closingAsksAboutUnstoredOptions_data() {
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("menuToo");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("closes");
        QTest::newRow("Apply") << int(QMessageBox::Apply) << false << "new.bat" << true;
        QTest::newRow("Apply, the menu too")
            << int(QMessageBox::Apply) << true << "new.bat" << true;
        QTest::newRow("Apply, not storable")
            << int(QMessageBox::Apply) << false << QStringLiteral("\u0101.bat") << false;
        QTest::newRow("Discard") << int(QMessageBox::Discard) << true << "new.bat" << true;
        QTest::newRow("Cancel") << int(QMessageBox::Cancel) << false << "new.bat" << false;
    }
    void closingAsksAboutUnstoredOptions() {
        QFETCH(int, answer);
        QFETCH(bool, menuToo);
        QFETCH(QString, typed);
        QFETCH(bool, closes);
        Setup s;
        s.form->show();
        s.open();
        s.edit("DosFileToRun")->setText(typed);
        if (menuToo)
            s.form->menu().rename(s.form->menu().root()->child(0), "Renamed");
        const std::string menuBefore = s.storedString(value::theMenu);
        const bool refused = answer == QMessageBox::Apply && !closes;
        ScriptedDialogs::answerNextBox(static_cast<QMessageBox::StandardButton>(answer));
        if (refused)
            ScriptedDialogs::answerNextBox(QMessageBox::Ok);
        QCOMPARE(s.form->close(), closes);
        const auto shown = ScriptedDialogs::takeAnswered();
        QCOMPARE(shown.size(), refused ? 2 : 1);
        QCOMPARE(shown[0].text, menuToo ? "Apply the changes to the menu and the properties "
                                          "before closing?"
                                        : "Apply the changes to the properties before closing?");
        const bool applied = closes && answer == QMessageBox::Apply;
        QCOMPARE(s.storedString(value::dosPromptFile) == typed.toStdString(), applied);
        QCOMPARE(s.storedString(value::theMenu) != menuBefore, applied && menuToo);
        QCOMPARE(s.form->isVisible(), !closes);
    }

    // The settings hold Windows-1252 bytes: its letters past Latin-1 are stored, a character it
    // has no byte for is refused with its name, and nothing is written.
    void editsStoreOnlyWhatTheSettingsHold() {
        Setup s;
        s.open();
        QLineEdit* edit = s.edit("DosFileToRun");
        edit->clear();
        edit->setFocus();
        // Typed one key at a time, as a keyboard layout with these letters would send them.
        for (QChar c : QStringLiteral("d:\u00E9\u20AC\u0152x")) {
            QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(c));
            QApplication::sendEvent(edit, &press);
        }
        s.click("Apply");
        QCOMPARE(s.storedString(value::dosPromptFile), std::string("d:\xE9\x80\x8Cx"));

        const auto before = s.registry.key(settingsKeyPath());
        s.edit("AlternativeStartupCommand")->setText(QStringLiteral("c:\\\u0101.com"));
        ScriptedDialogs::answerNextBox(QMessageBox::Ok);
        s.click("OK");
        const auto shown = ScriptedDialogs::takeAnswered();
        QCOMPARE(shown.size(), 1);
        QVERIFY2(shown[0].text.contains(QStringLiteral("\"\u0101\" (U+0101)")),
                 qPrintable(shown[0].text));
        QVERIFY(s.registry.key(settingsKeyPath()) == before);
        QCOMPARE(s.edit("AlternativeStartupCommand")->text(), QStringLiteral("c:\\\u0101.com"));
        QVERIFY(s.dialog->isVisible());
    }
};

int main(int argc, char** argv) {
    Application application(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Quorvane II"));
    PropertiesTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "PropertiesTest.moc"
