#include "platform/AtomicFile.h"

#include "support/TestFiles.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <system_error>

using namespace std::string_literals;

namespace quorvane {
namespace {

using test::folderListing;
using test::readBytes;
using test::TempFolder;
using test::writeBytes;

TEST(AtomicFileTest, CreatesMissingFoldersAndWritesEveryByte) {
    TempFolder folder;
    const auto target = folder / "a/b/c/file.reg";
    std::string bytes = "x\0y\r\n"s;
    for (int i = 0; i < 300000; ++i)
        bytes += static_cast<char>(i * 7);
    writeFileAtomically(target, bytes);
    EXPECT_EQ(readBytes(target), bytes);
    EXPECT_EQ(folderListing(target.parent_path()), "file.reg");
}

TEST(AtomicFileTest, ReplacesContentsAndKeepsPermissions) {
    TempFolder folder;
    const auto target = folder / "file.reg";
    writeBytes(target, "old contents that are longer than the new ones");
    ASSERT_EQ(::chmod(target.c_str(), 0640), 0);

    writeFileAtomically(target, "new");
    EXPECT_EQ(readBytes(target), "new");
    struct stat status {};
    ASSERT_EQ(::stat(target.c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0640u);

    writeFileAtomically(target, "");
    EXPECT_EQ(readBytes(target), "");
    EXPECT_EQ(folderListing(folder.path()), "file.reg");
}

TEST(AtomicFileTest, WorksWithABareFileName) {
    TempFolder folder;
    const auto previous = std::filesystem::current_path();
    std::filesystem::current_path(folder.path());
    EXPECT_NO_THROW(writeFileAtomically("bare.reg", "data"));
    std::filesystem::current_path(previous);
    EXPECT_EQ(readBytes(folder / "bare.reg"), "data");
}

TEST(AtomicFileTest, FailureLeavesTheTargetAndNoTemporary) {
    TempFolder folder;
    // A folder where the file should be: the rename fails after the temporary was written.
    const auto occupied = folder / "occupied/file.reg";
    std::filesystem::create_directories(occupied / "inside");
    EXPECT_THROW(writeFileAtomically(occupied, "data"), std::system_error);
    EXPECT_TRUE(std::filesystem::is_directory(occupied / "inside"));
    EXPECT_EQ(folderListing(occupied.parent_path()), "file.reg");

    // A file where a folder should be: nothing can be created at all.
    const auto blocker = folder / "blocker";
    writeBytes(blocker, "keep");
    try {
        writeFileAtomically(blocker / "sub/file.reg", "data");
        FAIL() << "no exception";
    } catch (const std::system_error& error) {
        EXPECT_NE(error.code().value(), 0);
    }
    EXPECT_EQ(readBytes(blocker), "keep");
}

} // namespace
} // namespace quorvane
