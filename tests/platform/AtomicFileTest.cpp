#include "platform/AtomicFile.h"

#include "support/Forking.h"
#include "support/TestFiles.h"

#include <cerrno>
#include <csignal>
#include <functional>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <system_error>
#include <unistd.h>

using namespace std::string_literals;

namespace quorvane {
namespace {

using test::endedPid;
using test::folderListing;
using test::LiveChild;
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

// The error code a save fails with, 0 when it goes through.
int saveError(const std::filesystem::path& target, std::string_view bytes,
              MissingFolder missingFolder = MissingFolder::Create) {
    try {
        writeFileAtomically(target, bytes, missingFolder);
        return 0;
    } catch (const std::system_error& error) {
        return error.code().value();
    }
}

struct LinkSample {
    std::string label;
    // Makes `link` lead to a file and returns that file's path.
    std::function<std::filesystem::path(const TempFolder&, const std::filesystem::path& link)> make;
};

class LinkedTargetTest : public testing::TestWithParam<LinkSample> {};

// The user's link stays a link; the file it leads to takes the new contents.
TEST_P(LinkedTargetTest, ReplacesTheFileTheLinkLeadsTo) {
    TempFolder folder;
    const auto link = folder / "menus/menu.drm";
    std::filesystem::create_directories(link.parent_path());
    const std::filesystem::path file = GetParam().make(folder, link);
    const std::filesystem::path linkText = std::filesystem::read_symlink(link);

    writeFileAtomically(link, "new");
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_EQ(std::filesystem::read_symlink(link), linkText);
    EXPECT_EQ(readBytes(file), "new");
    EXPECT_EQ(folderListing(file.parent_path()), file.filename().string());
}

INSTANTIATE_TEST_SUITE_P(
    Links, LinkedTargetTest,
    testing::Values(LinkSample{"Absolute",
                               [](const TempFolder& folder, const std::filesystem::path& link) {
                                   writeBytes(folder / "real/menu.drm", "old");
                                   std::filesystem::create_symlink(folder / "real/menu.drm", link);
                                   return folder / "real/menu.drm";
                               }},
                    LinkSample{"Relative",
                               [](const TempFolder& folder, const std::filesystem::path& link) {
                                   writeBytes(folder / "real/menu.drm", "old");
                                   std::filesystem::create_symlink("../real/menu.drm", link);
                                   return folder / "real/menu.drm";
                               }},
                    LinkSample{"ChainAcrossFolders",
                               [](const TempFolder& folder, const std::filesystem::path& link) {
                                   writeBytes(folder / "c/final.drm", "old");
                                   std::filesystem::create_directories(folder / "b");
                                   std::filesystem::create_symlink("../c/final.drm",
                                                                   folder / "b/middle");
                                   std::filesystem::create_symlink(folder / "b/middle", link);
                                   return folder / "c/final.drm";
                               }},
                    LinkSample{"Dangling",
                               [](const TempFolder& folder, const std::filesystem::path& link) {
                                   std::filesystem::create_directories(folder / "real");
                                   std::filesystem::create_symlink("../real/new.drm", link);
                                   return folder / "real/new.drm";
                               }}),
    [](const auto& info) { return info.param.label; });

TEST(AtomicFileTest, LinksInACircleAreRefused) {
    TempFolder folder;
    std::filesystem::create_symlink("b", folder / "a");
    std::filesystem::create_symlink("a", folder / "b");
    EXPECT_EQ(saveError(folder / "a", "data"), ELOOP);
    EXPECT_EQ(folderListing(folder.path()), "a b");
}

TEST(AtomicFileTest, MissingFolderIsCreatedOnlyWhenAskedTo) {
    TempFolder folder;
    EXPECT_EQ(saveError(folder / "no/such/file.drm", "data", MissingFolder::Fail), ENOENT);
    writeBytes(folder / "plain", "keep");
    EXPECT_EQ(saveError(folder / "plain/file.drm", "data", MissingFolder::Fail), ENOTDIR);
    EXPECT_EQ(folderListing(folder.path()), "plain");

    EXPECT_EQ(saveError(folder / "no/such/file.drm", "data", MissingFolder::Create), 0);
    EXPECT_EQ(readBytes(folder / "no/such/file.drm"), "data");
}

// Only temporaries of this target whose writer has ended are removed; a live writer's, another
// file's and anything merely named alike stay.
TEST(AtomicFileTest, SaveRemovesTemporariesOfEndedWritersOnly) {
    TempFolder folder;
    const LiveChild live;
    const std::string ended = std::to_string(endedPid());
    const std::string running = std::to_string(live.pid());
    const std::string self = std::to_string(::getpid());
    const std::string stale = "menu.drm.tmp." + ended + ".42";
    const std::vector<std::string> kept = {
        "menu.drm.tmp." + running + ".42", "menu.drm.tmp." + self + ".42",
        "menu.drm.tmp." + ended + ".42x",  "menu.drm.tmp." + ended,
        "menu.drm.tmp.x" + ended + ".42",  "other.drm.tmp." + ended + ".42",
        "menu.drm.tmp." + ended + ".7"}; // a folder, not a file
    writeBytes(folder / stale, "half");
    for (const std::string& name : kept)
        if (name.ends_with(".7"))
            std::filesystem::create_directory(folder / name);
        else
            writeBytes(folder / name, "someone's");

    writeFileAtomically(folder / "menu.drm", "new");
    EXPECT_FALSE(std::filesystem::exists(folder / stale));
    for (const std::string& name : kept)
        EXPECT_TRUE(std::filesystem::exists(folder / name)) << name;
    EXPECT_EQ(readBytes(folder / "menu.drm"), "new");
}

bool hasTemporary(const std::filesystem::path& folder, const std::string& prefix) {
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        if (entry.path().filename().string().starts_with(prefix))
            return true;
    return false;
}

// A save killed between creating its temporary and renaming it leaves the temporary behind;
// the next save into that folder clears it up.
TEST(AtomicFileTest, NextSaveRemovesTheTemporaryOfAKilledSave) {
    TempFolder folder;
    const auto target = folder / "menu.drm";
    const std::string bytes(8 << 20, 'x');
    bool leftBehind = false;
    for (int attempt = 0; attempt < 20 && !leftBehind; ++attempt) {
        const pid_t child = ::fork();
        if (child == 0) {
            try {
                for (;;)
                    writeFileAtomically(target, bytes);
            } catch (...) {
            }
            ::_exit(1);
        }
        ASSERT_GT(child, 0);
        const std::string prefix = "menu.drm.tmp." + std::to_string(child) + ".";
        for (int wait = 0; wait < 10000 && !hasTemporary(folder.path(), prefix); ++wait)
            ::usleep(100);
        // Stopped first, so that what is on disk when it dies is known.
        int status;
        ::kill(child, SIGSTOP);
        ::waitpid(child, &status, WUNTRACED);
        leftBehind = hasTemporary(folder.path(), prefix);
        ::kill(child, SIGKILL);
        ::waitpid(child, &status, 0);
    }
    ASSERT_TRUE(leftBehind);

    writeFileAtomically(target, "after");
    EXPECT_EQ(folderListing(folder.path()), "menu.drm");
    EXPECT_EQ(readBytes(target), "after");
}

} // namespace
} // namespace quorvane
