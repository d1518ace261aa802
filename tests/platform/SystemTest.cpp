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

using Args = std::vector<std::string>;

struct SplitCase {
    const char* name;
    std::string line;
    Args args;
};

class CommandLine : public ::testing::TestWithParam<SplitCase> {};

TEST_P(CommandLine, SplitsAsWindowsDoes) {
    EXPECT_EQ(splitCommandLine(GetParam().line), GetParam().args);
}

INSTANTIATE_TEST_SUITE_P(
    Rules, CommandLine,
    ::testing::Values(
        SplitCase{"Empty", "", {}},
        SplitCase{
            "Installer",
            "rundll32.exe setupx.dll,InstallHinfSection DefaultInstall 132 /opt/q//Quorvane.inf",
            {"rundll32.exe", "setupx.dll,InstallHinfSection", "DefaultInstall", "132",
             "/opt/q//Quorvane.inf"}},
        SplitCase{"BlanksCollapse", "  a \t b   c ", {"a", "b", "c"}},
        SplitCase{"QuotedProgramKeepsBlanksAndBackslashes",
                  R"("C:\Program Files\x.exe" y)",
                  {R"(C:\Program Files\x.exe)", "y"}},
        SplitCase{"QuotesGroup", R"(p "a b" c)", {"p", "a b", "c"}},
        SplitCase{"EmptyQuotedArgument", R"(p "" c)", {"p", "", "c"}},
        SplitCase{"EscapedQuote", R"(p a\"b)", {"p", R"(a"b)"}},
        SplitCase{"EvenBackslashesBeforeQuote", R"(p "a\\" b)", {"p", R"(a\)", "b"}},
        SplitCase{"BackslashesWithoutQuoteAreLiteral", R"(p a\\b\)", {"p", R"(a\\b\)"}},
        SplitCase{"DoubledQuoteInsideQuotes", R"(p "a""b")", {"p", R"(a"b)"}},
        SplitCase{"QuoteJoinsPieces", R"(p a"b c"d)", {"p", "ab cd"}},
        SplitCase{"UnclosedQuoteRunsToEnd", R"(p "a b)", {"p", "a b"}}),
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

TEST_F(Programs, FoundInProgramDirectoryThenCurrentThenPath) {
    const auto programDir = folder / "prog";
    const auto currentDir = folder / "cwd";
    const auto pathDir = folder / "path";
    for (const auto& dir : {programDir, currentDir, pathDir})
        std::filesystem::create_directories(dir);
    setenv("PATH", pathDir.c_str(), 1);
    std::filesystem::current_path(currentDir);

    makeScript(pathDir / "tool.exe", "true");
    EXPECT_EQ(findProgram("tool.exe", programDir.string() + "/"), pathDir.string() + "/tool.exe");
    makeScript(currentDir / "tool.exe", "true");
    EXPECT_EQ(findProgram("tool.exe", programDir.string() + "/"), "./tool.exe");
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

TEST_F(Programs, RunCommandStartsWithoutWaitingAndLeavesNoZombie) {
    const auto marker = folder / "ran";
    const auto script = folder / "installer";
    makeScript(script, "echo \"$1|$2\" > \"" + marker.string() + "\"");
    EXPECT_EQ(RunCommand(script.string() + " first \"second arg\"", 0), 0);

    for (int i = 0; i < 500 && !std::filesystem::exists(marker); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(test::readBytes(marker).value_or("(not run)"), "first|second arg\n");
    // Nothing of ours is left to reap.
    EXPECT_EQ(waitpid(-1, nullptr, WNOHANG), -1);
    EXPECT_EQ(errno, ECHILD);
}

TEST_F(Programs, RunCommandReportsTheSystemError) {
    EXPECT_EQ(RunCommand((folder / "nothing-here.exe").string() + " x", 0), ENOENT);
    EXPECT_EQ(RunCommand("", 0), ENOENT);
    // Found but not startable: a script whose interpreter does not exist.
    test::writeBytes(folder / "broken", "#!/no/such/interpreter\n");
    std::filesystem::permissions(folder / "broken", std::filesystem::perms::owner_all);
    EXPECT_EQ(RunCommand((folder / "broken").string(), 0), ENOENT);
}

TEST(ProgramDirectory, IsTheTestsOwnFolderWithSeparator) {
    const std::string dir = programDirectory();
    ASSERT_FALSE(dir.empty());
    EXPECT_EQ(dir.back(), '/');
    EXPECT_TRUE(std::filesystem::exists(dir + "platform_tests"));
}

} // namespace
} // namespace quorvane
