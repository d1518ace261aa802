// Dolphin's plug-in loaded as KIO loads it: found by its metadata among the file-item actions of a
// plug-in folder, made through its factory, asked for its actions for a selection, the actions
// walked and some of them triggered. Qt 5, on the offscreen platform.

#include "AdapterSettings.h"

#include <KAbstractFileItemActionPlugin>
#include <KFileItem>
#include <KFileItemListProperties>
#include <KPluginFactory>
#include <KPluginMetaData>
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QMenu>
#include <gtest/gtest.h>

namespace fs = std::filesystem;

namespace quorvane::test {
namespace {

QApplication& application() {
    static int argc = 1;
    static char name[] = "adapter_dolphin_tests";
    static char* argv[] = {name, nullptr};
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    static QApplication* app = new QApplication(argc, argv);
    return *app;
}

KAbstractFileItemActionPlugin* plugin() {
    static KAbstractFileItemActionPlugin* made = []() -> KAbstractFileItemActionPlugin* {
        application();
        QCoreApplication::addLibraryPath(QStringLiteral(QUORVANE_PLUGIN_FOLDER));
        const auto found = KPluginMetaData::findPlugins(
            QStringLiteral("kf5/kfileitemaction"),
            [](const KPluginMetaData& data) { return data.pluginId() == "quorvane-dolphin"; });
        if (found.size() != 1) {
            ADD_FAILURE() << "KIO finds " << found.size() << " plug-ins named quorvane-dolphin";
            return nullptr;
        }
        EXPECT_EQ(found.front().name(), "Quorvane");
        // What KIO asks of a file-item action before it loads one for files and for folders.
        EXPECT_TRUE(found.front().serviceTypes().contains("KFileItemAction/Plugin"));
        EXPECT_TRUE(found.front().mimeTypes().contains("application/octet-stream"));
        EXPECT_TRUE(found.front().mimeTypes().contains("inode/directory"));
        const auto result =
            KPluginFactory::instantiatePlugin<KAbstractFileItemActionPlugin>(found.front());
        if (!result)
            ADD_FAILURE() << result.errorString.toStdString();
        return result.plugin;
    }();
    return made;
}

// The actions as one line: `label` an action, `label{...}` a submenu, `!label` a disabled one,
// `-` a separator.
std::string outline(const QList<QAction*>& actions, std::vector<QAction*>* all = nullptr) {
    std::string text;
    for (QAction* action : actions) {
        text += text.empty() ? "" : "|";
        if (action->isSeparator()) {
            text += "-";
            continue;
        }
        text += (action->isEnabled() ? "" : "!") + action->text().toStdString();
        if (all)
            all->push_back(action);
        if (QMenu* menu = action->menu())
            text += "{" + outline(menu->actions(), all) + "}";
    }
    return text;
}

class DolphinAdapter : public AdapterSettings {
public:
    QList<QAction*> actionsFor(const fs::path& path) {
        const KFileItem item(QUrl::fromLocalFile(QString::fromStdString(path.string())));
        return plugin()->actions(KFileItemListProperties({item}), nullptr);
    }
};

TEST_F(DolphinAdapter, ShowsTheStoredMenuAtEachRightClickAndActivatesItsEntries) {
    ASSERT_NE(plugin(), nullptr);
    EXPECT_TRUE(plugin()->actions(KFileItemListProperties(), nullptr).isEmpty());
    const fs::path file = temp / "files" / "a.txt";

    store(R"("Sub","-5","-1","-5","-2","Empty","-2","2")", "Copy & Name");
    std::vector<QAction*> all;
    EXPECT_EQ(outline(actionsFor(file), &all), "Quorvane{Sub{doc|-|my_ext}|Copy && Name}");
    ASSERT_EQ(all.size(), 5u);
    all[4]->trigger();
    // Through the application's clipboard, followed by a line end as CopyCRLF is unset.
    EXPECT_EQ(QApplication::clipboard()->text().toStdString(), file.string() + "\n");
    // The extension item "doc" renames the selected file, in the background.
    all[2]->trigger();
    EXPECT_TRUE(eventually([&] { return fs::exists(temp / "files" / "a.doc"); },
                           [] { QCoreApplication::processEvents(); }));

    // A change shows at the next right-click.
    store(R"("2","Sub","17","-2")", "Copy & Name");
    EXPECT_EQ(outline(actionsFor(temp / "files")), "Quorvane{Copy && Name|Sub{Stamp}}");

    writeBytes(HiveRegistry::defaultHiveFile(), "not a settings file\n");
    const std::string unreadable = outline(actionsFor(temp / "files"));
    EXPECT_TRUE(unreadable.starts_with("Quorvane{!Cannot read the settings file: line 1:\n"))
        << unreadable;
}

} // namespace
} // namespace quorvane::test
