#include "ScriptedDialogs.h"
#include "SettingsFixture.h"
#include "app/Application.h"
#include "editor/FileDialog.h"
#include "editor/MainWindow.h"
#include "gui/MessageBoxes.h"
#include "menu/RecordPool.h"
#include "settings/KeyPath.h"
#include "settings/SettingsKey.h"
#include "store/HiveRegistry.h"
#include "support/MemoryRegistry.h"
#include "support/Process.h"
#include "support/TestFiles.h"

#include <QTest>
#include <optional>

using namespace quorvane;
using quorvane::test::MemoryRegistry;

namespace {

struct Window {
    explicit Window(std::string_view menu = test::defaultMenuString) {
        test::seedSettings(registry, menu);
        form.emplace(MainWindow::Services{registry, pool, QStringLiteral("/prog/"), {}});
    }
    std::string stored(std::string_view name) {
        SettingsKey key(registry);
        return key.readString(name);
    }
    QStringList topLevel() {
        QStringList captions;
        for (int row = 0; row < form->menu().root()->childCount(); ++row)
            captions << QString::fromStdString(form->menu().root()->child(row)->caption());
        return captions;
    }

    MemoryRegistry registry;
    RecordPool pool;
    std::optional<MainWindow> form;
};

} // namespace

class PersistenceWindowTest : public QObject {
    Q_OBJECT
private slots:
    void init() { ScriptedDialogs::takeAnswered(); }
    void cleanup() { QCOMPARE(ScriptedDialogs::takeAnswered().size(), 0); }

    void applyStoresTheEditedTree() {
        Window w(R"("Explore",0,1,-2,-2)");
        w.form->menu().rename(w.form->menu().root()->child(0), "Look");
        const int before = w.registry.commits;
        w.form->applyClicked();
        QCOMPARE(w.registry.commits, before + 1);
        QCOMPARE(w.stored("TheMenu"), std::string(R"("Look","0","1","-2","-2")"));
    }

    void applyRefusesTheBareRoot() {
        Window w("");
        ScriptedDialogs::answerNextBox(QMessageBox::Ok);
        const int before = w.registry.commits;
        w.form->applyClicked();
        const auto answered = ScriptedDialogs::takeAnswered();
        QCOMPARE(answered.size(), 1);
        QCOMPARE(answered[0].caption, QStringLiteral("Quorvane"));
        QCOMPARE(
            answered[0].text,
            QStringLiteral("You cannot have zero menu-items. Then remove Quorvane altogether"));
        QCOMPARE(w.registry.commits, before);
    }

    // Operation 21 stops the load after operation 0: the captions and item lists of all the
    // rest were never read, and storing the cut-off menu would lose them for good.
    void applyAfterALoadThatStoppedIsRefusedUntilALoadCompletes() {
        ScriptedDialogs::answerNextBox(QMessageBox::Ok);
        Window w("0,21,17,-2");
        QCOMPARE(ScriptedDialogs::takeAnswered().at(0).text,
                 QStringLiteral("List index out of bounds"));
        const auto before = w.registry.key(settingsKeyPath());
        ScriptedDialogs::answerNextBox(QMessageBox::Ok);
        w.form->applyClicked();
        const auto answered = ScriptedDialogs::takeAnswered();
        QCOMPARE(answered.size(), 1);
        QVERIFY(answered[0].text.startsWith("The menu could not be loaded completely"));
        QVERIFY(w.registry.key(settingsKeyPath()) == before);

        w.form->presetCompact();
        w.form->applyClicked();
        QVERIFY(w.stored("TheMenu").ends_with(R"("-1","16","-2")"));
        QCOMPARE(w.stored("Stamp"), std::string("Stamp"));
    }

    void presetsReplaceTheTreeButNotTheStoredMenu() {
        Window w(R"(16,-2)");
        w.form->presetCompact();
        QCOMPARE(w.topLevel().mid(0, 3), (QStringList{"Move To", "Copy To", "Explore From Here"}));
        QCOMPARE(w.stored("TheMenu"), std::string("16,-2"));
        w.form->presetAll();
        QCOMPARE(w.topLevel().first(), QStringLiteral("Explore"));
        QVERIFY(w.topLevel().contains("Prompt"));
        w.form->presetDefault();
        QCOMPARE(w.topLevel().size(), 13);
        w.form->presetCurrent();
        QCOMPARE(w.topLevel(), QStringList{"Remove!!"});
    }

    void menuFilesGoThroughTheirDialogs() {
        test::TempFolder folder;
        const QString file = QString::fromStdString((folder / "Quorvmenu.drm").string());
        Window w(R"("Saved",16,-2)");
        ScriptedDialogs::chooseNextFile(file);
        w.form->saveMenuFileAs();
        QCOMPARE(w.form->saveDialog().title, QStringLiteral("Save menu as:"));
        QCOMPARE(w.form->saveDialog().defaultSuffix, QStringLiteral("drm"));
        QCOMPARE(w.form->saveDialog().initialDirectory, QStringLiteral("/prog/"));
        QVERIFY(test::readBytes(file.toStdString())
                    .value_or("")
                    .starts_with("# This is a menu-file for Quorvane\r\n#\r\n"));

        Window other("5,-2");
        ScriptedDialogs::chooseNextFile(file);
        other.form->openMenuFile();
        QCOMPARE(other.form->fileDialog().title, QStringLiteral("Load menu"));
        QCOMPARE(other.form->fileDialog().filter,
                 QStringLiteral("Menu files (*.drm)|*.drm|All files|*.*"));
        QCOMPARE(other.topLevel(), QStringList{"Saved"});
        QCOMPARE(other.stored("TheMenu"), std::string(R"("Saved",16,-2)"));
    }

    // The command line takes UTF-8 and the window shows the same text from the same settings.
    void captionsAppliedOnTheCommandLineShowAsTyped() {
        test::TempFolder home;
        const auto hiveFile = home / "quorvane" / "HKEY_CLASSES_ROOT.reg";
        {
            HiveRegistry hive(hiveFile);
            test::seedSettings(hive, "16,-2");
        }
        const test::Outcome applied =
            test::runProgram(QUORVANECTL, {"apply", R"("Café Ünïcödé",16,-2,"Preis 5 €",1,-2,-2)"},
                             {{"XDG_CONFIG_HOME", home.path().string()},
                              {"XDG_DATA_HOME", (home / "data").string()}});
        QCOMPARE(applied.status, 0);

        HiveRegistry hive(hiveFile);
        RecordPool pool;
        MainWindow form(MainWindow::Services{hive, pool, QStringLiteral("/prog/"), {}});
        const QModelIndex root = form.menuModel().index(0, 0);
        QCOMPARE(form.menuModel().index(0, 0, root).data().toString(),
                 QStringLiteral("Café Ünïcödé"));
        QCOMPARE(form.menuModel().index(1, 0, root).data().toString(), QStringLiteral("Preis 5 €"));
    }

    void cancelledOrEmptyMenuFilesChangeNothing() {
        test::TempFolder folder;
        Window w("5,-2");
        const int before = w.registry.commits;
        ScriptedDialogs::chooseNextFile(QString()); // cancelled
        w.form->openMenuFile();
        ScriptedDialogs::chooseNextFile(QString());
        w.form->saveMenuFileAs();
        QCOMPARE(w.registry.commits, before);

        const auto empty = folder / "empty.drm";
        test::writeBytes(empty, "# nothing here\r\n");
        ScriptedDialogs::chooseNextFile(QString::fromStdString(empty.string()));
        ScriptedDialogs::answerNextBox(QMessageBox::Ok);
        w.form->openMenuFile();
        const auto answered = ScriptedDialogs::takeAnswered();
        QCOMPARE(answered.size(), 1);
        QCOMPARE(answered[0].text, QStringLiteral("Nothing happened!"));
        QCOMPARE(w.registry.commits, before);
    }
};

int main(int argc, char** argv) {
    quorvane::Application application(argc, argv);
    PersistenceWindowTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "PersistenceWindowTest.moc"
