#include "extension/ExtensionMenu.h"

#include "Bounded.h"
#include "platform/HiveRegistry.h"
#include "settings/Schema.h"
#include "support/MenuFixture.h"
#include "support/TestFiles.h"

#include <sys/stat.h>

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

TEST(ExtensionMenu, ASettingsFileThatCannotBeReadGivesOneShortLineSayingWhy) {
    TempFolder folder;
    const auto hive = folder / "HKEY_CLASSES_ROOT.reg";
    HiveRegistry store(hive);
    struct Row {
        std::string file;
        std::string problem;
    };
    const Row rows[] = {
        {"garbage\n", "Cannot read the settings file: "},
        {"REGEDIT4\n\n[x]\n\"v\"=nonsense\n", "Cannot read the settings file: "},
    };
    for (const Row& row : rows) {
        writeBytes(hive, row.file);
        const auto shown = ext::readExtensionMenu(store);
        EXPECT_TRUE(shown.menu.entries.empty());
        EXPECT_TRUE(shown.problem.starts_with(row.problem)) << shown.problem;
        EXPECT_LE(shown.problem.size(), 84u) << shown.problem;
        EXPECT_EQ(shown.problem.find('\n'), std::string::npos);
        EXPECT_EQ(readBytes(hive), row.file);
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
    EXPECT_EQ(shown->problem, "Cannot read the settings file: it is no regular file.");
}

TEST_F(MenuFixture, AStoredMenuThatDoesNotReadIsNamedAsSuch) {
    set(value::theMenu, "0,-4");
    EXPECT_EQ(ext::readExtensionMenu(registry).problem,
              "Cannot read the menu: List index out of bounds");
    registry.setInteger(path, value::theMenu, 1);
    EXPECT_EQ(ext::readExtensionMenu(registry).problem,
              "Cannot read the menu: Invalid data type for 'TheMenu'");
}

TEST(ShortProblem, CutsAtALineAndAtACharacter) {
    EXPECT_EQ(ext::shortProblem("first\nsecond"), "first");
    const std::string longText = std::string(79, 'a') + "é" + "tail";
    EXPECT_EQ(ext::shortProblem(longText), std::string(79, 'a') + "…");
}

} // namespace
} // namespace quorvane::test
