#include "menu/Catalog.h"
#include "settings/Schema.h"
#include "settings/SettingsKey.h"
#include "store/HiveRegistry.h"
#include "support/Process.h"
#include "support/TestFiles.h"

#include <chrono>
#include <filesystem>
#include <future>
#include <gtest/gtest.h>
#include <thread>

namespace quorvane {
namespace {

namespace fs = std::filesystem;

using test::Outcome;

class QuorvanectlTest : public ::testing::Test {
protected:
    // A store as first run leaves it, with `menu` as TheMenu.
    void store(std::string_view menu, std::string_view itemsAvailable = "21") {
        HiveRegistry registry(home / "quorvane" / "HKEY_CLASSES_ROOT.reg");
        SettingsKey key(registry);
        key.writeInteger(value::installMark, 2010);
        key.writeString(value::itemsAvailable, itemsAvailable);
        for (const Operation& op : operations())
            key.writeString(op.valueName, op.defaultCaption);
        key.writeString(value::moveItems, defaults::moveItems);
        key.writeString(value::moveDirItems, defaults::moveDirItems);
        key.writeString(value::extItems, defaults::extItems);
        key.writeString(value::theMenu, menu);
        key.close();
    }

    // Runs the built program on the store of this test. Its data folder lies in the test's
    // folder too: a first start installs the help file there.
    Outcome run(std::vector<std::string> args, test::Environment environment = {}) {
        environment.insert(environment.end(), {{"XDG_CONFIG_HOME", home.string()},
                                               {"XDG_DATA_HOME", (home / "data").string()}});
        return test::runProgram(QUORVANECTL, std::move(args), environment);
    }

    std::string stored(std::string_view name) {
        HiveRegistry registry(hive());
        SettingsKey key(registry);
        return key.readString(name);
    }
    fs::path hive() const { return home / "quorvane" / "HKEY_CLASSES_ROOT.reg"; }

    test::TempFolder folder;
    const fs::path& home = folder.path();
};

TEST_F(QuorvanectlTest, ParsePrintsTheTree) {
    store("");
    const Outcome result = run({"parse", R"("Explore",0,1,-2,-1,16,-2)"});
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.out, "[root] Quorvane\n"
                          "  [submenu] Explore\n"
                          "    [op 0] Explore From Here\n"
                          "    [op 1] Open Container\n"
                          "  [separator] <separator>\n"
                          "  [op 16] Remove!!\n");
    EXPECT_EQ(result.err, "");
}

TEST_F(QuorvanectlTest, ShowPrintsTheStoredMenuWithTargets) {
    store(R"("Move To",-6,-6,-2,-5)");
    const Outcome result = run({"show"});
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.out, "[root] Quorvane\n"
                          "  [submenu] Move To\n"
                          "    [move] Drive A: -> a:\\\n"
                          "    [move] db-click to set directory -> Unset Move Item\n"
                          "  [ext] exe\n");
}

TEST_F(QuorvanectlTest, ListPrintsTheAvailableEntries) {
    store("1,2,3", "5");
    const Outcome result = run({"list"});
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.out, "[submenu] New SubMenu\tThis is a Submenu Item\n"
                          "[separator] <separator>\tThis is a Menu Separator\n"
                          "[ext] Extension Item\tThis is a File Extension Item\n"
                          "[move] MoveTo Item\tThis is an unset Move To Item\n"
                          "[copy] CopyTo Item\tThis is an unset Copy To Item\n"
                          "[run] Run/Open Item\tThis is an unset Run/Open Item\n"
                          "[send] Send To Item\tThis is an unset Send To Item\n"
                          "[op 0] Explore From Here\tOpens an explorer view rooted where you "
                          "clicked.\n"
                          "[op 4] Show Clipboard\tShows what is currently in the clipboard.\n");
}

TEST_F(QuorvanectlTest, FailuresPrintOnlyTheText) {
    const std::string notAnInteger = "quorvanectl: 'abc' is not a valid integer value for "
                                     "'ItemsAvailable'\nLoading a menu file that holds the value "
                                     "repairs it.\n";
    struct Row {
        std::vector<std::string> args;
        std::string itemsAvailable;
        std::string err;
    };
    const Row rows[] = {
        {{"parse", "S,0,-4,1"}, "21", "quorvanectl: List index out of bounds\n"},
        {{"show"}, "abc", notAnInteger},
        {{"show", "--json"}, "abc", notAnInteger},
        {{"apply", "-2"},
         "21",
         "quorvanectl: You cannot have zero menu-items. Then remove Quorvane altogether\n"},
    };
    for (const Row& row : rows) {
        store("", row.itemsAvailable);
        const Outcome result = run(row.args);
        EXPECT_EQ(result.status, 1) << row.args[0];
        EXPECT_EQ(result.out, "") << row.args[0];
        EXPECT_EQ(result.err, row.err) << row.args[0];
    }
}

// The conventions of a command-line program: help and version on standard output with status 0,
// wrong usage named on standard error with status 2 and nothing on standard output.
TEST_F(QuorvanectlTest, CommandLineConventions) {
    const std::string tryHelp =
        "usage: quorvanectl COMMAND [ARGUMENT]   (quorvanectl --help lists the commands)\n";
    struct Row {
        std::vector<std::string> args;
        int status;
        std::string out; // "HELP..." : starts with the general help; "VERB x": x's help
        std::string err;
    };
    const Row rows[] = {
        {{"--version"}, 0, "quorvanectl 2.02\n", ""},
        {{"--help"}, 0, "HELP", ""},
        {{"-h"}, 0, "HELP", ""},
        {{"help"}, 0, "HELP", ""},
        {{"help", "apply"}, 0, "VERB apply TEXT", ""},
        {{"apply", "--help"}, 0, "VERB apply TEXT", ""},
        {{"--help", "show"}, 0, "VERB show [--json]", ""},
        {{"help", "parse"}, 0, "VERB parse [--json] TEXT", ""},
        {{}, 2, "", "quorvanectl: no command given\n" + tryHelp},
        {{"frobnicate"}, 2, "", "quorvanectl: unknown command 'frobnicate'\n" + tryHelp},
        {{"help", "frobnicate"}, 2, "", "quorvanectl: unknown command 'frobnicate'\n" + tryHelp},
        {{"show", "--frob"}, 2, "", "quorvanectl: unknown option '--frob'\n" + tryHelp},
        {{"-x", "show"}, 2, "", "quorvanectl: unknown option '-x'\n" + tryHelp},
        {{"apply", "--json", "16"},
         2,
         "",
         "quorvanectl: 'apply' has no option '--json'\n" + tryHelp},
        {{"--version", "show"}, 2, "", "quorvanectl: '--version' takes no command\n" + tryHelp},
        {{"parse"},
         2,
         "",
         "quorvanectl: missing argument for 'parse'\nusage: quorvanectl parse [--json] TEXT\n"},
        {{"parse", "1", "2"},
         2,
         "",
         "quorvanectl: extra argument for 'parse'\nusage: quorvanectl parse [--json] TEXT\n"},
        {{"show", "extra"},
         2,
         "",
         "quorvanectl: extra argument for 'show'\nusage: quorvanectl show [--json]\n"},
        {{"preset", "Huge"},
         2,
         "",
         "quorvanectl: unknown preset 'Huge': choose Current, Default, Compact or All\n"},
        // Menu strings that begin with a dash are arguments, not options.
        {{"parse", "-1,16"},
         0,
         "[root] Quorvane\n  [separator] <separator>\n  [op 16] Remove!!\n",
         ""},
        {{"parse", "--", "-1"}, 0, "[root] Quorvane\n  [separator] <separator>\n", ""},
        {{"--json", "parse", "16"},
         0,
         R"({"format":1,"menu":{"caption":"Quorvane","kind":"root","code":-4,"target":null,)"
         R"("children":[{"caption":"Remove!!","kind":"operation","code":16,"target":null,)"
         R"("children":[]}]}})"
         "\n",
         ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(::testing::PrintToString(row.args));
        store("");
        const Outcome result = run(row.args);
        EXPECT_EQ(result.status, row.status);
        EXPECT_EQ(result.err, row.err);
        if (row.out == "HELP") {
            EXPECT_TRUE(result.out.starts_with("usage: quorvanectl [--json] COMMAND [ARGUMENT]\n"))
                << result.out;
            for (const char* verb :
                 {"show", "list", "parse TEXT", "apply TEXT", "preset NAME", "save FILE",
                  "load FILE", "help COMMAND", "--json", "--version", "-h, --help"})
                EXPECT_NE(result.out.find(verb), std::string::npos) << verb;
        } else if (row.out.starts_with("VERB ")) {
            EXPECT_TRUE(result.out.starts_with("usage: quorvanectl " + row.out.substr(5) + "\n\n"))
                << result.out;
        } else {
            EXPECT_EQ(result.out, row.out);
        }
    }
}

TEST_F(QuorvanectlTest, JsonShowsTargetsAndEscapesText) {
    store(R"("Move To",-6,-2,"Say ""hi""\",-1,-2)");
    {
        HiveRegistry registry(hive());
        SettingsKey key(registry);
        key.writeString(value::moveItems, "\"Caf\xe9\t1\"");
        key.writeString(value::moveDirItems, "c:\\tmp\\");
        key.close();
    }
    const Outcome shown = run({"show", "--json"});
    EXPECT_EQ(shown.status, 0) << shown.err;
    EXPECT_EQ(shown.out,
              R"({"format":1,"menu":{"caption":"Quorvane","kind":"root","code":-4,"target":null,)"
              R"("children":[{"caption":"Move To","kind":"submenu","code":-3,"target":null,)"
              R"("children":[{"caption":"Caf)"
              "\xc3\xa9"
              R"(\t1","kind":"move","code":-6,"target":"c:\\tmp\\","children":[]}]},)"
              R"({"caption":"Say \"hi\"\\","kind":"submenu","code":-3,"target":null,)"
              R"("children":[{"caption":"<separator>","kind":"separator","code":-1,)"
              R"("target":null,"children":[]}]}]}})"
              "\n");

    const Outcome listed = run({"list", "--json"});
    EXPECT_EQ(listed.status, 0) << listed.err;
    EXPECT_TRUE(listed.out.starts_with(R"({"format":1,"entries":[{"caption":)")) << listed.out;
    EXPECT_NE(listed.out.find(R"("kind":"operation","code":0,"target":null,"description":)"),
              std::string::npos)
        << listed.out;
    EXPECT_TRUE(listed.out.ends_with("]}\n"));
}

TEST_F(QuorvanectlTest, LoadReadsTheMenuFileFromStandardInput) {
    store("16");
    const fs::path menuFile = home / "menu.drm";
    test::writeBytes(menuFile,
                     "# This is a menu-file for Quorvane\r\n#\r\ns:TheMenu:\"Mine\",16,-2\r\n");
    const Outcome result = test::runProgram(
        "/bin/sh", {"-c", "exec \"$0\" load - < \"$1\"", QUORVANECTL, menuFile.string()},
        {{"XDG_CONFIG_HOME", home.string()}, {"XDG_DATA_HOME", (home / "data").string()}});
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.out, "[root] Quorvane\n  [submenu] Mine\n    [op 16] Remove!!\n");
    EXPECT_EQ(stored("TheMenu"), R"("Mine",16,-2)");
}

TEST_F(QuorvanectlTest, FirstStartInstallsAndShowsTheDefaultMenu) {
    const Outcome result = run({"show"});
    EXPECT_EQ(result.status, 0);
    EXPECT_TRUE(result.out.starts_with("[root] Quorvane\n"
                                       "  [submenu] Explore\n"
                                       "    [op 0] Explore From Here\n"))
        << result.out;
    EXPECT_TRUE(result.out.ends_with("  [separator] <separator>\n  [op 8] Configure\n"));
    EXPECT_NE(result.err.find("quorvanectl: Quorvane v2.02 is installed\n"), std::string::npos);
    EXPECT_EQ(stored("ItemsAvailable"), "21");
    EXPECT_EQ(stored("TheMenu"),
              R"("Explore",0,1,-2,"Move To",-6,-6,-1,19,13,-2,"Copy To",-7,-7,-1,20,14,-2,)"
              R"("Extension",-5,-5,-5,-1,12,-2,"Clipboard",2,10,-2,-1,5,-1,16,-1,7,-1,8,-2)");

    // Installed now: a second run neither installs nor announces anything.
    const Outcome again = run({"show"});
    EXPECT_EQ(again.out, result.out);
    EXPECT_EQ(again.err, "");
}

TEST_F(QuorvanectlTest, ApplyAndPresetsStoreWhatTheyPrint) {
    store("16,-2");
    Outcome result = run({"apply", R"(Tools,5,-1,"Move To",-6,-2,17,-2)"});
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(stored("TheMenu"), R"("Tools","5","-1","Move To","-6","-2","17","-2","-2")");
    EXPECT_EQ(stored("MoveItems"), R"("Drive A:")");
    EXPECT_EQ(stored("MoveDirItems"), R"(a:\)");

    result = run({"preset", "Compact"});
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(stored("TheMenu"), R"("Move To","-6","-1","13","-2","Copy To","-7","-7","-1","14",)"
                                 R"("-2","0","2","5","7","8","-1","16","-2")");

    result = run({"preset", "Current"});
    EXPECT_EQ(result.status, 0);
    EXPECT_TRUE(
        result.out.starts_with("[root] Quorvane\n  [submenu] Move To\n    [move] Drive A:"));

    result = run({"preset", "Fancy"});
    EXPECT_EQ(result.status, 2);
}

TEST_F(QuorvanectlTest, RefusalsLeaveTheHiveAsItWas) {
    store("16,-2");
    const auto before = test::readBytes(hive());
    struct Row {
        std::vector<std::string> args;
        std::string err;
    };
    test::writeBytes(home / "empty.drm", "# nothing\r\n");
    test::writeBytes(home / "bad.drm", "s:TheMenu:5,-2\r\ni:StampOptions:seven\r\n");
    const Row rows[] = {
        {{"apply", ""},
         "quorvanectl: You cannot have zero menu-items. Then remove Quorvane altogether\n"},
        {{"load", (home / "empty.drm").string()}, "quorvanectl: Nothing happened!\n"},
        {{"load", (home / "bad.drm").string()},
         "quorvanectl: 'seven' is not a valid integer value for 'StampOptions' on line 2\n"},
        // A menu of nothing, at every depth: empty submenus are left out before the check.
        {{"apply", R"("Tools")"},
         "quorvanectl: You cannot have zero menu-items. Then remove Quorvane altogether\n"},
        {{"apply", R"("")"},
         "quorvanectl: You cannot have zero menu-items. Then remove Quorvane altogether\n"},
        {{"apply", R"("Empty",-2)"},
         "quorvanectl: You cannot have zero menu-items. Then remove Quorvane altogether\n"},
        {{"apply", R"("A","B",-2,-2)"},
         "quorvanectl: You cannot have zero menu-items. Then remove Quorvane altogether\n"},
    };
    for (const Row& row : rows) {
        const Outcome result = run(row.args);
        EXPECT_EQ(result.status, 1) << row.args[0];
        EXPECT_EQ(result.err, row.err) << row.args[0];
        EXPECT_EQ(test::readBytes(hive()), before) << row.args[0];
    }
    const Outcome missing = run({"load", (home / "missing.drm").string()});
    EXPECT_EQ(missing.status, 1);
    EXPECT_NE(missing.err.find("missing.drm"), std::string::npos);
}

// As a user meets it: the settings made by a first start, then a menu of nothing applied.
TEST_F(QuorvanectlTest, MenuOfNothingOnFreshSettingsChangesNothing) {
    ASSERT_EQ(run({"show"}).status, 0);
    // The installer that the first start hands the INF file to runs on its own, as on Windows,
    // and adds its keys in one commit when it is done.
    const auto installed = [this] {
        const auto bytes = test::readBytes(hive());
        return bytes && bytes->find("InprocServer32") != std::string::npos;
    };
    for (int wait = 0; wait < 300 && !installed(); ++wait)
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    ASSERT_TRUE(installed());
    const auto before = test::readBytes(hive());
    for (const char* menu : {R"("Tools")", R"("")", R"("Empty",-2)"}) {
        const Outcome result = run({"apply", menu});
        EXPECT_EQ(result.status, 1) << menu;
        EXPECT_EQ(result.out, "") << menu;
        EXPECT_EQ(result.err,
                  "quorvanectl: You cannot have zero menu-items. Then remove Quorvane altogether\n")
            << menu;
        EXPECT_EQ(test::readBytes(hive()), before) << menu;
    }
}

// A menu string is refused from the first character past the 4095 the extension reads, counted
// as stored (an accent is two bytes of UTF-8 and one stored), and never cut.
TEST_F(QuorvanectlTest, MenuStringsAreRefusedFromTheFirstCharacterPastTheReader) {
    const auto accents = [](std::size_t count) {
        std::string text;
        for (std::size_t i = 0; i < count; ++i)
            text += "\u00e9";
        return text;
    };
    struct Row {
        std::string menu;
        bool stored;
    };
    // What follows the final -2 is read past, but it counts.
    const Row rows[] = {{std::string(4094, ' ') + "16", false},
                        {std::string(4093, ' ') + "16", true},
                        {"16,-2," + accents(4090), false},
                        {"16,-2," + accents(4089), true}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.menu.size());
        store("5,-2");
        const auto before = test::readBytes(hive());
        const Outcome result = run({"apply", row.menu});
        if (row.stored) {
            EXPECT_EQ(result.status, 0) << result.err;
            EXPECT_EQ(stored("TheMenu"), R"("16","-2")");
        } else {
            EXPECT_EQ(result.status, 1);
            EXPECT_EQ(result.err, "quorvanectl: The menu is too large to be stored: it takes 4096 "
                                  "characters where at most 4095 are kept. Remove some entries "
                                  "and apply again.\n");
            EXPECT_EQ(test::readBytes(hive()), before);
        }
    }
}

TEST_F(QuorvanectlTest, SavedMenuFileLoadsBack) {
    store(R"("Saved",16,-2)");
    const Outcome printed = run({"save", "-"});
    EXPECT_EQ(printed.status, 0);
    EXPECT_TRUE(printed.out.starts_with("# This is a menu-file for Quorvane\r\n#\r\n"
                                        "s:TheMenu:\"Saved\",16,-2\r\n"));
    const fs::path file = home / "Quorvmenu.drm";
    EXPECT_EQ(run({"save", file.string()}).status, 0);
    EXPECT_EQ(test::readBytes(file), printed.out);

    store("5,-2");
    const Outcome loaded = run({"load", file.string()});
    EXPECT_EQ(loaded.status, 0) << loaded.err;
    EXPECT_EQ(loaded.out, "[root] Quorvane\n  [submenu] Saved\n    [op 16] Remove!!\n");
    EXPECT_EQ(stored("TheMenu"), R"("Saved",16,-2)");
}

// A menu file loaded while another copy makes its first start on the same fresh settings: the
// first start fills in only what is missing when it commits, so every value of the file stays,
// whichever of the two gets the store first.
TEST_F(QuorvanectlTest, MenuFileLoadedDuringAFirstStartLosesNothing) {
    const std::string file = "s:TheMenu:\"Raced\",17,-2\r\n"
                             "s:Stamp:Raced stamp\r\n"
                             "s:MoveItems:\"Raced\"\r\n"
                             "s:MoveDirItems:/raced\r\n"
                             "i:StampOptions:3\r\n"
                             "i:MWnL:40\r\n";
    constexpr int tries = 40;
    int lost = 0;
    for (int attempt = 0; attempt < tries; ++attempt) {
        test::TempFolder fresh;
        const test::Environment environment{{"XDG_CONFIG_HOME", fresh.path().string()},
                                            {"XDG_DATA_HOME", (fresh / "data").string()}};
        const fs::path menuFile = fresh / "raced.drm";
        test::writeBytes(menuFile, file);
        auto shown = std::async(std::launch::async, [&] {
            return test::runProgram(QUORVANECTL, {"show"}, environment);
        });
        const Outcome loaded =
            test::runProgram(QUORVANECTL, {"load", menuFile.string()}, environment);
        const Outcome first = shown.get();
        EXPECT_EQ(loaded.status, 0) << loaded.err;
        EXPECT_EQ(first.status, 0) << first.err;

        HiveRegistry registry(fresh / "quorvane" / "HKEY_CLASSES_ROOT.reg");
        SettingsKey key(registry);
        const bool kept = key.readString("TheMenu") == "\"Raced\",17,-2" &&
                          key.readString("Stamp") == "Raced stamp" &&
                          key.readString("MoveItems") == "\"Raced\"" &&
                          key.readString("MoveDirItems") == "/raced" &&
                          key.readInteger("StampOptions") == 3 && key.readInteger("MWnL") == 40 &&
                          key.readInteger("v") == 2010;
        lost += kept ? 0 : 1;
    }
    EXPECT_EQ(lost, 0) << "of " << tries << " tries";
}

// Captions travel as UTF-8 on the command line and as Windows-1252 in the settings and in menu
// files; the C locale, as scripts run without one, counts as UTF-8.
TEST_F(QuorvanectlTest, CaptionsPastAsciiComeBackAsTheyWent) {
    const std::string menu = R"("Café Ünïcödé",16,-2,"Preis 5 €",1,-2,-2)";
    const std::string tree = "[root] Quorvane\n"
                             "  [submenu] Café Ünïcödé\n"
                             "    [op 16] Remove!!\n"
                             "  [submenu] Preis 5 €\n"
                             "    [op 1] Open Container\n";
    const std::string ansi = "Caf\xE9 \xDCn\xEF\x63\xF6\x64\xE9"; // "Café Ünïcödé"
    for (const char* locale : {"C", "C.UTF-8"}) {
        SCOPED_TRACE(locale);
        store("16,-2");
        const test::Environment environment{{"LC_ALL", locale}};
        const Outcome applied = run({"apply", menu}, environment);
        EXPECT_EQ(applied.status, 0) << applied.err;
        EXPECT_EQ(applied.out, tree);
        EXPECT_EQ(stored("TheMenu"),
                  "\"" + ansi + "\",\"16\",\"-2\",\"Preis 5 \x80\",\"1\",\"-2\",\"-2\"");
        EXPECT_EQ(run({"show"}, environment).out, tree);

        const fs::path file = home / "Men\xC3\xBC.drm"; // the name as the locale gives it
        EXPECT_EQ(run({"save", file.string()}, environment).status, 0);
        EXPECT_NE(test::readBytes(file)->find("s:TheMenu:\"" + ansi + "\""), std::string::npos);

        test::TempFolder fresh;
        const Outcome loaded = test::runProgram(QUORVANECTL, {"load", file.string()},
                                                {{"LC_ALL", locale},
                                                 {"XDG_CONFIG_HOME", fresh.path().string()},
                                                 {"XDG_DATA_HOME", (fresh / "data").string()}});
        EXPECT_EQ(loaded.status, 0) << loaded.err;
        EXPECT_EQ(loaded.out, tree);
    }
}

} // namespace
} // namespace quorvane
