#include "platform/System.h"

#include "support/TestFiles.h"

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace quorvane {
namespace {

struct SplitCase {
    const char* name;
    std::string line;
    CommandLine expected;
};

class CommandLineSplit : public ::testing::TestWithParam<SplitCase> {};

TEST_P(CommandLineSplit, CutsAfterTheProgramNameAsWindowsDoes) {
    EXPECT_EQ(splitProgramName(GetParam().line), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Rules, CommandLineSplit,
    ::testing::Values(
        SplitCase{"Empty", "", {"", ""}}, SplitCase{"NoArguments", "prog", {"prog", ""}},
        SplitCase{
            "Installer",
            "rundll32.exe setupx.dll,InstallHinfSection DefaultInstall 132 /opt/q//Quorvane.inf",
            {"rundll32.exe",
             "setupx.dll,InstallHinfSection DefaultInstall 132 /opt/q//Quorvane.inf"}},
        // Nothing in the arguments is the caller's to interpret: blanks, tabs and quotes stay.
        SplitCase{"ArgumentsStayAsWritten",
                  "p x 132 /a  b/\t/\"q\"//Q.inf ",
                  {"p", "x 132 /a  b/\t/\"q\"//Q.inf "}},
        SplitCase{"BlanksAroundTheNameGo", " \t p \t a", {"p", "a"}},
        SplitCase{"QuotedProgramKeepsBlanksAndBackslashes",
                  R"("C:\Program Files\x.exe" y)",
                  {R"(C:\Program Files\x.exe)", "y"}},
        SplitCase{"QuoteInTheNameGroupsOnlyAtItsStart", R"(a"b c)", {R"(a"b)", "c"}},
        SplitCase{"UnclosedQuoteRunsToEnd", R"("a b)", {"a b", ""}}),
    [](const auto& info) { return std::string(info.param.name); });

class Programs : public ::testing::Test {
protected:
    static void makeScript(const std::filesystem::path& file, const std::string& body) {
        test::writeBytes(file, "#!/bin/sh\n" + body + "\n");
        std::filesystem::permissions(file, std::filesystem::perms::owner_all);
    }

    void SetUp() override {
        m_oldPath = std::getenv("PATH") ? std::getenv("PATH") : "";
        m_oldDir = std::filesystem::current_path();
    }
    void TearDown() override {
        setenv("PATH", m_oldPath.c_str(), 1);
        std::filesystem::current_path(m_oldDir);
    }

    test::TempFolder folder;

private:
    std::string m_oldPath;
    std::filesystem::path m_oldDir;
};

TEST_F(Programs, FoundInProgramDirectoryThenPathNeverInTheCurrentFolder) {
    const auto programDir = folder / "prog";
    const auto currentDir = folder / "cwd";
    const auto pathDir = folder / "path";
    for (const auto& dir : {programDir, currentDir, pathDir})
        std::filesystem::create_directories(dir);
    std::filesystem::current_path(currentDir);

    // Empty and relative entries of PATH would name the current folder or one below it.
    makeScript(currentDir / "tool.exe", "true");
    std::filesystem::create_directories(currentDir / "bin");
    makeScript(currentDir / "bin/tool.exe", "true");
    setenv("PATH", (":.:bin:" + pathDir.string()).c_str(), 1);
    EXPECT_EQ(findProgram("tool.exe", programDir.string() + "/"), "");
    EXPECT_EQ(findProgram("tool.exe", "./"), "");

    makeScript(pathDir / "tool.exe", "true");
    EXPECT_EQ(findProgram("tool.exe", programDir.string() + "/"), pathDir.string() + "/tool.exe");
    makeScript(programDir / "tool.exe", "true");
    EXPECT_EQ(findProgram("tool.exe", programDir.string() + "/"),
              programDir.string() + "/tool.exe");

    EXPECT_EQ(findProgram("missing.exe", programDir.string() + "/"), "");
    // The name is tried as given: no extension is added or dropped.
    EXPECT_EQ(findProgram("tool", programDir.string() + "/"), "");
    // A path is taken as it is.
    EXPECT_EQ(findProgram((pathDir / "tool.exe").string(), "/nowhere/"),
              (pathDir / "tool.exe").string());
    // A file that cannot be run is not a program.
    test::writeBytes(folder / "plain.txt", "x");
    EXPECT_EQ(findProgram((folder / "plain.txt").string(), "/nowhere/"), "");
}

// The program reads its arguments itself, as a Windows program reads its command line.
TEST_F(Programs, RunCommandHandsTheArgumentsOverWhole) {
    const auto marker = folder / "ran";
    const auto script = folder / "installer";
    // Written aside and renamed into place, so that the marker is complete once it exists.
    makeScript(script, "printf '%s|%s' \"$#\" \"$1\" > \"" + marker.string() + ".part\" && mv \"" +
                           marker.string() + ".part\" \"" + marker.string() + "\"");
    const struct {
        std::string arguments;
        std::string received;
    } cases[] = {
        {" first \"second arg\"  \tthird ", "1|first \"second arg\"  \tthird "},
        {"", "0|"},
    };
    for (const auto& c : cases) {
        std::filesystem::remove(marker);
        EXPECT_EQ(runCommand(script.string() + c.arguments, 0), 0);
        // The program runs on its own; a bound keeps a program that never runs from hanging us.
        const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (!std::filesystem::exists(marker) && std::chrono::steady_clock::now() < giveUp)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        EXPECT_EQ(test::readBytes(marker).value_or("(not run)"), c.received);
    }
    // Nothing of ours is left to reap.
    EXPECT_EQ(waitpid(-1, nullptr, WNOHANG), -1);
    EXPECT_EQ(errno, ECHILD);
}

// What someone left in the current folder under the installer's name is not run.
TEST_F(Programs, RunCommandNeverRunsAProgramFromTheCurrentFolder) {
    const auto marker = folder / "ran";
    std::filesystem::create_directories(folder / "cwd");
    std::filesystem::current_path(folder / "cwd");
    makeScript(folder / "cwd/rundll32.exe", "touch \"" + marker.string() + "\"");
    setenv("PATH", "", 1);
    // ENOENT means no program was started, so nothing can create the marker later.
    EXPECT_EQ(runCommand("rundll32.exe setupx.dll,InstallHinfSection DefaultInstall 132 x", 0),
              ENOENT);
    EXPECT_FALSE(std::filesystem::exists(marker));
}

TEST_F(Programs, RunCommandReportsTheSystemError) {
    EXPECT_EQ(runCommand((folder / "nothing-here.exe").string() + " x", 0), ENOENT);
    EXPECT_EQ(runCommand("", 0), ENOENT);
    // Found but not startable: a script whose interpreter does not exist.
    test::writeBytes(folder / "broken", "#!/no/such/interpreter\n");
    std::filesystem::permissions(folder / "broken", std::filesystem::perms::owner_all);
    EXPECT_EQ(runCommand((folder / "broken").string(), 0), ENOENT);
}

TEST(ProgramDirectory, IsTheTestsOwnFolderWithSeparator) {
    const std::string dir = programDirectory();
    ASSERT_FALSE(dir.empty());
    EXPECT_EQ(dir.back(), '/');
    EXPECT_TRUE(std::filesystem::exists(dir + "platform_tests"));
}

TEST(PlatformFamily, EveryHostButWindowsNtIsOther) {
    EXPECT_EQ(platformFamily(), PlatformFamily::Other);
    EXPECT_EQ(pathSeparator(), '/');
}

} // namespace
} // namespace quorvane
