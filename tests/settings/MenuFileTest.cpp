#include "settings/MenuFile.h"

#include "platform/Failure.h"
#include "platform/FileBytes.h"
#include "settings/FirstRun.h"
#include "settings/KeyPath.h"
#include "settings/SettingsKey.h"
#include "store/HiveRegistry.h"
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
        EXPECT_STREQ(failure.what(), "'12px' is not a valid integer value for 'MWnL' on line 3");
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

// A stored value that a menu file cannot hold is never left out nor saved changed: the save
// fails naming it, and nothing is saved.
TEST_F(MenuFileTest, SaveOfAValueNoLineCanHoldFailsNamingIt) {
    struct Row {
        const char* name;
        std::string value;
        bool integer;
        std::string message;
    };
    const Row rows[] = {
        {"Broken", "two\r\nlines", false,
         "The value 'Broken' cannot be saved in a menu file: its text holds a line break, and a "
         "menu file keeps each value on one line. Nothing was saved."},
        {"TheMenu", "\"A\nB\",16,-2", false,
         "The value 'TheMenu' cannot be saved in a menu file: its text holds a line break, and a "
         "menu file keeps each value on one line. Nothing was saved."},
        {"Stamp", "St\ramp", false, "The value 'Stamp' cannot be saved in a menu file: its text"},
        {"odd:name", "x", false,
         "The value 'odd:name' cannot be saved in a menu file: its name holds a colon, which "
         "would end the name there. Nothing was saved."},
        {"odd:number", "7", true,
         "The value 'odd:number' cannot be saved in a menu file: its name holds a colon"},
        {"two\nlines", "x", false,
         "The value 'two\\nlines' cannot be saved in a menu file: its name holds a line break"},
    };
    test::TempFolder folder;
    const auto file = folder / "Quorvmenu.drm";
    test::writeBytes(file, "old");
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        test::MemoryRegistry store;
        store.setString(path, "TheMenu", "16,-2");
        if (row.integer)
            store.setInteger(path, row.name, 7);
        else
            store.setString(path, row.name, row.value);
        store.setInteger(path, "MWnL", 3);
        try {
            menuFileText(store);
            ADD_FAILURE() << "no failure";
        } catch (const Failure& failure) {
            EXPECT_TRUE(std::string(failure.what()).starts_with(row.message)) << failure.what();
        }
        EXPECT_THROW(saveMenuFile(store, file), Failure);
        EXPECT_EQ(readMenuFile(file), "old");
    }
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
        EXPECT_STREQ(failure.what(),
                     "'$10' is not a valid integer value for 'StampOptions' on line 1");
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
        MeaningRefusal{"InvalidCode", "s:TheMenu:0,21,-2\r\n", "List index out of bounds"},
        // The name is cut at its NUL; the message names that value, not the file's first.
        MeaningRefusal{"NulInAName", std::string("s:Ext\0Items:x\r\n", 16),
                       "Failed to set data for 'Ext'"}),
    [](const auto& info) { return std::string(info.param.name); });

// A line the program could not read back as it stands is refused with a message naming the value
// and the line, and nothing is written.
struct LineRefusal {
    const char* name;
    std::string file;
    std::string message;
};

class MenuFileRefusesALine : public MenuFileTest,
                             public ::testing::WithParamInterface<LineRefusal> {};

TEST_P(MenuFileRefusesALine, AndWritesNothing) {
    registry.setString(path, "TheMenu", "16,-2");
    registry.setInteger(path, "CopyCRLF", 1);
    const auto before = registry.key(path);
    try {
        loadMenuFile(registry, GetParam().file);
        FAIL() << "no failure";
    } catch (const Failure& failure) {
        EXPECT_EQ(std::string(failure.what()), GetParam().message);
    }
    EXPECT_EQ(registry.commits, 0);
    EXPECT_EQ(registry.key(path), before);
}

const std::string asNumber =
    ": the program reads it as a number, so its line must begin with \"i:\"";
const std::string asText = ": the program reads it as text, so its line must begin with \"s:\"";
const std::string utf16 = "The menu file is UTF-16 text, which the program does not read: a menu "
                          "file is single-byte text (Windows-1252). Save it in that encoding and "
                          "load it again.";

std::string inUtf16(std::string_view text, bool bigEndian) {
    std::string wide;
    for (const char c : text)
        wide += bigEndian ? std::string{'\0', c} : std::string{c, '\0'};
    return wide;
}

const std::string header = "# This is a menu-file for Quorvane\r\n#\r\n";

INSTANTIATE_TEST_SUITE_P(
    Cases, MenuFileRefusesALine,
    ::testing::Values(
        LineRefusal{"BooleanAsText", header + "s:TheMenu:5,-2\r\ns:CopyCRLF:yes\r\n",
                    "Invalid data type for 'CopyCRLF' on line 4" + asNumber},
        LineRefusal{"PlacementAsText", "s:MWnL:abc",
                    "Invalid data type for 'MWnL' on line 1" + asNumber},
        LineRefusal{"StampOptionsAsText", "\r\ns:StampOptions:all\r\n",
                    "Invalid data type for 'StampOptions' on line 2" + asNumber},
        LineRefusal{"NameInOtherCase", "s:appendcrlf:1\r\n",
                    "Invalid data type for 'appendcrlf' on line 1" + asNumber},
        LineRefusal{"InstallMarkAsText", "s:v:2010\r\n",
                    "Invalid data type for 'v' on line 1" + asNumber},
        LineRefusal{"MenuAsNumber", "s:Stamp:x\r\ni:TheMenu:5\r\n",
                    "Invalid data type for 'TheMenu' on line 2" + asText},
        LineRefusal{"PromptAsNumber", "i:DOSPromptFile:3\r\n",
                    "Invalid data type for 'DOSPromptFile' on line 1" + asText},
        LineRefusal{"ItemsAvailableAsNumber", "i:ItemsAvailable:5\r\n",
                    "Invalid data type for 'ItemsAvailable' on line 1" + asText},
        LineRefusal{"CaptionAsNumber", "i:Stamp:1\r\n",
                    "Invalid data type for 'Stamp' on line 1" + asText},
        LineRefusal{"ToggleCaptionAsNumber", "i:ToggleCFLF:1\r\n",
                    "Invalid data type for 'ToggleCFLF' on line 1" + asText},
        LineRefusal{"ItemListAsNumber", "i:MoveItems:1\r\n",
                    "Invalid data type for 'MoveItems' on line 1" + asText},
        LineRefusal{"ItemsAvailableNotANumber", "s:Stamp:x\r\ns:ItemsAvailable:many\r\n",
                    "'many' is not a valid integer value for 'ItemsAvailable' on line 2"},
        LineRefusal{"BadNumberNamesItsValue", header + "i:MWnL:0\r\ni:MWnH:7x5\r\n",
                    "'7x5' is not a valid integer value for 'MWnH' on line 4"},
        LineRefusal{"MenuLongerThanTheReaderKeeps",
                    "s:Stamp:x\r\ns:TheMenu:" + std::string(4095, '5') + ",\r\n",
                    "The menu is too large to be stored: 'TheMenu' on line 2 takes 4096 "
                    "characters where at most 4095 are kept."},
        LineRefusal{"ItemListLongerThanTheReaderKeeps", "s:MoveDirItems:" + std::string(5000, 'd'),
                    "The Move To targets are too many to be stored: 'MoveDirItems' on line 1 "
                    "takes 5000 characters where at most 4095 are kept."},
        LineRefusal{"Utf16LittleEndianWithMark",
                    "\xFF\xFE" + inUtf16(header + "s:TheMenu:5,-2\r\n", false), utf16},
        LineRefusal{"Utf16BigEndianWithMark",
                    "\xFE\xFF" + inUtf16(header + "s:TheMenu:5,-2\r\n", true), utf16},
        LineRefusal{"Utf16WithoutMark", inUtf16("s:TheMenu:5,-2\r\ni:MWnL:3\r\n", false), utf16},
        LineRefusal{"Utf16BigEndianWithoutMark", inUtf16("s:TheMenu:5,-2\r\n", true), utf16},
        LineRefusal{"Utf8MarkBeforeTextThatIsNot", "\xEF\xBB\xBF#\r\ns:Stamp:Caf\xE9\r\n",
                    "'Stamp' on line 2: The text is not valid UTF-8 (byte 4 is 0xE9)."},
        LineRefusal{"Utf8CharacterTheSettingsCannotHold", "\xEF\xBB\xBFs:Stamp:\xE6\xBC\xA2\r\n",
                    "'Stamp' on line 1: The character \"\xE6\xBC\xA2\" (U+6F22) cannot be "
                    "stored: the settings hold only Windows-1252 text."}),
    [](const auto& info) { return std::string(info.param.name); });

// A menu string or an item list one character longer than the reader keeps is refused, and one
// of exactly as many characters is loaded.
TEST_F(MenuFileTest, TextsAreRefusedFromTheFirstCharacterPastTheReader) {
    for (const char* name : {"TheMenu", "ExtItems"}) {
        SCOPED_TRACE(name);
        EXPECT_THROW(loadMenuFile(registry, "s:" + std::string(name) + ":" +
                                                std::string(4094, ' ') + "16\r\n"),
                     Failure);
        EXPECT_EQ(registry.commits, 0);
    }
    const std::string menu = std::string(4093, ' ') + "16";
    const std::string list = std::string(4095, 'e');
    EXPECT_TRUE(loadMenuFile(registry, "s:TheMenu:" + menu + "\r\ns:ExtItems:" + list + "\r\n"));
    ASSERT_NE(find("TheMenu"), nullptr);
    EXPECT_EQ(find("TheMenu")->data, menu);
    ASSERT_NE(find("ExtItems"), nullptr);
    EXPECT_EQ(find("ExtItems")->data, list);
}

// A UTF-8 byte-order mark hides no line, and the text after it is read as UTF-8.
TEST_F(MenuFileTest, Utf8MarkIsReadPast) {
    EXPECT_TRUE(loadMenuFile(registry, "\xEF\xBB\xBFs:TheMenu:5,-2\r\ns:Stamp:Caf\xC3\xA9\r\n"));
    ASSERT_NE(find("TheMenu"), nullptr);
    EXPECT_EQ(find("TheMenu")->data, "5,-2");
    ASSERT_NE(find("Stamp"), nullptr);
    EXPECT_EQ(find("Stamp")->data, "Caf\xE9");
    // A file of the mark alone names nothing.
    EXPECT_FALSE(loadMenuFile(registry, "\xEF\xBB\xBF"));
}

// UTF-16 without a mark is told by a NUL beside nearly every character; text with a few NULs
// here and there is read as it is.
TEST_F(MenuFileTest, Utf16IsToldByANulBesideEveryCharacter) {
    EXPECT_THROW(loadMenuFile(registry, std::string("s\0:\0A\0:\0"
                                                    "1\0\r\0\n\0",
                                                    14)),
                 Failure);
    EXPECT_EQ(registry.commits, 0);
    EXPECT_TRUE(loadMenuFile(registry, std::string("#\0\0 note\r\ns:B:2\r\ns:C:3\r\n", 24)));
    ASSERT_NE(find("B"), nullptr);
    EXPECT_EQ(find("B")->data, "2");
}

} // namespace
} // namespace quorvane
