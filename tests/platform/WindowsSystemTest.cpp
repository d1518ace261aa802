// The Windows-only paths of the platform layer, run on Windows (under Wine by make test-windows).

#include "platform/LocaleText.h"
#include "platform/System.h"
#include "settings/FirstRun.h"
#include "support/TestFiles.h"

#include <algorithm>
#include <cctype>
#include <gtest/gtest.h>
#include <string>
#include <windows.h>

namespace quorvane {
namespace {

std::string lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

TEST(WindowsSystemTest, PlatformIdIsTheOneGetVersionExReports) {
    // Every Windows this build runs on (and Wine) is of the NT family.
    EXPECT_EQ(platformFamily(), PlatformFamily::WindowsNT);
}

TEST(WindowsSystemTest, ProgramDirectoryIsTheExecutablesFolderWithItsBackslash) {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    const std::string executable(path);
    const std::string directory = programDirectory();
    ASSERT_FALSE(directory.empty());
    EXPECT_EQ(directory.back(), '\\');
    EXPECT_EQ(directory + executable.substr(executable.rfind('\\') + 1), executable);
    EXPECT_EQ(pathSeparator(), '\\');
}

TEST(WindowsSystemTest, SystemDirectoryIsTheSystemsWithoutATrailingBackslash) {
    char path[MAX_PATH] = {};
    const UINT length = GetSystemDirectoryA(path, MAX_PATH);
    EXPECT_EQ(systemDirectory(), std::string(path, length));
    EXPECT_NE(systemDirectory().back(), '\\');
}

TEST(WindowsSystemTest, InstallerCommandNamesTheInfAfterTwoBackslashes) {
    const std::string command = installerCommand(Installer::host());
    EXPECT_EQ(command, "rundll32.exe syssetup.dll,InstallHinfSection DefaultInstall 132 " +
                           programDirectory() + "\\Quorvane.inf");
    EXPECT_NE(command.find("\\\\Quorvane.inf"), std::string::npos);
}

TEST(WindowsSystemTest, RunCommandStartsAProgramThroughCreateProcess) {
    EXPECT_EQ(runCommand("cmd.exe /c exit 3", SW_HIDE), 0);
}

TEST(WindowsSystemTest, RunCommandOfAMissingProgramReturnsItsErrorNumber) {
    EXPECT_EQ(runCommand("quorvane-no-such-program.exe argument", SW_HIDE),
              static_cast<int>(ERROR_FILE_NOT_FOUND));
    const int error = runCommand("C:\\quorvane-no-such-folder\\program.exe", SW_HIDE);
    EXPECT_TRUE(error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) << error;
}

TEST(WindowsSystemTest, TheSystemsRundll32IsNeverShadowedByOneInTheProgramFolder) {
    const test::TempFolder folder;
    test::writeBytes(folder / "rundll32.exe", "not a program");
    test::writeBytes(folder / "quorvane-only-here.exe", "not a program either");
    const std::string programDir = folder.path().string() + "\\";
    EXPECT_EQ(lower(findProgram("rundll32.exe", programDir)),
              lower(systemDirectory() + "\\rundll32.exe"));
    EXPECT_EQ(lower(findProgram("quorvane-only-here", programDir)),
              lower((folder / "quorvane-only-here.exe").string()));
    EXPECT_EQ(findProgram("quorvane-nowhere.exe", programDir), "");
}

TEST(WindowsSystemTest, LocaleTextConvertsTheAnsiCodePage) {
    const LocaleText ansi("1252");
    EXPECT_FALSE(ansi.isUtf8());
    EXPECT_EQ(ansi.toUtf8("Caf\xE9 \x80"), "Caf\xC3\xA9 \xE2\x82\xAC");
    EXPECT_EQ(ansi.fromUtf8("Caf\xC3\xA9 \xE2\x82\xAC"), "Caf\xE9 \x80");
    EXPECT_EQ(ansi.fromUtf8("\xE6\xBC\xA2"), "?");
    EXPECT_TRUE(LocaleText("UTF-8").isUtf8());
    EXPECT_TRUE(LocaleText("65001").isUtf8());
}

} // namespace
} // namespace quorvane
