#include "settings/FirstRun.h"

#include "settings/KeyPath.h"
#include "settings/Messages.h"
#include "settings/SettingsKey.h"
#include "support/MemoryRegistry.h"
#include "support/RecordingMessages.h"

#include <gtest/gtest.h>

namespace quorvane {
namespace {

using test::RecordingMessages;

const std::string expectedDefaultMenu =
    R"("Explore",0,1,-2,"Move To",-6,-6,-1,19,13,-2,"Copy To",-7,-7,-1,20,14,-2,"Extension",)"
    R"(-5,-5,-5,-1,12,-2,"Clipboard",2,10,-2,-1,5,-1,16,-1,7,-1,8,-2)";

class FirstRunTest : public ::testing::Test {
protected:
    FirstRunTest() {
        installer.programDirectory = "/opt/quorvane/";
        installer.run = [this](std::string_view command, int show) {
            commands.emplace_back(command);
            shows.push_back(show);
            return installerResult;
        };
    }

    void run() { runFirstRunSetup(registry, installer, messages); }
    std::string text(std::string_view name) {
        SettingsKey key(registry);
        return key.readString(name);
    }
    std::int32_t number(std::string_view name) {
        SettingsKey key(registry);
        return key.readInteger(name);
    }

    test::MemoryRegistry registry;
    const std::string path = settingsKeyPath();
    Installer installer;
    int installerResult = 0;
    std::vector<std::string> commands;
    std::vector<int> shows;
    RecordingMessages messages;
};

TEST_F(FirstRunTest, EmptySettingsGetEveryDefaultInOrderWithTheDefaultMenuLast) {
    run();
    ASSERT_EQ(commands.size(), 1u);
    EXPECT_EQ(commands[0], "rundll32.exe setupx.dll,InstallHinfSection DefaultInstall 132 "
                           "/opt/quorvane//Quorvane.inf");
    EXPECT_EQ(shows[0], 0);
    EXPECT_TRUE(messages.messages.empty());
    EXPECT_EQ(messages.notices, 1);
    EXPECT_EQ(registry.commits, 1);

    std::vector<std::string> names;
    for (const auto& v : registry.key(path))
        names.push_back(v.name);
    const std::vector<std::string> expected = {"v",
                                               "ItemsAvailable",
                                               "ExtItems",
                                               "MoveItems",
                                               "CopyItems",
                                               "FileItems",
                                               "SendItems",
                                               "MoveDirItems",
                                               "CopyDirItems",
                                               "FileDirItems",
                                               "SendDirItems",
                                               "ExploreFromHere",
                                               "OpenContainer",
                                               "NameToClipboard",
                                               "TargetNameToClipboard",
                                               "ShowClipboard",
                                               "DOSPrompt",
                                               "AlternativePrompt",
                                               "TargetProperties",
                                               "Configure",
                                               "CPrompt",
                                               "AppendToClipboard",
                                               "AppendTargetToClipboard",
                                               "AddThisExt",
                                               "AddThisMoveDir",
                                               "AddThisCopyDir",
                                               "AddThisFile",
                                               "Remove",
                                               "Stamp",
                                               "AddThisSendTo",
                                               "BrowseMove",
                                               "BrowseCopy",
                                               "ToggleCFLF",
                                               "DOSPromptFile",
                                               "AltPromptFile",
                                               "AltPromptStart",
                                               "CPromptFile",
                                               "StampOptions",
                                               "CopyCRLF",
                                               "AppendCRLF",
                                               "AddPrePath",
                                               "AddFileExt",
                                               "DisplayRef",
                                               "MWnL",
                                               "MWnT",
                                               "MWnW",
                                               "MWnH",
                                               "TheMenu"};
    EXPECT_EQ(names, expected);

    EXPECT_EQ(number("v"), 2010);
    EXPECT_EQ(text("ItemsAvailable"), "21");
    EXPECT_EQ(text("TheMenu"), expectedDefaultMenu);
    EXPECT_EQ(text("CopyItems"), R"("Drive A","db-click to set directory")");
    EXPECT_EQ(text("MoveDirItems"), R"(a:\,"Unset Move Item")");
    EXPECT_EQ(text("SendDirItems"), R"("SendDIR")");
    EXPECT_EQ(text("CPrompt"), "C:\\ Prompt");
    EXPECT_EQ(text("ToggleCFLF"), "Toggle CR/LF");
    EXPECT_EQ(text("AltPromptStart"), "c:\\4dos\\4dos.com");
    EXPECT_EQ(text("DOSPromptFile"), "");
    EXPECT_EQ(number("StampOptions"), 7);
    EXPECT_EQ(number("CopyCRLF"), 1);
    EXPECT_EQ(number("AddFileExt"), 0);
    EXPECT_EQ(number("MWnH"), 0);
    for (const auto* name : {"CopyCRLF", "StampOptions", "DisplayRef", "MWnL", "v"})
        EXPECT_EQ(registry.find(path, name)->type, regtype::dword) << name;
}

TEST_F(FirstRunTest, InstallerThatCannotStartIsReportedAndDefaultsAreWrittenAnyway) {
    installerResult = 2;
    run();
    EXPECT_EQ(messages.messages,
              std::vector<std::string>{"Installation probably failed. (See ReadMe.txt)"});
    EXPECT_EQ(number("v"), 2010);
    EXPECT_EQ(text("TheMenu"), expectedDefaultMenu);
    EXPECT_EQ(messages.notices, 1);
}

TEST_F(FirstRunTest, OlderMarkFillsOnlyWhatIsMissing) {
    registry.setInteger(path, "v", 2009);
    registry.setString(path, "ItemsAvailable", "5");
    registry.setString(path, "TheMenu", "16,-2");
    registry.setString(path, "MoveItems", "Only");
    registry.setString(path, "Stamp", "");
    registry.setInteger(path, "StampOptions", 3);
    run();
    EXPECT_EQ(commands.size(), 1u);
    EXPECT_EQ(number("v"), 2010);
    EXPECT_EQ(text("ItemsAvailable"), "21");
    EXPECT_EQ(text("TheMenu"), "16,-2");
    EXPECT_EQ(text("MoveItems"), "Only");
    EXPECT_EQ(text("MoveDirItems"), R"(a:\,"Unset Move Item")");
    EXPECT_EQ(text("Stamp"), "");
    EXPECT_EQ(number("StampOptions"), 3);
    EXPECT_EQ(text("Remove"), "Remove!!");
}

TEST_F(FirstRunTest, CurrentMarkDoesNothing) {
    for (int mark : {2010, 2500}) {
        registry.setInteger(path, "v", mark);
        run();
    }
    EXPECT_TRUE(commands.empty());
    EXPECT_EQ(messages.notices, 0);
    EXPECT_EQ(registry.key(path).size(), 1u);
}

// A mark that does not read as an integer would otherwise stop every load; set-up rewrites it.
TEST_F(FirstRunTest, MarkThatDoesNotReadCountsAsMissing) {
    const std::vector<RegistryValue> marks{{"v", regtype::sz, "2010"},
                                           {"v", regtype::dword, std::string("\xda\x07", 2)},
                                           {"v", regtype::dword, std::string("\xda\x07\0\0\0", 5)}};
    for (const RegistryValue& mark : marks) {
        registry.key(path) = {mark};
        commands.clear();
        run();
        EXPECT_EQ(commands.size(), 1u) << mark.data.size();
        EXPECT_EQ(number("v"), 2010);
    }
}

// Another program may store its values while the installer runs: set-up decides what is missing
// on the values it commits over, so none of them is replaced by a default.
TEST_F(FirstRunTest, ValuesStoredWhileItRunsAreKept) {
    installer.run = [this](std::string_view, int) {
        SettingsKey other(registry);
        other.writeString("TheMenu", "16,-2");
        other.writeString("MoveItems", "Mine");
        other.writeInteger("StampOptions", 1);
        other.close();
        return 0;
    };
    run();
    EXPECT_EQ(text("TheMenu"), "16,-2");
    EXPECT_EQ(text("MoveItems"), "Mine");
    EXPECT_EQ(number("StampOptions"), 1);
    EXPECT_EQ(text("Remove"), "Remove!!");
}

TEST(InstallerCommand, PrefixFollowsThePlatformFamily) {
    Installer nt{PlatformFamily::WindowsNT, "C:\\Quorvane\\", '\\', {}};
    EXPECT_EQ(installerCommand(nt), "rundll32.exe syssetup.dll,InstallHinfSection DefaultInstall "
                                    "132 C:\\Quorvane\\\\Quorvane.inf");
    Installer other{PlatformFamily::Other, "C:\\Quorvane\\", '\\', {}};
    EXPECT_EQ(installerCommand(other), "rundll32.exe setupx.dll,InstallHinfSection DefaultInstall "
                                       "132 C:\\Quorvane\\\\Quorvane.inf");
    const Installer host = Installer::host();
    EXPECT_EQ(host.family, platformFamily());
    EXPECT_TRUE(
        installerCommand(host).ends_with(programDirectory() + pathSeparator() + "Quorvane.inf"));
}

} // namespace
} // namespace quorvane
