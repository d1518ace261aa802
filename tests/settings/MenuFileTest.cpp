#include "settings/MenuFile.h"

#include "platform/Failure.h"
#include "platform/FileBytes.h"
#include "platform/HiveRegistry.h"
#include "settings/FirstRun.h"
#include "settings/KeyPath.h"
#include "settings/SettingsKey.h"
#include "support/MemoryRegistry.h"
#include "support/RecordingMessages.h"
#include "support/TestFiles.h"

#include <gtest/gtest.h>
#include <vector>

namespace quorvane {
namespace {

class MenuFileTest : public ::testing::Test {
protected:
    const RegistryValue* find(std::string_view name) { return registry.find(path, name); }

    test::MemoryRegistry registry;
    const std::string path = settingsKeyPath();
};

TEST_F(MenuFileTest, SaveWritesLastValueFirstAndLeavesOutWhatMustNotTravel) {
    registry.setInteger(path, "v", 2010);
    registry.setString(path, "ItemsAvailable", "21");
    registry.setString(path, "TheMenu", R"("Explore",0,-2)");
    registry.setString(path, "", "unnamed");
    registry.setInteger(path, "MWnL", -12);
    registry.key(path).push_back({"Blob", regtype::binary, "\x01"});
    registry.setString(path, "AltPromptStart", "c:\\4dos\\4dos.com");
    registry.setString(path, "Broken", "two\r\nlines");
    registry.setString(path, "odd:name", "x");
    // The registry takes names without regard to case; the exclusion does not.
    registry.setString(path, "displayref", "case matters");
    EXPECT_EQ(menuFileText(registry), "# This is a menu-file for Quorvane\r\n"
                                      "#\r\n"
                                      "s:displayref:case matters\r\n"
                                      "s:AltPromptStart:c:\\4dos\\4dos.com\r\n"
                                      "i:MWnL:-12\r\n"
                                      "s:TheMenu:\"Explore\",0,-2\r\n");
}

TEST_F(MenuFileTest, LoadWritesEachLineByItsPrefix) {
    const std::string file = "# This is a menu-file for Quorvane\r\n"
                             "#\r\n"
                             "s:AltPromptStart:c:\\4dos\\4dos.com\r\n"
                             "i:StampOptions:5\r\n"
                             "s:  \x01Spaced:kept  \r\n"
                             " s:Indented:ignored\r\n"
                             "S:Upper:ignored\r\n"
                             "s::unnamed value\r\n"
                             "s:NoColon\r\n"
                             "i:Negative: -7\r\n"
                             "x\r\n"
                             "\r\n";
    registry.setInteger(path, "AltPromptStart", 3); // the line's type wins
    registry.setString(path, "Untouched", "stays");
    EXPECT_TRUE(loadMenuFile(registry, file));
    EXPECT_EQ(registry.commits, 1);

    SettingsKey key(registry);
    EXPECT_EQ(key.readString("AltPromptStart"), "c:\\4dos\\4dos.com");
    EXPECT_EQ(key.readInteger("StampOptions"), 5);
    EXPECT_EQ(key.readString("Spaced"), "kept  ");
    EXPECT_EQ(key.readString(""), "unnamed value");
    EXPECT_EQ(key.readInteger("Negative"), -7);
    EXPECT_EQ(key.readString("Untouched"), "stays");
    for (const char* absent : {"Indented", "Upper", "NoColon", " s"})
        EXPECT_FALSE(key.valueExists(absent)) << absent;
}

TEST_F(MenuFileTest, LineEndsOfEveryKindReadTheSame) {
    for (const std::string eol : {"\r\n", "\n", "\r"}) {
        test::MemoryRegistry target;
        EXPECT_TRUE(loadMenuFile(target, "#" + eol + "s:A:1" + eol + "i:B:2" + eol + "s:C:3"));
        SettingsKey key(target);
        EXPECT_EQ(key.readString("A"), "1");
        EXPECT_EQ(key.readInteger("B"), 2);
        EXPECT_EQ(key.readString("C"), "3");
    }
}

TEST_F(MenuFileTest, FileWithoutValueLinesChangesNothing) {
    for (const std::string text :
         {"", "\r\r\r", "# This is a menu-file for Quorvane\r\n#\r\n", "s:OnlyName\r\n", "i"}) {
        EXPECT_FALSE(loadMenuFile(registry, text));
    }
    EXPECT_EQ(registry.commits, 0);
}

TEST_F(MenuFileTest, BadNumberAnywhereWritesNothing) {
    registry.setString(path, "TheMenu", "old");
    try {
        loadMenuFile(registry, "s:TheMenu:new\r\ni:StampOptions:7\r\ni:MWnL:12px\r\n");
        FAIL() << "no failure";
    } catch (const Failure& failure) {
        EXPECT_STREQ(failure.what(), "'12px' is not a valid integer value");
    }
    EXPECT_EQ(registry.commits, 0);
    EXPECT_EQ(find("TheMenu")->data, "old");
    EXPECT_EQ(find("StampOptions"), nullptr);
}

TEST_F(MenuFileTest, SavedFileLoadsBackTheSameValues) {
    registry.setString(path, "TheMenu", R"("Move To",-6,-2)");
    registry.setString(path, "MoveItems", R"("Drive A:")");
    registry.setString(path, "MoveDirItems", R"(a:\)");
    registry.setString(path, "Empty", "");
    registry.setString(path, "HighBytes", "caf\xe9 \xff");
    registry.setInteger(path, "Min", -2147483647 - 1);
    registry.setInteger(path, "CopyCRLF", 1);

    test::TempFolder folder;
    const auto file = folder / "Quorvmenu.drm";
    saveMenuFile(registry, file);
    test::MemoryRegistry copy;
    EXPECT_TRUE(loadMenuFile(copy, readMenuFile(file)));
    // Saved last to first, loaded in file order: the enumeration order comes back reversed.
    auto expected = registry.key(path);
    std::reverse(expected.begin(), expected.end());
    EXPECT_EQ(copy.key(path), expected);
}

TEST_F(MenuFileTest, UnreadableOrUnwritableFilesNameTheFile) {
    test::TempFolder folder;
    EXPECT_THROW(readMenuFile(folder / "missing.drm"), Failure);
    // A folder standing where the file should go cannot be replaced by a file.
    std::filesystem::create_directories(folder / "taken.drm" / "inside");
    try {
        saveMenuFile(registry, folder / "taken.drm");
        FAIL() << "no failure";
    } catch (const Failure& failure) {
        EXPECT_NE(std::string(failure.what()).find("taken.drm"), std::string::npos);
    }
    EXPECT_TRUE(std::filesystem::is_directory(folder / "taken.drm" / "inside"));
}

TEST_F(MenuFileTest, SaveLeavesOutWhatDoesNotReadAsAStringOrAnInteger) {
    registry.setString(path, "Kept", "text");
    registry.key(path).push_back({"Expandable", regtype::expandSz, "%HOME%"});
    registry.key(path).push_back({"Short", regtype::dword, std::string("\x07\0", 2)});
    registry.setInteger(path, "Number", 7);
    EXPECT_EQ(menuFileText(registry), "# This is a menu-file for Quorvane\r\n#\r\n"
                                      "i:Number:7\r\n"
                                      "s:Kept:text\r\n");
}

// A save goes where the user pointed: through a link to its target, and never into a folder that
// it would have to make up.
TEST_F(MenuFileTest, SaveFollowsLinksAndNeverMakesFolders) {
    registry.setString(path, "TheMenu", "16,-2");
    test::TempFolder folder;
    std::filesystem::create_directories(folder / "menus");
    if (!test::makeSymlink("menus/real.drm", folder / "link.drm"))
        GTEST_SKIP() << "this system makes no symbolic links";
    saveMenuFile(registry, folder / "link.drm");
    EXPECT_TRUE(std::filesystem::is_symlink(folder / "link.drm"));
    EXPECT_EQ(readMenuFile(folder / "menus/real.drm"), menuFileText(registry));

    try {
        saveMenuFile(registry, folder / "gone" / "Quorvmenu.drm");
        FAIL() << "no failure";
    } catch (const Failure& failure) {
        EXPECT_NE(std::string(failure.what()).find("Quorvmenu.drm"), std::string::npos);
    }
    EXPECT_FALSE(std::filesystem::exists(folder / "gone"));
}

TEST_F(MenuFileTest, NumbersAreDecimalOnly) {
    try {
        loadMenuFile(registry, "i:StampOptions:$10\r\n");
        FAIL() << "no failure";
    } catch (const Failure& failure) {
        EXPECT_STREQ(failure.what(), "'$10' is not a valid integer value");
    }
    EXPECT_EQ(registry.commits, 0);
}

TEST_F(MenuFileTest, SavingOverTheSettingsFileIsRefused) {
    test::TempFolder folder;
    HiveRegistry hive(folder / "HKEY_CLASSES_ROOT.reg");
    SettingsKey key(hive);
    key.writeString("TheMenu", "16,-2");
    key.close();
    const auto before = readFileBytes(hive.hiveFile());
    std::vector<std::filesystem::path> targets{hive.hiveFile()};
    if (test::makeSymlink(hive.hiveFile(), folder / "link.drm"))
        targets.push_back(folder / "link.drm");
    for (const auto& target : targets)
        EXPECT_THROW(saveMenuFile(hive, target), Failure) << target;
    EXPECT_EQ(readFileBytes(hive.hiveFile()), before);
}

// A file whose values the menu load could not read afterwards is refused as a whole, with the
// load's own message first, and leaves the settings exactly as they were.
struct MeaningRefusal {
    const char* name;
    std::string file;
    const char* message;
};

class MenuFileRefuses : public MenuFileTest, public ::testing::WithParamInterface<MeaningRefusal> {
protected:
    MenuFileRefuses() {
        test::RecordingMessages silent;
        const Installer none{
            PlatformFamily::Other, {}, '/', [](std::string_view, int) { return 0; }};
        runFirstRunSetup(registry, none, silent);
    }
};

TEST_P(MenuFileRefuses, AndWritesNothing) {
    const auto before = registry.key(path);
    const int commits = registry.commits;
    try {
        loadMenuFile(registry, std::string("s:Stamp:Changed\r\n") + GetParam().file);
        FAIL() << "no failure";
    } catch (const Failure& failure) {
        EXPECT_TRUE(std::string(failure.what()).starts_with(std::string(GetParam().message) + "\n"))
            << failure.what();
    }
    EXPECT_EQ(registry.commits, commits);
    EXPECT_EQ(registry.key(path), before);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, MenuFileRefuses,
    ::testing::Values(
        MeaningRefusal{"TargetsShorterThanCaptions", "s:MoveDirItems:\r\n",
                       "List index out of bounds"},
        MeaningRefusal{"ItemsAvailableAsInteger", "i:ItemsAvailable:5\r\n",
                       "Invalid data type for 'ItemsAvailable'"},
        MeaningRefusal{"MenuAsInteger", "i:TheMenu:5\r\n", "Invalid data type for 'TheMenu'"},
        MeaningRefusal{"InvalidCode", "s:TheMenu:0,21,-2\r\n", "List index out of bounds"},
        MeaningRefusal{"ItemsAvailableNotANumber", "s:ItemsAvailable:many\r\n",
                       "'many' is not a valid integer value"},
        // The name is cut at its NUL; the message names that value, not the file's first.
        MeaningRefusal{"NulInAName", std::string("s:Ext\0Items:x\r\n", 16),
                       "Failed to set data for 'Ext'"}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace quorvane
