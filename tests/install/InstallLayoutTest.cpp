#include "platform/InstallLayout.h"

#include "support/TestFiles.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace quorvane {
namespace {

namespace fs = std::filesystem;

std::string directory(const fs::path& path) {
    return path.string() + '/';
}

TEST(InstallLayout, EverythingBesideTheProgramUnlessInstalled) {
    test::TempFolder folder;
    const fs::path prefix = folder / "usr";
    fs::create_directories(prefix / "bin");
    fs::create_directories(folder / "build" / "bin");
    test::writeBytes(folder / "build" / "bin" / "Quorvane.inf", "");

    struct Row {
        const char* label;
        std::string programDirectory;
    };
    const Row beside[] = {
        {"build folder", directory(folder / "build" / "bin")},
        {"bin without share/quorvane", directory(prefix / "bin")},
        {"not a bin folder", directory(folder.path())},
        {"empty", ""},
        {"root", "/"},
    };
    for (const Row& row : beside) {
        const InstallLayout layout = installLayout(row.programDirectory);
        EXPECT_EQ(layout.dataDirectory, row.programDirectory) << row.label;
        EXPECT_EQ(layout.helperDirectory, row.programDirectory) << row.label;
    }

    // A share/quorvane folder without the INF is no install of this program either.
    fs::create_directories(prefix / "share" / "quorvane");
    EXPECT_EQ(installLayout(directory(prefix / "bin")).dataDirectory, directory(prefix / "bin"));
}

TEST(InstallLayout, InstalledProgramFindsDataAndHelpersBesideItsPrefix) {
    test::TempFolder folder;
    const fs::path prefix = folder / "a prefix";
    fs::create_directories(prefix / "bin");
    fs::create_directories(prefix / "share" / "quorvane");
    test::writeBytes(prefix / "share" / "quorvane" / "Quorvane.inf", "[Version]\r\n");

    const InstallLayout layout = installLayout(directory(prefix / "bin"));
    EXPECT_EQ(layout.dataDirectory, directory(prefix / "share" / "quorvane"));
    EXPECT_EQ(layout.helperDirectory, directory(prefix / "libexec" / "quorvane"));
}

} // namespace
} // namespace quorvane
