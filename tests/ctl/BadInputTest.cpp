// Bad input of every kind, end to end through quorvanectl: each gets its message and exit
// status, and where nothing may change the settings file stays byte for byte as it was.

#include "menu/Catalog.h"
#include "settings/KeyPath.h"
#include "settings/Schema.h"
#include "settings/SettingsKey.h"
#include "store/HiveFile.h"
#include "store/HiveRegistry.h"
#include "support/Process.h"
#include "support/TestFiles.h"

#include <algorithm>
#include <cctype>
#include <functional>
#include <gtest/gtest.h>
#include <optional>
#include <sys/stat.h>

using namespace std::string_literals;

namespace quorvane {
namespace {

namespace fs = std::filesystem;

std::string withPlaceholder(std::string text, std::string_view placeholder,
                            const std::string& value) {
    for (auto at = text.find(placeholder); at != std::string::npos;
         at = text.find(placeholder, at + value.size()))
        text.replace(at, placeholder.size(), value);
    return text;
}

// Runs the built program with `home` as its configuration folder, by the shell command `shell`
// where CTL stands for the program under a time limit: one that waits forever fails the test.
test::Outcome runQuorvanectl(const fs::path& home, std::vector<std::string> args,
                             const std::string& shell = "CTL") {
    args.insert(
        args.begin(),
        {"-c", withPlaceholder(shell, "CTL", R"(timeout -s KILL 20 "$0" "$@")"), QUORVANECTL});
    return test::runProgram(
        "/bin/sh", std::move(args),
        {{"XDG_CONFIG_HOME", home.string()}, {"XDG_DATA_HOME", (home / "data").string()}});
}

std::string repeated(std::string_view piece, std::size_t length) {
    std::string text;
    while (text.size() < length)
        text += piece;
    text.resize(length);
    return text;
}

// Edits of the stored file, one text in, one out.
using HiveEdit = std::function<std::string(std::string)>;

// Replaces the line of value `name` by `line`, or removes it when `line` is empty.
HiveEdit valueLine(const std::string& name, const std::string& line) {
    return [=](std::string hive) {
        const std::size_t at = hive.find("\r\n\"" + name + "\"=");
        EXPECT_NE(at, std::string::npos) << name;
        const std::size_t end = hive.find("\r\n", at + 2);
        hive.replace(at + 2, end - at, line.empty() ? "" : line + "\r\n");
        return hive;
    };
}

// A string value in the hex form, the only one that can carry a line break.
std::string hexStringLine(const std::string& name, std::string_view text) {
    std::string line = "\"" + name + "\"=hex(1):";
    char byte[4];
    for (const char c : text) {
        std::snprintf(byte, sizeof byte, "%02x,", static_cast<unsigned char>(c));
        line += byte;
    }
    return line + "00";
}

HiveEdit cutInsideLine(int number) {
    return [=](std::string hive) {
        std::size_t at = 0;
        for (int line = 1; line < number; ++line)
            at = hive.find("\r\n", at) + 2;
        return hive.substr(0, at + 12);
    };
}

HiveEdit lineInsertedAt(int number, std::string text) {
    return [=](std::string hive) {
        std::size_t at = 0;
        for (int line = 1; line < number; ++line)
            at = hive.find("\r\n", at) + 2;
        return hive.insert(at, text + "\r\n");
    };
}

struct Case {
    std::string label;
    // In args, shell and err, FILE stands for the case's menu file, PIPE for a named pipe, HIVE
    // for the settings file; in shell, CTL for the program.
    std::vector<std::string> args;
    HiveEdit hive = {};
    std::optional<std::string> menuFile = {};
    std::string shell = "CTL";
    int status = 0;
    std::string err = {};
    // Unset: the settings file must stay as it was, byte for byte. Set: TheMenu afterwards.
    std::optional<std::string> storedMenu = {};
    // The line after the root in standard output, when it tells what was read.
    std::optional<std::string> out = {};
    // What the case's menu file holds afterwards.
    std::optional<std::string> fileAfter = {};
};

const std::string storedMenu = R"("Tools",5,-1,16,-2,-2)";

// A command run by the shell command `shell` that fails with `err`, leaving `storedMenu` stored
// or, without it, the settings file as it was.
Case fails(std::string label, std::vector<std::string> args, std::string shell, std::string err,
           std::optional<std::string> storedMenu = {}) {
    return {.label = std::move(label),
            .args = std::move(args),
            .shell = std::move(shell),
            .status = 1,
            .err = std::move(err),
            .storedMenu = std::move(storedMenu)};
}

std::vector<Case> cases() {
    const auto tooLarge = [](std::size_t length) {
        return "quorvanectl: The menu is too large to be stored: it takes " +
               std::to_string(length) +
               " characters where at most 4095 are kept. Remove some entries and apply again.\n";
    };
    const std::string zeroItems =
        "quorvanectl: You cannot have zero menu-items. Then remove Quorvane altogether\n";
    const std::string asNumber =
        ": the program reads it as a number, so its line must begin with \"i:\"\n";
    const std::string asText =
        ": the program reads it as text, so its line must begin with \"s:\"\n";
    const std::string utf16 = "quorvanectl: The menu file is UTF-16 text, which the program does "
                              "not read: a menu file is single-byte text (Windows-1252). Save it "
                              "in that encoding and load it again.\n";
    const auto inUtf16 = [](std::string_view text) {
        std::string wide;
        for (const char c : text)
            wide += std::string{c, '\0'};
        return wide;
    };
    const std::string outOfBounds = "quorvanectl: List index out of bounds\n";
    const std::string repairs = "\nLoading a menu file that holds the value repairs it.\n";
    const std::string nothingHappened = "quorvanectl: Nothing happened!\n";
    const std::string unreadable = "quorvanectl: Cannot read the settings file 'HIVE': ";
    const std::string notLoaded = "The menu file was not loaded: the settings it would leave "
                                  "cannot be read back. Nothing was written.\n";
    std::string everyByte;
    for (int c = 0; c < 256; ++c)
        everyByte += static_cast<char>(c);
    const std::string megabyteMenu = repeated("16,", 1 << 20) + "-2";
    const std::string noSpace = "quorvanectl: Cannot write to standard output: No space left on "
                                "device\n";
    const std::string closed =
        "quorvanectl: Cannot write to standard output: Bad file descriptor\n";
    const std::string stored = "The settings were stored all the same.\n";
    const std::string pipe = "it is a named pipe (FIFO), not a regular file\n";
    const std::string input = "quorvanectl: Cannot read the menu file from standard input: ";

    return {
        // Menu strings.
        {.label = "GarbageParsesAsACaption",
         .args = {"parse", "@@##garbage!!"},
         .out = "  [submenu] @@##garbage!!"},
        // An empty submenu is not stored, so nothing would stay of this menu but its end.
        {.label = "GarbageAppliesAsAnEmptySubmenu",
         .args = {"apply", "garbage"},
         .status = 1,
         .err = zeroItems},
        // A menu of nothing is refused, at every depth.
        {.label = "LoneCaption", .args = {"apply", R"("Tools")"}, .status = 1, .err = zeroItems},
        {.label = "LoneEmptyCaption", .args = {"apply", R"("")"}, .status = 1, .err = zeroItems},
        {.label = "ClosedEmptySubmenu",
         .args = {"apply", R"("Empty",-2)"},
         .status = 1,
         .err = zeroItems},
        {.label = "SubmenuOfAnEmptySubmenu",
         .args = {"apply", R"("A","B",-2,-2)"},
         .status = 1,
         .err = zeroItems},
        {.label = "SubmenuOfAnEmptySubmenuBesideAnEntry",
         .args = {"apply", R"("A","B",-2,-2,16)"},
         .storedMenu = R"("16","-2")"},
        // A caption holding a line break could be stored but never saved and loaded back.
        {.label = "CaptionWithLineFeed",
         .args = {"apply", "\"Two\nLines\",16,-2"},
         .status = 1,
         .err = "quorvanectl: The submenu \"Two\\nLines\" cannot be stored: its caption holds a "
                "line break, and a menu file keeps each text on one line, so it could not be "
                "saved and loaded back. Rename it and apply again.\n"},
        {.label = "CaptionWithCarriageReturn",
         .args = {"apply", "\"Two\rLines\",16,-2"},
         .status = 1,
         .err = "quorvanectl: The submenu \"Two\\rLines\" cannot be stored: its caption holds a "
                "line break, and a menu file keeps each text on one line, so it could not be "
                "saved and loaded back. Rename it and apply again.\n"},
        {.label = "StoredCaptionWithLineBreak",
         .args = {"apply", "16,-2"},
         .hive = valueLine("Stamp", hexStringLine("Stamp", "St\r\namp")),
         .status = 1,
         .err = "quorvanectl: The caption \"St\\r\\namp\" cannot be stored: it holds a line "
                "break, and a menu file keeps each text on one line, so it could not be saved and "
                "loaded back. Rename it and apply again.\n"},
        {.label = "BinaryMenuString",
         .args = {"apply", "\x01\x02\x7f\u00ff\u00fe,5,-2"},
         .storedMenu = "\"\x7f\xff\xfe\",\"5\",\"-2\",\"-2\""},
        {.label = "ControlCharactersAreBlanks",
         .args = {"parse", "\x01\u00ff,5\x02\x03"},
         .out = "  [submenu] \u00ff"},
        // What the settings cannot hold is refused whole, never stored with stand-ins.
        {.label = "CharacterOutsideTheCodePage",
         .args = {"apply", "\"Caf\u00e9 \u6f22\u5b57\",5,-2,-2"},
         .status = 1,
         .err = "quorvanectl: The character \"\u6f22\" (U+6F22) cannot be stored: the settings "
                "hold only Windows-1252 text.\n"},
        {.label = "MenuStringNotUtf8",
         .args = {"apply", "\x01\x02\x7f\xff\xfe,5,-2"},
         .status = 1,
         .err = "quorvanectl: The text is not valid UTF-8 (byte 4 is 0xFF).\n"},
        {.label = "ParseNotUtf8",
         .args = {"parse", "Caf\xe9,5,-2"},
         .status = 1,
         .err = "quorvanectl: The text is not valid UTF-8 (byte 4 is 0xE9).\n"},
        // Longer than the extension reads: refused, never cut.
        {.label = "HundredThousandCharacterMenu",
         .args = {"apply", repeated("16,", 100000)},
         .status = 1,
         .err = tooLarge(100000)},
        {.label = "HundredThousandCharacterCaption",
         .args = {"parse", "\"" + std::string(99998, 'y') + "\",5,-2"},
         .status = 1,
         .err = tooLarge(100005)},
        // Cut at 4095 characters, this one would have been an empty menu.
        {.label = "MenuOneCharacterTooLong",
         .args = {"apply", std::string(4094, ' ') + "16"},
         .status = 1,
         .err = tooLarge(4096)},
        {.label = "ParseOneCharacterTooLong",
         .args = {"parse", std::string(4094, ' ') + "16"},
         .status = 1,
         .err = tooLarge(4096)},
        // Characters as stored, not bytes: each accent is two bytes of UTF-8 and one stored.
        // What follows the final -2 is read past, but it counts.
        {.label = "MenuOneCharacterTooLongInAccents",
         .args = {"apply", "16,-2," + repeated("\u00e9", 4090 * 2)},
         .status = 1,
         .err = tooLarge(4096)},
        {.label = "UnbalancedQuoteSwallowsTheRest",
         .args = {"parse", R"("Tools,5,-2)"},
         .out = "  [submenu] Tools,5,-2"},
        // Tools holds only an empty submenu captioned 5,-2,-2: nothing stays.
        {.label = "UnbalancedQuoteInside",
         .args = {"apply", R"(Tools,"5,-2,-2)"},
         .status = 1,
         .err = zeroItems},
        {.label = "JustPast32BitsIsACaption",
         .args = {"apply", "2147483648,5,-2,-2"},
         .storedMenu = R"("2147483648","5","-2","-2")"},
        {.label = "JustPast32BitsNegative",
         .args = {"parse", "-2147483649,-2"},
         .out = "  [submenu] -2147483649"},
        {.label = "JustPast32BitsInHex",
         .args = {"parse", "$80000000,-2"},
         .out = "  [submenu] $80000000"},
        {.label = "Largest32BitNumber",
         .args = {"apply", "5,2147483647,-2"},
         .status = 1,
         .err = outOfBounds},
        {.label = "Smallest32BitNumber",
         .args = {"apply", "-2147483648"},
         .status = 1,
         .err = outOfBounds},
        {.label = "RootCode", .args = {"apply", "-4"}, .status = 1, .err = outOfBounds},
        // The second node of an operation has an empty caption; the stored one must stay.
        {.label = "OperationTwice", .args = {"apply", "5,5,-2"}, .storedMenu = R"("5","5","-2")"},
        {.label = "OperationPastTheLast", .args = {"apply", "21"}, .status = 1, .err = outOfBounds},

        // ItemsAvailable.
        {.label = "ItemsAvailableMissing",
         .args = {"show"},
         .hive = valueLine("ItemsAvailable", ""),
         .status = 1,
         .err = "quorvanectl: '' is not a valid integer value for 'ItemsAvailable'" + repairs},
        {.label = "ItemsAvailableText",
         .args = {"apply", "5,-2"},
         .hive = valueLine("ItemsAvailable", R"("ItemsAvailable"="many")"),
         .status = 1,
         .err = "quorvanectl: 'many' is not a valid integer value for 'ItemsAvailable'" + repairs},
        {.label = "ItemsAvailable22",
         .args = {"list"},
         .hive = valueLine("ItemsAvailable", R"("ItemsAvailable"="22")"),
         .status = 1,
         .err = outOfBounds},
        {.label = "ItemsAvailable22Apply",
         .args = {"apply", "5,-2"},
         .hive = valueLine("ItemsAvailable", R"("ItemsAvailable"="22")"),
         .status = 1,
         .err = outOfBounds},
        {.label = "ItemsAvailableNumber",
         .args = {"show"},
         .hive = valueLine("ItemsAvailable", R"("ItemsAvailable"=dword:00000015)"),
         .status = 1,
         .err = "quorvanectl: Invalid data type for 'ItemsAvailable'" + repairs},

        // Item lists.
        {.label = "TargetsShorterThanCaptions",
         .args = {"apply", "-6,-6,-2"},
         .hive = valueLine("MoveDirItems", R"("MoveDirItems"="a:\\")"),
         .status = 1,
         .err = outOfBounds},
        {.label = "TargetsWithoutCaptions",
         .args = {"apply", "0,-6,-2"},
         .hive = valueLine("MoveItems", ""),
         .status = 1,
         .err = outOfBounds},
        {.label = "PresetStoppedByItsLastList",
         .args = {"preset", "All"},
         .hive = valueLine("ExtItems", R"("ExtItems"=dword:00000001)"),
         .status = 1,
         .err = "quorvanectl: Invalid data type for 'ExtItems'" + repairs},
        {.label = "TargetsShortButLongEnough",
         .args = {"parse", "-6,-2"},
         .hive = valueLine("MoveDirItems", R"("MoveDirItems"="a:\\")"),
         .out = "  [move] Drive A: -> a:\\"},
        {.label = "HundredThousandCharacterList",
         .args = {"show"},
         .hive = valueLine("ExtItems", "\"ExtItems\"=\"" + repeated("x,", 100000) + "\""),
         .out = "  [submenu] Tools"},

        // Menu files.
        {.label = "BinaryMenuFile",
         .args = {"load", "FILE"},
         .menuFile = everyByte + "\r\ns:TheMenu:5,-2\r\ni:StampOptions:se\xe3\0\0en\r\n"s,
         .status = 1,
         .err = "quorvanectl: 'se\u00e3' is not a valid integer value for 'StampOptions' on "
                "line 5\n"},
        {.label = "BinaryMenuFileWithoutLines",
         .args = {"load", "FILE"},
         .menuFile = everyByte.substr(0x80) + everyByte.substr(0x80),
         .status = 1,
         .err = nothingHappened},
        {.label = "EmptyMenuFile",
         .args = {"load", "FILE"},
         .menuFile = "",
         .status = 1,
         .err = nothingHappened},
        {.label = "CrOnlyMenuFile",
         .args = {"load", "FILE"},
         .menuFile = "# This is a menu-file for Quorvane\r#\rs:TheMenu:\"CR\",16,-2\r"
                     "i:StampOptions:3\r",
         .storedMenu = R"("CR",16,-2)"},
        {.label = "MenuFileOfLineEndsOnly",
         .args = {"load", "FILE"},
         .menuFile = "\r\r\n\n\r",
         .status = 1,
         .err = nothingHappened},
        {.label = "MegabyteLine",
         .args = {"load", "FILE"},
         .menuFile = "s:TheMenu:" + megabyteMenu + "\r\n",
         .status = 1,
         .err = "quorvanectl: The menu is too large to be stored: 'TheMenu' on line 1 takes " +
                std::to_string(megabyteMenu.size()) + " characters where at most 4095 are kept.\n"},
        {.label = "MenuOneCharacterTooLongInAFile",
         .args = {"load", "FILE"},
         .menuFile = "# This is a menu-file for Quorvane\r\n#\r\ns:TheMenu:" +
                     std::string(4094, ' ') + "16\r\n",
         .status = 1,
         .err = "quorvanectl: The menu is too large to be stored: 'TheMenu' on line 3 takes 4096 "
                "characters where at most 4095 are kept.\n"},
        {.label = "ItemListTooLongInAFile",
         .args = {"load", "FILE"},
         .menuFile = "s:ExtItems:" + repeated("x,", 4096) + "\r\n",
         .status = 1,
         .err = "quorvanectl: The extension items are too many to be stored: 'ExtItems' on line 1 "
                "takes 4096 characters where at most 4095 are kept.\n"},
        // Values of a type the program cannot read back.
        {.label = "BooleanAsText",
         .args = {"load", "FILE"},
         .menuFile = "s:TheMenu:5,-2\r\ns:CopyCRLF:yes\r\n",
         .status = 1,
         .err = "quorvanectl: Invalid data type for 'CopyCRLF' on line 2" + asNumber},
        {.label = "PlacementAsText",
         .args = {"load", "FILE"},
         .menuFile = "s:MWnL:abc\r\n",
         .status = 1,
         .err = "quorvanectl: Invalid data type for 'MWnL' on line 1" + asNumber},
        {.label = "StampOptionsAsText",
         .args = {"load", "FILE"},
         .menuFile = "s:StampOptions:all\r\n",
         .status = 1,
         .err = "quorvanectl: Invalid data type for 'StampOptions' on line 1" + asNumber},
        {.label = "PromptAsNumber",
         .args = {"load", "FILE"},
         .menuFile = "i:DOSPromptFile:3\r\n",
         .status = 1,
         .err = "quorvanectl: Invalid data type for 'DOSPromptFile' on line 1" + asText},
        {.label = "BadNumberNamesItsValue",
         .args = {"load", "FILE"},
         .menuFile = "i:MWnW:640\r\ni:MWnH:7x5\r\n",
         .status = 1,
         .err = "quorvanectl: '7x5' is not a valid integer value for 'MWnH' on line 2\n"},
        // Byte-order marks.
        {.label = "Utf8MarkHidesNoLine",
         .args = {"load", "FILE"},
         .menuFile = "\xEF\xBB\xBFs:TheMenu:\"Caf\xC3\xA9\",16,-2\r\n",
         .storedMenu = "\"Caf\xE9\",16,-2"},
        {.label = "Utf16WithMark",
         .args = {"load", "FILE"},
         .menuFile = "\xFF\xFE" + inUtf16("# This is a menu-file for Quorvane\r\n#\r\n"
                                          "s:TheMenu:16,-2\r\n"),
         .status = 1,
         .err = utf16},
        {.label = "Utf16BigEndianMarkAlone",
         .args = {"load", "FILE"},
         .menuFile = "\xFE\xFF",
         .status = 1,
         .err = utf16},
        {.label = "Utf16WithoutMark",
         .args = {"load", "FILE"},
         .menuFile = inUtf16("s:TheMenu:16,-2\r\n"),
         .status = 1,
         .err = utf16},
        {.label = "InvalidIntegerOnTheLastLine",
         .args = {"load", "FILE"},
         .menuFile = "s:TheMenu:5,-2\r\ni:StampOptions:7\r\ni:MWnL:12x",
         .status = 1,
         .err = "quorvanectl: '12x' is not a valid integer value for 'MWnL' on line 3\n"},
        {.label = "IntegerJustPast32Bits",
         .args = {"load", "FILE"},
         .menuFile = "s:TheMenu:5,-2\r\ni:MWnL:2147483648\r\n",
         .status = 1,
         .err = "quorvanectl: '2147483648' is not a valid integer value for 'MWnL' on line 2\n"},
        {.label = "HexNumberInMenuFile",
         .args = {"load", "FILE"},
         .menuFile = "s:TheMenu:5,-2\r\ni:StampOptions:$10\r\n",
         .status = 1,
         .err = "quorvanectl: '$10' is not a valid integer value for 'StampOptions' on line 2\n"},
        // Files that read but would leave settings the menu load refuses.
        {.label = "MenuFileEmptiesTheTargets",
         .args = {"load", "FILE"},
         .menuFile = "s:TheMenu:-6,-2\r\ns:MoveDirItems:\r\n",
         .status = 1,
         .err = "quorvanectl: List index out of bounds\n" + notLoaded},
        {.label = "MenuFileStoresTheMenuAsANumber",
         .args = {"load", "FILE"},
         .menuFile = "s:Stamp:Changed\r\ni:TheMenu:5\r\n",
         .status = 1,
         .err = "quorvanectl: Invalid data type for 'TheMenu' on line 2" + asText},
        {.label = "MenuFileStoresItemsAvailableAsANumber",
         .args = {"load", "FILE"},
         .menuFile = "i:ItemsAvailable:5\r\n",
         .status = 1,
         .err = "quorvanectl: Invalid data type for 'ItemsAvailable' on line 1" + asText},
        {.label = "PrefixWithoutName",
         .args = {"load", "FILE"},
         .menuFile = "s:\r\ni:\r\ns:TheMenu\r\ni:StampOptions\r\n",
         .status = 1,
         .err = nothingHappened},

        // Stored values that a menu file cannot hold: the save fails naming the value.
        {.label = "SaveOfATextWithALineBreak",
         .args = {"save", "FILE"},
         .hive = valueLine("Stamp", hexStringLine("Stamp", "two\nlines")),
         .menuFile = "old",
         .status = 1,
         .err = "quorvanectl: The value 'Stamp' cannot be saved in a menu file: its text holds a "
                "line break, and a menu file keeps each value on one line. Nothing was saved.\n",
         .fileAfter = "old"},
        {.label = "SaveToStandardOutputOfATextWithALineBreak",
         .args = {"save", "-"},
         .hive = valueLine("TheMenu", hexStringLine("TheMenu", "\"A\rB\",16,-2")),
         .status = 1,
         .err = "quorvanectl: The value 'TheMenu' cannot be saved in a menu file: its text holds "
                "a line break, and a menu file keeps each value on one line. Nothing was saved.\n"},
        {.label = "SaveOfANameWithAColon",
         .args = {"save", "FILE"},
         .hive = lineInsertedAt(7, R"("Odd:Name"="x")"),
         .menuFile = "old",
         .status = 1,
         .err = "quorvanectl: The value 'Odd:Name' cannot be saved in a menu file: its name holds "
                "a colon, which would end the name there. Nothing was saved.\n",
         .fileAfter = "old"},

        // The settings file itself.
        {.label = "TruncatedHive",
         .args = {"show"},
         .hive = cutInsideLine(6),
         .status = 1,
         .err = unreadable + "line 6: unterminated string\n"},
        {.label = "TruncatedHiveApply",
         .args = {"apply", "7,-2"},
         .hive = cutInsideLine(6),
         .status = 1,
         .err = unreadable + "line 6: unterminated string\n"},
        {.label = "EmptyHive",
         .args = {"show"},
         .hive = [](std::string) { return std::string(); },
         .status = 1,
         .err = unreadable + "line 1: the file does not start with REGEDIT4\n"},
        {.label = "GarbageLineInHive",
         .args = {"apply", "7,-2"},
         .hive = lineInsertedAt(5, "this is garbage"),
         .status = 1,
         .err = unreadable + "line 5: expected a key or a value\n"},
        {.label = "GarbageLineInHiveLoad",
         .args = {"load", "FILE"},
         .hive = lineInsertedAt(5, "this is garbage"),
         .menuFile = "s:TheMenu:5,-2\r\n",
         .status = 1,
         .err = unreadable + "line 5: expected a key or a value\n"},
        {.label = "BinaryHive",
         .args = {"save", "-"},
         .hive = [=](std::string) { return everyByte; },
         .status = 1,
         .err = unreadable + "line 1: the file does not start with REGEDIT4\n"},
        // Standing in for the settings file and its lock, a pipe is refused, never waited on.
        fails("HiveIsAPipe", {"show"},
              "mv HIVE HIVE.kept && mkfifo HIVE && CTL; s=$?; rm HIVE; mv HIVE.kept HIVE; exit $s",
              unreadable + pipe),
        fails("LockIsAPipe", {"load", "-"},
              "rm HIVE.lock && mkfifo HIVE.lock && echo s:TheMenu:5,-2 | CTL; s=$?; rm HIVE.lock; "
              "exit $s",
              "quorvanectl: Cannot write the settings file 'HIVE': cannot open HIVE.lock: " + pipe),
        {.label = "HandWrittenCommentsStay",
         .args = {"apply", "7,-2"},
         .hive = lineInsertedAt(6, "; mine\r\n;\"TheMenu\"=\"old\""),
         .storedMenu = R"("7","-2")"},

        // Standard output and input that fail, and what is not a regular file.
        fails("SaveToAFullDisk", {"save", "-"}, "CTL >/dev/full", noSpace),
        fails("ShowToClosedOutput", {"show"}, "CTL >&-", closed),
        fails("HelpToClosedOutput", {"help"}, "CTL >&-", closed),
        fails("VersionToAFullDisk", {"--version"}, "CTL >/dev/full", noSpace),
        fails("ApplyToAFullDisk", {"apply", "7,-2"}, "CTL >/dev/full", noSpace + stored,
              R"("7","-2")"),
        fails("LoadToClosedOutput", {"load", "-"}, "echo s:TheMenu:5,-2 | CTL >&-", closed + stored,
              "5,-2"),
        fails("LoadOfADevice", {"load", "/dev/zero"}, "CTL",
              "quorvanectl: Cannot open file /dev/zero: it is a device, not a regular file\n"),
        fails("LoadOfAPipe", {"load", "PIPE"}, "CTL",
              "quorvanectl: Cannot open file PIPE: " + pipe),
        fails("SaveOntoAPipe", {"save", "PIPE"}, "CTL",
              "quorvanectl: Cannot create file PIPE: " + pipe),
        fails("LoadOfClosedInput", {"load", "-"}, "CTL <&-", input + "Bad file descriptor\n"),
        fails("LoadOfAFolderAsInput", {"load", "-"}, "CTL </", input + "Is a directory\n"),
        fails("LoadOfEndlessInput", {"load", "-"}, "CTL </dev/zero",
              input + "it holds more than 16 MiB, far more than any menu file.\n"),
    };
}

class BadInputTest : public ::testing::Test {
protected:
    // A store as first run leaves it, with its values in a known order so that lines can be
    // named: REGEDIT4, a blank line, the key, then v, ItemsAvailable and TheMenu on lines 4 to 6.
    void SetUp() override {
        HiveRegistry registry(hive());
        SettingsKey key(registry);
        key.writeInteger(value::installMark, 2010);
        key.writeString(value::itemsAvailable, "21");
        key.writeString(value::theMenu, storedMenu);
        key.writeString(value::extItems, defaults::extItems);
        key.writeString(value::moveItems, defaults::moveItems);
        key.writeString(value::moveDirItems, defaults::moveDirItems);
        for (const Operation& op : operations())
            key.writeString(op.valueName, op.defaultCaption);
        key.close();
        m_base = *test::readBytes(hive());
    }

    fs::path hive() const { return m_folder / "quorvane/HKEY_CLASSES_ROOT.reg"; }
    std::string stored(std::string_view name) {
        HiveRegistry registry(hive());
        return SettingsKey(registry).readString(name);
    }

    test::TempFolder m_folder;
    std::string m_base;
};

TEST_F(BadInputTest, EachGetsItsMessageAndLosesNothing) {
    const fs::path menuFile = m_folder / "input.drm";
    const fs::path fifo = m_folder / "pipe.drm";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    for (Case& row : cases()) {
        SCOPED_TRACE(row.label);
        const std::string before = row.hive ? row.hive(m_base) : m_base;
        test::writeBytes(hive(), before);
        if (row.menuFile)
            test::writeBytes(menuFile, *row.menuFile);
        const auto placed = [&](const std::string& text) {
            return withPlaceholder(withPlaceholder(withPlaceholder(text, "FILE", menuFile.string()),
                                                   "PIPE", fifo.string()),
                                   "HIVE", hive().string());
        };
        std::ranges::transform(row.args, row.args.begin(), placed);

        const test::Outcome result = runQuorvanectl(m_folder.path(), row.args, placed(row.shell));
        EXPECT_EQ(result.status, row.status);
        EXPECT_EQ(result.err, placed(row.err));
        if (row.status != 0) {
            EXPECT_EQ(result.out, "") << "a failed command prints nothing on standard output";
        }
        if (row.out) {
            const std::size_t second = result.out.find('\n') + 1;
            EXPECT_EQ(result.out.substr(second, result.out.find('\n', second) - second), *row.out);
        }

        if (row.fileAfter) {
            EXPECT_EQ(test::readBytes(menuFile), row.fileAfter);
        }

        const auto after = test::readBytes(hive());
        ASSERT_TRUE(after);
        if (!row.storedMenu) {
            EXPECT_TRUE(*after == before) << "the settings file changed";
            continue;
        }
        // Comments written by hand come through, in their order.
        std::size_t kept = 0;
        for (auto at = before.find("\r\n;"); at != std::string::npos;
             at = before.find("\r\n;", at + 2)) {
            const std::string comment = before.substr(at, before.find("\r\n", at + 2) - at);
            EXPECT_NE(kept = after->find(comment, kept), std::string::npos) << comment;
        }
        // What was written is whole: the file reads, TheMenu is as stored, the rest carried over.
        EXPECT_NO_THROW(Hive::parse(*after, hive().string()));
        EXPECT_TRUE(stored(value::theMenu) == *row.storedMenu) << stored(value::theMenu).size();
        EXPECT_EQ(stored(value::itemsAvailable), "21");
        EXPECT_EQ(stored(operations()[5].valueName), operations()[5].defaultCaption);
    }
}

// The REGEDIT4 format lets a key appear twice; the later block adds to and overrides the
// earlier, and the next commit writes the key once with everything both blocks held.
TEST_F(BadInputTest, KeyListedTwiceReadsAsOneAndIsWrittenOnce) {
    const std::string keyLine = "[HKEY_CLASSES_ROOT\\" + settingsKeyPath() + "]\r\n";
    std::string lowerKeyLine = keyLine;
    for (char& c : lowerKeyLine)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    const std::string twice =
        m_base + lowerKeyLine + "\"TheMenu\"=\"\\\"Twice\\\",16,-2\"\r\n\"Extra\"=\"x\"\r\n\r\n";
    test::writeBytes(hive(), twice);

    const test::Outcome shown = runQuorvanectl(m_folder.path(), {"show"});
    EXPECT_EQ(shown.status, 0);
    EXPECT_EQ(shown.out, "[root] Quorvane\n  [submenu] Twice\n    [op 16] Remove!!\n");
    EXPECT_EQ(shown.err, "");
    EXPECT_EQ(test::readBytes(hive()), twice);

    const test::Outcome applied = runQuorvanectl(m_folder.path(), {"apply", "7,-2"});
    EXPECT_EQ(applied.status, 0) << applied.err;
    const std::string after = *test::readBytes(hive());
    EXPECT_EQ(after.find(keyLine), after.rfind(keyLine));
    EXPECT_EQ(after.find(lowerKeyLine), std::string::npos);
    EXPECT_EQ(stored(value::theMenu), R"("7","-2")");
    EXPECT_EQ(stored("Extra"), "x");
    EXPECT_EQ(stored(value::itemsAvailable), "21");
}

} // namespace
} // namespace quorvane
