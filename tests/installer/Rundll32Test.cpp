#include "platform/System.h"
#include "settings/FirstRun.h"
#include "store/HiveFile.h"
#include "support/Process.h"
#include "support/TestFiles.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace quorvane {
namespace {

namespace fs = std::filesystem;
using test::readBytes;
using test::writeBytes;

using test::Outcome;

// Runs a program with XDG_CONFIG_HOME and XDG_DATA_HOME pointing into `home`.
Outcome runProgram(const fs::path& program, std::vector<std::string> args, const fs::path& home) {
    return test::runProgram(program, std::move(args),
                            {{"XDG_CONFIG_HOME", (home / "config").string()},
                             {"XDG_DATA_HOME", (home / "data").string()}});
}

class Rundll32Test : public testing::Test {
protected:
    // Blanks in the program directory, as in many an install location.
    fs::path programDir() const { return m_folder / "Program Files/Quorvane"; }
    fs::path system() const { return m_folder / "data/quorvane"; }
    fs::path hive() const { return m_folder / "config/quorvane/HKEY_CLASSES_ROOT.reg"; }

    const HiveKey* key(const Hive& hive, std::string_view path) {
        const HiveKey* found = hive.findKey(path);
        EXPECT_NE(found, nullptr) << path;
        return found;
    }
    std::string defaultValue(const Hive& hive, std::string_view path) {
        const HiveKey* found = key(hive, path);
        const RegistryValue* value = found ? found->findValue("") : nullptr;
        return value ? value->data : "<none>";
    }
    // The class entries the shipped INF writes, checked through the handler for files.
    void expectClassEntries(const Hive& hive) {
        const std::string classId = defaultValue(hive, "*\\shellex\\ContextMenuHandlers\\Quorvane");
        EXPECT_EQ(defaultValue(hive, "Folder\\shellex\\ContextMenuHandlers\\Quorvane"), classId);
        EXPECT_EQ(defaultValue(hive, "Directory\\shellex\\ContextMenuHandlers\\Quorvane"), classId);
        EXPECT_EQ(defaultValue(hive, "CLSID\\" + classId + "\\InprocServer32"),
                  system().string() + "/ShellExt/Quorvane.dll");
    }

    test::TempFolder m_folder;
};

TEST_F(Rundll32Test, TakesTheCommandFirstRunBuilds) {
    fs::create_directories(programDir());
    fs::copy_file(QUORVANE_SHIPPED_INF, programDir() / "Quorvane.inf");
    writeBytes(programDir() / "Quorvane.rtf", "{\\rtf1 help}");

    for (PlatformFamily family : {PlatformFamily::Other, PlatformFamily::WindowsNT}) {
        const Installer installer{family, programDir().string() + "/", '/', nullptr};
        // Handed over as runCommand hands it over.
        const CommandLine command = splitProgramName(installerCommand(installer));
        ASSERT_EQ(command.program, "rundll32.exe");

        const Outcome outcome = runProgram(QUORVANE_RUNDLL32, {command.arguments}, m_folder.path());
        EXPECT_EQ(outcome.status, 0) << outcome.err;
        EXPECT_EQ(outcome.out, "");
        EXPECT_EQ(outcome.err, "");
        EXPECT_EQ(readBytes(system() / "ShellExt/Quorvane.rtf"), "{\\rtf1 help}");
        ASSERT_TRUE(fs::exists(hive()));
        expectClassEntries(Hive::parse(*readBytes(hive()), "hive"));
        fs::remove_all(system());
    }
}

TEST_F(Rundll32Test, FailuresGoToStandardErrorWithAStatus) {
    const Outcome missing = runProgram(QUORVANE_RUNDLL32,
                                       {"setupx.dll,InstallHinfSection", "DefaultInstall", "132",
                                        (programDir() / "Quorvane.inf").string()},
                                       m_folder.path());
    EXPECT_EQ(missing.status, 1);
    EXPECT_TRUE(missing.err.starts_with("rundll32.exe: Cannot read the INF file")) << missing.err;

    const Outcome usage =
        runProgram(QUORVANE_RUNDLL32, {"user32.dll,LockWorkStation"}, m_folder.path());
    EXPECT_EQ(usage.status, 2);
    EXPECT_NE(usage.err.find("usage: rundll32.exe"), std::string::npos) << usage.err;
    EXPECT_FALSE(fs::exists(hive()));
    EXPECT_FALSE(fs::exists(system()));
}

struct Folder {
    const char* name;
    const char* folder;
};

class FirstStart : public Rundll32Test, public testing::WithParamInterface<Folder> {
protected:
    fs::path programDir() const { return m_folder / GetParam().folder / "Quorvane"; }
};

// The program directory of this build, copied to a place whose name the installer's command
// line does not quote: a first start there installs for real, without the failure message.
TEST_P(FirstStart, OfTheBuiltProgramInstalls) {
    const fs::path built = QUORVANE_PROGRAM_DIR;
    for (const char* name : {"Quorvane.inf", "Quorvane.rtf"})
        ASSERT_TRUE(fs::exists(built / name))
            << name << " is missing from the program directory " << built
            << "; the installer cannot install without it";
    fs::create_directories(programDir());
    fs::copy_file(QUORVANECTL, programDir() / "quorvanectl");
    fs::copy_file(QUORVANE_RUNDLL32, programDir() / "rundll32.exe");
    for (const char* name : {"Quorvane.inf", "Quorvane.rtf"})
        fs::copy_file(built / name, programDir() / name);

    const Outcome outcome = runProgram(programDir() / "quorvanectl", {"show"}, m_folder.path());
    EXPECT_EQ(outcome.status, 0) << outcome.err;
    EXPECT_TRUE(outcome.out.starts_with("[root] Quorvane\n  [submenu] Explore\n")) << outcome.out;
    EXPECT_EQ(outcome.err, "quorvanectl: Quorvane v2.02 is installed\n");

    EXPECT_EQ(readBytes(system() / "ShellExt/Quorvane.rtf"), readBytes(built / "Quorvane.rtf"));
    ASSERT_TRUE(fs::exists(hive()));
    const Hive stored = Hive::parse(*readBytes(hive()), "hive");
    expectClassEntries(stored);
    // The first-run defaults sit beside the class entries, none lost to the other writer.
    if (const HiveKey* settings = key(stored, "QuorvaneShellExt\\Settings")) {
        for (const char* name : {"v", "ItemsAvailable", "ExtItems", "ExploreFromHere", "BrowseCopy",
                                 "StampOptions", "MWnH", "TheMenu"})
            EXPECT_NE(settings->findValue(name), nullptr) << name;
    }
}

INSTANTIATE_TEST_SUITE_P(Names, FirstStart,
                         testing::Values(Folder{"Blank", "Program Files"},
                                         Folder{"TwoBlanks", "two  blanks"},
                                         Folder{"Tab", "a\ttab"}, Folder{"Quotes", "say \"hi\""},
                                         Folder{"TrailingBlank", "trailing blank "}),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace quorvane
