#include "ScriptedDialogs.h"
#include "SettingsFixture.h"
#include "app/Application.h"
#include "app/DirectoryChooser.h"
#include "editor/FileDialog.h"
#include "editor/MainWindow.h"
#include "editor/TargetAssignment.h"
#include "gui/MessageBoxes.h"
#include "gui/TitleRoom.h"
#include "menu/RecordPool.h"
#include "rules/ItemDetails.h"
#include "support/MemoryRegistry.h"

#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QPushButton>
#include <QStorageInfo>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeView>
#include <QTreeWidget>
#include <optional>

using namespace quorvane;

namespace {

const QString hint = QStringLiteral("    (double-click to change)");

// The main window over a small menu with one node of every kind, and the chooser made after it,
// as the program makes them. The working directory is a fresh folder the chooser starts in.
struct Window {
    Window() {
        QDir::setCurrent(folder.path());
        for (const char* sub : {"Archive", "Archive/b", "Archive/A", "Archive/.hidden", "Other"})
            QDir(folder.path()).mkpath(QString::fromLatin1(sub));
        test::seedSettings(registry, R"("Explore",0,1,-2,-2)");
        form.emplace(MainWindow::Services{registry, pool, QStringLiteral("/prog/"), {}});
        MenuTree& menu = form->menu();
        auto add = [&](MenuNode* parent, const char* caption, Kind kind, const char* target) {
            return menu.addLastChild(parent, caption, pool.copyOf(*pool.prototype(kind), target));
        };
        MenuNode* root = menu.root();
        menu.addLastChild(root, "Look", pool.operationRecord(0));
        add(root, "Archive", Kind::MoveTo, "D:\\Archive");
        add(root, "Backup", Kind::CopyTo, "This is an unset Copy To Item");
        add(root, "Editor", Kind::RunOpen, "This is an unset Run/Open Item");
        add(root, "Mail", Kind::SendTo, "C:\\Mail.exe");
        add(root, "Ext", Kind::Extension, "This is a File Extension Item");
        add(root, "<separator>", Kind::Separator, "This is a Menu Separator");
        add(add(root, "Sub", Kind::Submenu, "This is a Submenu Item"), "Deep", Kind::MoveTo, "/d");
        chooser.emplace(*form);
        form->setDirectoryChooser(&*chooser);
        form->show();
        tree()->expandAll();
    }
    ~Window() { QDir::setCurrent(QDir::tempPath()); }

    QTreeView* tree() { return form->findChild<QTreeView*>("MenuTree"); }
    QTreeWidget* list() { return chooser->findChild<QTreeWidget*>("Directories"); }
    MenuNode* node(const QString& caption) {
        for (MenuNode* n : form->menu().inTreeOrder())
            if (QString::fromStdString(n->caption()) == caption)
                return n;
        return nullptr;
    }
    QString description(const QString& caption) {
        return QString::fromStdString(node(caption)->record()->descriptionOrTarget);
    }
    void select(const QString& caption) {
        tree()->setCurrentIndex(form->menuModel().indexOf(node(caption)));
    }
    QPoint pointOf(const QString& caption) {
        const QModelIndex index = form->menuModel().indexOf(node(caption));
        tree()->scrollTo(index);
        return tree()->visualRect(index).center();
    }
    QTreeWidgetItem* line(const QString& path) {
        for (QTreeWidgetItem* item : list()->findItems("*", Qt::MatchWildcard | Qt::MatchRecursive))
            if (item->data(0, Qt::UserRole).toString() == QDir::cleanPath(path))
                return item;
        return nullptr;
    }
    // Where to click a line; the deeper the folder, the further down the list it lies.
    QPoint pointOfLine(const QString& path) {
        list()->scrollToItem(line(path));
        return list()->visualItemRect(line(path)).center();
    }
    QString in(const QString& sub) { return QDir::toNativeSeparators(QDir(home).filePath(sub)); }

    QTemporaryDir folder;
    const QString home = QDir(folder.path()).canonicalPath();
    test::MemoryRegistry registry;
    RecordPool pool;
    std::optional<MainWindow> form;
    std::optional<DirectoryChooser> chooser;
};

// As a user double-clicks: press and release, then a second press that Qt reports as a
// double-click, and its release.
void doubleClick(QWidget* viewport, QPoint at) {
    QTest::mouseClick(viewport, Qt::LeftButton, {}, at);
    QTest::mousePress(viewport, Qt::LeftButton, {}, at);
    QTest::mouseDClick(viewport, Qt::LeftButton, {}, at);
    QTest::mouseRelease(viewport, Qt::LeftButton, {}, at);
}

// Whether the file dialog ran: a marker queued behind the answer comes out first if it did.
bool fileDialogRan() {
    FileDialog probe(FileDialog::Mode::Open);
    probe.execute(nullptr);
    if (probe.fileName == QStringLiteral("<marker>"))
        return true;
    probe.execute(nullptr);
    return false;
}

} // namespace

class AssignmentTest : public QObject {
    Q_OBJECT
private slots:
    void init() { ScriptedDialogs::takeAnswered(); }
    void cleanup() { QCOMPARE(ScriptedDialogs::takeAnswered().size(), 0); }

    void statusText() {
        const std::pair<const char*, QString> rows[] = {
            {"Quorvane", "This is the root of the Quorvane-menu"},
            {"Look", QString::fromLatin1(operationDescription(0))},
            {"Sub", "This is a Submenu Item"},
            {"<separator>", "This is a Menu Separator"},
            {"Ext", "This is a File Extension Item"},
            {"Archive", "Moves objects to - D:\\Archive" + hint},
            {"Backup", "Copies objects to - This is an unset Copy To Item" + hint},
            {"Editor", "Runs/Opens - This is an unset Run/Open Item" + hint},
            {"Mail", "Sends the selected objects to - C:\\Mail.exe" + hint},
        };
        Window w;
        for (const auto& [caption, expected] : rows) {
            w.select(caption);
            QCOMPARE(w.form->statusText(), expected);
        }
        // Nothing selected, nothing to describe; a reload describes what it selects.
        w.tree()->selectionModel()->clearSelection();
        QCOMPARE(w.form->statusText(), QString());
        w.select("Archive");
        w.form->menu().remove(w.node("Archive"));
        QVERIFY(!w.form->statusText().contains("Archive"));
        w.form->loadMenu(LoadMode::Given, R"("Explore",0,1,-2,-2)");
        QCOMPARE(w.form->statusText(), QStringLiteral("This is the root of the Quorvane-menu"));
    }

    // A double-click, or Enter on the selected entry, as the Edit menu's entries offer it.
    void doubleClick_data() {
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("opens"); // "chooser", "file" or nothing
        QTest::addColumn<bool>("byEnter");
        for (bool byEnter : {false, true}) {
            const auto row = [byEnter](const char* c, const char* opens) {
                QTest::addRow("%s%s", c, byEnter ? " by Enter" : "") << c << opens << byEnter;
            };
            for (const char* c : {"Quorvane", "Look", "Sub", "<separator>", "Ext"})
                row(c, "");
            for (const char* c : {"Archive", "Backup", "Deep"})
                row(c, "chooser");
            for (const char* c : {"Editor", "Mail"})
                row(c, "file");
        }
    }
    void doubleClick() {
        QFETCH(QString, caption);
        QFETCH(QString, opens);
        QFETCH(bool, byEnter);
        Window w;
        w.form->move(40, 30);
        QTRY_COMPARE(w.form->pos(), QPoint(40, 30));
        TAssoc* record = w.node(caption)->record();
        const std::string before = record->descriptionOrTarget;
        const QString link = QDir(w.home).filePath("App.lnk");
        QVERIFY(QFile::link(QDir(w.home).filePath("Archive"), link));
        ScriptedDialogs::chooseNextFile(link);
        ScriptedDialogs::chooseNextFile("<marker>");

        w.select(caption);
        const auto enabled = [&](const char* action) {
            return w.form->findChild<QAction*>(action)->isEnabled();
        };
        QCOMPARE(enabled("ChooseFolderAction"), opens == "chooser");
        QCOMPARE(enabled("ChooseFileAction"), opens == "file");
        QCOMPARE(enabled("RenameAction"), caption != "Quorvane" && caption != "<separator>");
        if (byEnter)
            QTest::keyClick(w.tree(), Qt::Key_Return);
        else
            ::doubleClick(w.tree()->viewport(), w.pointOf(caption));

        QCOMPARE(fileDialogRan(), opens == "file");
        QCOMPARE(w.chooser->showing(), opens == "chooser");
        if (opens == "chooser") {
            QCOMPARE(w.chooser->windowTitle(), caption);
            QCOMPARE(w.chooser->boundRecord(), record);
            QCOMPARE(w.chooser->pos(), QPoint(40 + 150, 30 + 72));
            QVERIFY(!w.chooser->isModal());
            QCOMPARE(w.chooser->focusWidget(), w.chooser->findChild<QWidget*>("Ok"));
        }
        if (opens == "file") {
            // The link itself is the target, with its own name as the caption.
            QCOMPARE(w.description("App.lnk"), QDir::toNativeSeparators(link));
            QVERIFY(w.form->statusText().endsWith(" - " + QDir::toNativeSeparators(link) + hint));
            QCOMPARE(w.form->fileDialog().title, QStringLiteral("File to associate with item"));
            QCOMPARE(w.form->fileDialog().filter,
                     QStringLiteral("All files (*)|*|Runable files (*.exe, *.lnk, *.bat, *.com)|"
                                    "*.exe;*.bat;*.com;*.lnk"));
            QVERIFY(!w.form->fileDialog().followLinks);
            QVERIFY(w.form->fileDialog().defaultSuffix.isEmpty());
        } else {
            QCOMPARE(record->descriptionOrTarget, before);
            QVERIFY(w.node(caption));
        }
    }

    // Each description shows as written, its patterns once; the patterns still choose the files.
    void fileDialogShowsEachFilterAsWritten() {
        const struct {
            QString filter;
            QStringList shown;
            QStringList patterns;
        } rows[] = {
            {"Runable files (*.exe, *.lnk, *.bat, *.com)|*.exe;*.bat;*.com;*.lnk|All files|*.*",
             {"Runable files (*.exe, *.lnk, *.bat, *.com)", "All files"},
             {"*.exe *.bat *.com *.lnk", "*"}},
            {"Menu files (*.drm)|*.drm|All files|*.*",
             {"Menu files (*.drm)", "All files"},
             {"*.drm", "*"}},
        };
        for (const auto& row : rows) {
            FileDialog dialog(FileDialog::Mode::Open);
            dialog.filter = row.filter;
            QStringList shown;
            QStringList patterns;
            QTimer::singleShot(0, [&] {
                auto* open = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
                if (!open)
                    return;
                const auto* types = open->findChild<QComboBox*>("fileTypeCombo");
                for (int i = 0; types && i < types->count(); ++i)
                    shown << types->itemText(i);
                for (const QString& filter : open->nameFilters())
                    patterns << filter.section(QLatin1Char('('), -1).chopped(1);
                open->reject();
            });
            QVERIFY(!dialog.execute(nullptr));
            QCOMPARE(shown, row.shown);
            QCOMPARE(patterns, row.patterns);
        }
    }

    void doubleClickActsWhereTheLastButtonWentUp() {
        Window w;
        w.select("Archive");
        w.form->targets().mouseReleased(
            QPoint(5, w.tree()->viewport()->height() - 2)); // below every node
        w.form->targets().doubleClicked();
        QVERIFY(!w.chooser->showing());

        QTest::mouseClick(w.tree()->viewport(), Qt::RightButton, {}, w.pointOf("Backup"));
        w.form->targets().doubleClicked();
        QCOMPARE(w.chooser->boundRecord(), w.node("Backup")->record());

        // A second item while the chooser shows for the first changes nothing.
        ::doubleClick(w.tree()->viewport(), w.pointOf("Archive"));
        QCOMPARE(w.chooser->boundRecord(), w.node("Backup")->record());
        QCOMPARE(w.chooser->windowTitle(), QStringLiteral("Backup"));

        // The status bar goes on describing the selected node, not the one given a file.
        QTest::mouseClick(w.tree()->viewport(), Qt::MiddleButton, {}, w.pointOf("Editor"));
        w.select("Archive");
        ScriptedDialogs::chooseNextFile("/bin/ed");
        w.form->targets().doubleClicked();
        QCOMPARE(w.description("ed"), QDir::toNativeSeparators("/bin/ed"));
        QCOMPARE(w.form->statusText(), "Moves objects to - D:\\Archive" + hint);
    }

    void refusedFilesChangeNothing() {
        Window w;
        ScriptedDialogs::chooseNextFile(""); // cancelled
        ::doubleClick(w.tree()->viewport(), w.pointOf("Editor"));
        ScriptedDialogs::chooseNextFile("/tools/two\nlines.exe");
        ScriptedDialogs::answerNextBox(QMessageBox::Ok);
        ::doubleClick(w.tree()->viewport(), w.pointOf("Editor"));
        QVERIFY(ScriptedDialogs::takeAnswered().value(0).text.contains("line break"));
        const QString odd = QDir::toNativeSeparators(QString::fromUtf8("/tools/\u65e5.exe"));
        ScriptedDialogs::chooseNextFile(odd);
        ScriptedDialogs::answerNextBox(QMessageBox::Ok);
        ::doubleClick(w.tree()->viewport(), w.pointOf("Editor"));
        const auto shown = ScriptedDialogs::takeAnswered();
        QCOMPARE(shown.size(), 1);
        QCOMPARE(shown[0].text, "'" + odd +
                                    "' cannot be used as a target. The character \"\u65e5\" "
                                    "(U+65E5) cannot be stored: the settings hold only "
                                    "Windows-1252 text.");
        QCOMPARE(w.description("Editor"), QStringLiteral("This is an unset Run/Open Item"));

        // Windows-1252 holds these, past Latin-1 too.
        TAssoc* record = w.node("Editor")->record();
        ScriptedDialogs::chooseNextFile(QStringLiteral("/tools/Caf\u00e9 \u20ac.exe"));
        ::doubleClick(w.tree()->viewport(), w.pointOf("Editor"));
        const std::string separator(1, QDir::separator().toLatin1());
        QCOMPARE(record->descriptionOrTarget, separator + "tools" + separator + "Caf\xE9 \x80.exe");
        QCOMPARE(w.form->statusText(),
                 "Runs/Opens - " +
                     QDir::toNativeSeparators(QStringLiteral("/tools/Caf\u00e9 \u20ac.exe")) +
                     hint);
    }

    void chooserRefusesWhatTheSettingsCannotHold() {
        Window w;
        QVERIFY(QDir(w.home).mkdir(QStringLiteral("\u6f22")));
        ::doubleClick(w.tree()->viewport(), w.pointOf("Archive"));
        ::doubleClick(w.list()->viewport(), w.pointOfLine(w.in(QStringLiteral("\u6f22"))));
        QCOMPARE(w.chooser->currentDirectory(), w.in(QStringLiteral("\u6f22")));
        ScriptedDialogs::answerNextBox(QMessageBox::Ok);
        QTest::mouseClick(w.chooser->findChild<QPushButton*>("Ok"), Qt::LeftButton);
        const auto shown = ScriptedDialogs::takeAnswered();
        QCOMPARE(shown.size(), 1);
        QVERIFY2(shown[0].text.contains(QStringLiteral("\"\u6f22\" (U+6F22)")),
                 qPrintable(shown[0].text));
        QCOMPARE(w.description("Archive"), QStringLiteral("D:\\Archive"));
        QVERIFY(w.chooser->showing());
    }

    void okStoresTheOpenedDirectory() {
        Window w;
        w.select("Archive");
        ::doubleClick(w.tree()->viewport(), w.pointOf("Archive"));
        ::doubleClick(w.list()->viewport(), w.pointOfLine(w.in("Archive")));
        QCOMPARE(w.chooser->currentDirectory(), w.in("Archive"));
        QTest::mouseClick(w.chooser->findChild<QPushButton*>("Ok"), Qt::LeftButton);
        QCOMPARE(w.description("Archive"), w.in("Archive"));
        QCOMPARE(w.form->statusText(), "Moves objects to - " + w.in("Archive") + hint);
        QCOMPARE(w.form->history().undoName(), "Set Folder of \"Archive\"");
        QVERIFY(!w.chooser->showing());
        QVERIFY(!w.chooser->isVisible());

        // Reopened for another item, it is where it was left, whatever that item's target; a
        // line only highlighted is what Ok takes, and where the chooser opens next.
        ::doubleClick(w.tree()->viewport(), w.pointOf("Deep"));
        QCOMPARE(w.chooser->currentDirectory(), w.in("Archive"));
        QTest::mouseClick(w.list()->viewport(), Qt::LeftButton, {},
                          w.pointOfLine(w.in("Archive/b")));
        QCOMPARE(w.list()->currentItem(), w.line(w.in("Archive/b")));
        QTest::mouseClick(w.chooser->findChild<QPushButton*>("Ok"), Qt::LeftButton);
        QCOMPARE(w.description("Deep"), w.in("Archive/b"));
        ::doubleClick(w.tree()->viewport(), w.pointOf("Backup"));
        QCOMPARE(w.chooser->currentDirectory(), w.in("Archive/b"));
    }

    void listShowsThePathThenTheSubdirectories() {
        Window w;
        w.chooser->showModeless();
        w.list()->setCurrentItem(w.line(w.in("Archive")));
        QTest::keyClick(w.list(), Qt::Key_Return);
        QStringList path;
        for (QTreeWidgetItem* at = w.line(w.in("Archive")); at; at = at->parent())
            path.prepend(at->text(0));
        QCOMPARE(path.first(), QDir::toNativeSeparators(QDir::rootPath()));
        QCOMPARE(QDir::cleanPath(QDir::fromNativeSeparators(path.join('/'))),
                 QDir(w.home).filePath("Archive"));
        QTreeWidgetItem* current = w.list()->currentItem();
        QCOMPARE(current, w.line(w.in("Archive")));
        QStringList subdirectories;
        for (int i = 0; i < current->childCount(); ++i)
            subdirectories << current->child(i)->text(0);
        QCOMPARE(subdirectories, (QStringList{"A", "b"}));

        // Each volume goes back to the directory last opened on it.
        auto* drives = w.chooser->findChild<QComboBox*>("Drives");
        QCOMPARE(drives->itemText(0), QDir::toNativeSeparators(QDir::rootPath()));
        emit drives->activated(0);
        emit drives->activated(drives->findData(QStorageInfo(w.home).rootPath()));
        QCOMPARE(w.chooser->currentDirectory(), w.in("Archive"));
    }

    void cancelAndCloseGiveNothingBack() {
        Window w;
        for (const char* way : {"Cancel", "close box"}) {
            ::doubleClick(w.tree()->viewport(), w.pointOf("Archive"));
            ::doubleClick(w.list()->viewport(), w.pointOfLine(w.in("Other")));
            if (QByteArray(way) == "Cancel")
                QTest::mouseClick(w.chooser->findChild<QPushButton*>("Cancel"), Qt::LeftButton);
            else
                w.chooser->close();
            QVERIFY(!w.chooser->showing());
            QCOMPARE(w.chooser->boundRecord(), nullptr);
            QCOMPARE(w.description("Archive"), QStringLiteral("D:\\Archive"));
        }
    }

    void okAfterTheItemLeftChangesNothing() {
        Window w;
        TAssoc* orphan = w.pool.copyOf(*w.pool.prototype(Kind::MoveTo), "kept");
        w.chooser->bind(orphan);
        w.chooser->showModeless();
        w.chooser->okClicked();
        QCOMPARE(orphan->descriptionOrTarget, std::string("kept"));
        QVERIFY(!w.chooser->showing());
    }

    void leavingItemClosesTheChooser_data() {
        QTest::addColumn<QString>("bound");
        QTest::addColumn<QString>("change");
        QTest::addColumn<bool>("closes");
        QTest::newRow("removed") << "Archive"
                                 << "remove Archive" << true;
        QTest::newRow("in a removed submenu") << "Deep"
                                              << "remove Sub" << true;
        QTest::newRow("reload") << "Archive"
                                << "reload" << true;
        QTest::newRow("another removed") << "Archive"
                                         << "remove Backup" << false;
        QTest::newRow("moved") << "Archive"
                               << "move" << false;
    }
    void leavingItemClosesTheChooser() {
        QFETCH(QString, bound);
        QFETCH(QString, change);
        QFETCH(bool, closes);
        Window w;
        ::doubleClick(w.tree()->viewport(), w.pointOf(bound));
        QVERIFY(w.chooser->showing());
        MenuTree& tree = w.form->menu();
        if (change == "reload")
            w.form->loadMenu(LoadMode::Stored);
        else if (change == "move")
            QVERIFY(tree.moveBefore(w.node("Archive"), w.node("Explore")));
        else
            tree.remove(w.node(change.section(' ', 1)));
        QCOMPARE(w.chooser->showing(), !closes);
        QCOMPARE(w.chooser->isVisible(), !closes);
    }

    void chooserKeepsTheOffsetTheUserGaveIt() {
        Window w;
        w.form->move(100, 100);
        QTRY_COMPARE(w.form->pos(), QPoint(100, 100));
        ::doubleClick(w.tree()->viewport(), w.pointOf("Archive"));
        QTRY_COMPARE(w.chooser->pos(), QPoint(250, 172));
        w.form->move(120, 90);
        QTRY_COMPARE(w.chooser->pos(), QPoint(270, 162));
        QCOMPARE(w.chooser->offset(), QPoint(150, 72));

        w.chooser->move(400, 300); // the user drags it
        QTRY_COMPARE(w.chooser->offset(), QPoint(280, 210));
        w.form->move(50, 60);
        QTRY_COMPARE(w.chooser->pos(), QPoint(330, 270));
        QCOMPARE(w.chooser->offset(), QPoint(280, 210));

        w.chooser->close();
        ::doubleClick(w.tree()->viewport(), w.pointOf("Backup"));
        QTRY_COMPARE(w.chooser->pos(), QPoint(330, 270));
    }

    void chooserWindow() {
        Window w;
        // The lists, the volumes and the folder icons wait for the first showing.
        QVERIFY(w.chooser->findChildren<QWidget*>().isEmpty());
        QCOMPARE(w.chooser->windowTitle(), QStringLiteral("Configuration"));
        QCOMPARE(w.chooser->size(), QSize(234, 129));
        QCOMPARE(w.chooser->minimumSize(), QSize(234, 129));
        // Larger, the list takes the room and Ok stays in the corner; the size stays for the next
        // item, unless its caption needs more.
        w.chooser->show();
        const auto* list = w.chooser->findChild<QWidget*>("Directories");
        QTRY_COMPARE(list->width(), 145);
        const QSize designed = list->size();
        w.chooser->resize(300, 200);
        QTRY_COMPARE(w.chooser->size(), QSize(300, 200));
        QTRY_COMPARE(list->size(), designed + QSize(66, 71));
        QCOMPARE(w.chooser->findChild<QWidget*>("Ok")->geometry().bottomRight(),
                 QPoint(300 - 7, 200 - 3));
        w.chooser->setCaption("db-click to set directory for the item below");
        QCOMPARE(w.chooser->height(), 200);
        QCOMPARE(w.chooser->width(), widthForTitle(*w.chooser, w.chooser->windowTitle()));
        const Qt::WindowFlags flags = w.chooser->windowFlags();
        QVERIFY(flags & Qt::WindowStaysOnTopHint);
        QVERIFY(flags & Qt::WindowCloseButtonHint);
        QVERIFY(!(flags & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint)));
    }
};

int main(int argc, char** argv) {
    Application application(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Quorvane II"));
    AssignmentTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "AssignmentTest.moc"
