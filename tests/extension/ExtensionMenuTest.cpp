#include "extension/ExtensionMenu.h"

#include "Bounded.h"
#include "settings/Schema.h"
#include "settings/SettingsKey.h"
#include "store/HiveRegistry.h"
#include "support/MenuFixture.h"
#include "support/TestFiles.h"

#include <sys/stat.h>

namespace fs = std::filesystem;

namespace quorvane::test {
namespace {

TEST(MenuLabel, ConvertsTheCodePageAndKeepsUnderscoresVisible) {
    EXPECT_EQ(ext::menuLabel("Copy_Name"), "Copy__Name");
    EXPECT_EQ(ext::menuLabel("Caf\xe9 \x80"), "Café €");
    EXPECT_EQ(ext::menuLabel(""), "");
}

TEST_F(MenuFixture, TheExtensionShowsTheStoredMenuAndOffersConfigureWhenThereIsNone) {
    set(value::theMenu, R"("Clip","2","-2","E","-2","-1")");
    const ext::ExtensionMenu shown = ext::readExtensionMenu(registry);
    EXPECT_EQ(shown.problem, "");
    ASSERT_EQ(shown.menu.entries.size(), 2u);
    EXPECT_EQ(shown.menu.entries[0].entries[0].caption, "Copy Name");

    for (const char* menu : {"", "E,-2"}) {
        set(value::theMenu, menu);
        const auto fallback = ext::readExtensionMenu(registry).menu.entries;
        ASSERT_EQ(fallback.size(), 1u);
        EXPECT_EQ(fallback[0].operation, 8);
        EXPECT_EQ(fallback[0].caption, "Configure");
    }
    const int commits = registry.commits;
    unset(operations()[8].valueName);
    EXPECT_EQ(ext::readExtensionMenu(registry).menu.entries[0].caption, "Configure");
    EXPECT_EQ(registry.commits, commits);
}

TEST(ExtensionMenu, ASettingsFileThatCannotBeReadGivesOneEntryOfShortLinesSayingWhy) {
    TempFolder folder;
    const auto hive = folder / "HKEY_CLASSES_ROOT.reg";
    HiveRegistry store(hive);
    for (const std::string file : {"garbage\n", "REGEDIT4\n\n[x]\n\"v\"=nonsense\n"}) {
        writeBytes(hive, file);
        const auto shown = ext::readExtensionMenu(store);
        EXPECT_TRUE(shown.menu.entries.empty());
        EXPECT_TRUE(shown.reason.starts_with("Cannot read the settings file: line "))
            << shown.reason;
        EXPECT_EQ(shown.problem, ext::problemLines(shown.reason));
        EXPECT_EQ(shown.reason.find('\n'), std::string::npos);
        EXPECT_EQ(readBytes(hive), file);
    }
}

// A pipe in place of the settings file would hold the file manager until something writes to it.
TEST(ExtensionMenu, ASettingsFileThatIsAPipeIsRefusedWithoutWaiting) {
    TempFolder folder;
    const auto hive = folder / "HKEY_CLASSES_ROOT.reg";
    ASSERT_EQ(::mkfifo(hive.c_str(), 0600), 0);
    const auto store = std::make_shared<HiveRegistry>(hive);
    const auto shown = bounded([store] { return ext::readExtensionMenu(*store); });
    ASSERT_TRUE(shown) << "reading a pipe for the settings never ended";
    EXPECT_TRUE(shown->menu.entries.empty());
    EXPECT_EQ(shown->reason, "Cannot read the settings file: it is no regular file.");
}

// Counts the keys opened through it: every read of the store opens one.
struct CountingRegistry : Registry {
    explicit CountingRegistry(Registry& store) : store(store) {}
    std::unique_ptr<RegistryKey> openKey(std::string_view path) override {
        ++opened;
        return store.openKey(path);
    }
    void update(std::string_view, const std::function<void(RegistryKey&)>&) override {}
    std::optional<fs::path> storeFile() const override { return store.storeFile(); }
    Registry& store;
    int opened = 0;
};

TEST(MenuReader, ReadsTheSettingsFileAgainOnlyOnceItChanged) {
    TempFolder folder;
    HiveRegistry hive(folder / "HKEY_CLASSES_ROOT.reg");
    CountingRegistry store(hive);
    ext::MenuReader reader;
    EXPECT_EQ(reader.read(store).menu.entries[0].operation, 8);
    // The same size and written moments after the last: each must be told apart all the same.
    for (const char* menu : {R"("4","-2")", R"("2","-2")"}) {
        SettingsKey key(hive);
        key.writeString(value::theMenu, menu);
        key.close();
        EXPECT_EQ(reader.read(store).menu.entries[0].operation, menu[1] - '0');
        const int opened = store.opened;
        reader.read(store);
        EXPECT_EQ(store.opened, opened);
    }
}

TEST_F(MenuFixture, AStoredMenuThatDoesNotReadIsNamedAsSuch) {
    set(value::theMenu, "0,-4");
    const auto shown = ext::readExtensionMenu(registry);
    EXPECT_EQ(shown.problem, "Cannot read the menu: List index out of\nbounds");
    EXPECT_EQ(shown.reason, "Cannot read the menu: List index out of bounds");
    registry.setInteger(path, value::theMenu, 1);
    EXPECT_EQ(ext::readExtensionMenu(registry).reason,
              "Cannot read the menu: Invalid data type for 'TheMenu' "
              "Loading a menu file that holds the value repairs it.");
}

TEST(ProblemLines, WrapsAtSpacesIntoAFewShortLines) {
    const std::string word(45, 'w');
    const std::pair<std::string, std::string> rows[] = {
        {"Short", "Short"},
        {"Cannot read the settings file: line 1: the file does not start with REGEDIT4",
         "Cannot read the settings file: line 1:\nthe file does not start with REGEDIT4"},
        {"é" + std::string(37, 'a') + " é", "é" + std::string(37, 'a') + " é"},
        {"a\nb " + word, "a b\n" + word},
        {"1 " + word + " 2 " + word + " 3", "1\n" + word + "\n2\n" + word + "…"},
    };
    for (const auto& [failure, lines] : rows)
        EXPECT_EQ(ext::problemLines(failure), lines);
}

} // namespace
} // namespace quorvane::test
