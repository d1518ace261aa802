#include "extension/FileOperations.h"

#include "Bounded.h"
#include "support/TestFiles.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace fs = std::filesystem;

namespace quorvane::test {
namespace {

using namespace ext;

// A folder "from" with a file, a folder holding a file and a link to it, and a folder "to".
struct Files : public ::testing::Test {
    Files() {
        fs::create_directories(temp / "from" / "dir");
        fs::create_directories(temp / "to");
        writeBytes(temp / "from" / "a.txt", "A");
        writeBytes(temp / "from" / "dir" / "inner", "I");
        fs::create_symlink("inner", temp / "from" / "dir" / "link");
    }
    fs::path from(std::string_view name) const { return temp / "from" / name; }
    fs::path to(std::string_view name) const { return temp / "to" / name; }

    TempFolder temp;
};

TEST_F(Files, MoveAndCopyTakeFilesAndWholeFoldersLinksAsLinks) {
    for (const Transfer how : {Transfer::Copy, Transfer::Move}) {
        fs::remove_all(temp / "to");
        fs::create_directory(temp / "to");
        EXPECT_TRUE(transfer({from("a.txt"), from("dir/")}, temp / "to", how).empty());
        EXPECT_EQ(readBytes(to("a.txt")), "A");
        EXPECT_EQ(readBytes(to("dir") / "inner"), "I");
        EXPECT_TRUE(fs::is_symlink(to("dir") / "link"));
        // Nothing but the objects: no partial copies left beside them.
        EXPECT_EQ(folderListing(temp / "to"), "a.txt dir");
        EXPECT_EQ(fs::exists(from("a.txt")), how == Transfer::Copy);
    }
}

TEST_F(Files, ATakenNameOrAFolderIntoItselfIsRefusedNamingItAndTheRestGoesOn) {
    writeBytes(to("a.txt"), "old");
    fs::create_directory(to("dir"));
    writeBytes(from("b"), "B");
    for (const Transfer how : {Transfer::Copy, Transfer::Move}) {
        const auto failures =
            transfer({from("a.txt"), from("dir"), from("b"), from("gone")}, temp / "to", how);
        ASSERT_EQ(failures.size(), 3u);
        EXPECT_NE(failures[0].find(to("a.txt").string() + "' already exists"), std::string::npos)
            << failures[0];
        EXPECT_NE(failures[1].find("already exists"), std::string::npos);
        EXPECT_NE(failures[2].find(from("gone").string()), std::string::npos);
        EXPECT_EQ(readBytes(to("a.txt")), "old");
        EXPECT_EQ(readBytes(from("a.txt")), "A");
        EXPECT_EQ(readBytes(to("b")), "B");
        fs::remove(to("b"));
        writeBytes(from("b"), "B");
    }
    const auto intoItself = transfer({from("dir")}, from("dir") / "sub", Transfer::Move);
    ASSERT_EQ(intoItself.size(), 1u);
    EXPECT_NE(intoItself[0].find("cannot go into itself"), std::string::npos);
    EXPECT_TRUE(fs::exists(from("dir") / "inner"));
}

// Only where two file systems are at hand (a memory file system beside the temporary folder).
TEST_F(Files, AMoveToAnotherFileSystemRemovesTheOriginalOnlyAfterTheCopy) {
    struct stat here {
    }, there{};
    if (::stat(temp.path().c_str(), &here) != 0 || ::stat("/dev/shm", &there) != 0 ||
        here.st_dev == there.st_dev || ::access("/dev/shm", W_OK) != 0)
        GTEST_SKIP() << "no second file system";
    const fs::path other = fs::path("/dev/shm") / ("quorvane-move-" + std::to_string(getpid()));
    fs::create_directory(other);
    EXPECT_TRUE(transfer({from("dir")}, other, Transfer::Move).empty());
    EXPECT_EQ(readBytes(other / "dir" / "inner"), "I");
    EXPECT_FALSE(fs::exists(from("dir")));
    // An unreadable file stops the copy: nothing arrives, the original stays whole.
    fs::create_directories(from("locked"));
    writeBytes(from("locked") / "secret", "S");
    fs::permissions(from("locked") / "secret", fs::perms::none);
    const bool root = ::geteuid() == 0;
    const auto failures = transfer({from("locked")}, other, Transfer::Move);
    if (!root) {
        EXPECT_EQ(failures.size(), 1u);
        EXPECT_FALSE(fs::exists(other / "locked"));
        EXPECT_EQ(folderListing(other), "dir");
        EXPECT_TRUE(fs::exists(from("locked") / "secret"));
    }
    fs::remove_all(other);
}

TEST_F(Files, NamesUpToTheLongestAFolderTakesAreCopiedAndMovedAcrossFileSystems) {
    // The move where it copies: to a memory file system, when it is another than the folder's.
    struct stat here {
    }, shm{};
    const bool across = ::stat(temp.path().c_str(), &here) == 0 && ::stat("/dev/shm", &shm) == 0 &&
                        here.st_dev != shm.st_dev;
    const fs::path other = fs::path("/dev/shm") / ("quorvane-long-" + std::to_string(getpid()));
    for (const auto& [length, how] :
         {std::pair{235, Transfer::Copy}, {255, Transfer::Copy}, {255, Transfer::Move}}) {
        const fs::path folder = how == Transfer::Move && across ? other : temp / "to";
        fs::create_directories(folder);
        const std::string name = "é" + std::string(length - 2, 'n');
        writeBytes(from(name), "L");
        // Copies, as a thread that never ends outlives the test.
        const auto failures = bounded([objects = std::vector{from(name)}, folder, way = how] {
            return transfer(objects, folder, way);
        });
        ASSERT_TRUE(failures) << length << ": the transfer did not end";
        EXPECT_TRUE(failures->empty()) << (failures->empty() ? "" : failures->front());
        EXPECT_EQ(readBytes(folder / name), "L") << length;
        EXPECT_EQ(fs::exists(from(name)), how == Transfer::Copy);
        fs::remove_all(folder);
    }
}

TEST_F(Files, RemoveDeletesFoldersWithTheirContentButNotWhatALinkLeadsTo) {
    fs::create_directory_symlink(temp / "to", from("linkToFolder"));
    writeBytes(to("kept"), "K");
    EXPECT_TRUE(removeForGood({from("dir"), from("linkToFolder"), from("a.txt")}).empty());
    EXPECT_EQ(folderListing(temp / "from"), "");
    EXPECT_EQ(readBytes(to("kept")), "K");
    EXPECT_EQ(removeForGood({from("a.txt")}).size(), 1u);
}

TEST_F(Files, StampSetsOnlyTheChosenDates) {
    const timespec old[2] = {{1000, 0}, {2000, 0}};
    struct Row {
        StampDates dates;
        bool accessedNew, modifiedNew;
    };
    for (const Row row :
         {Row{{true, true, false}, true, false}, Row{{true, false, true}, false, true},
          Row{{true, false, false}, false, false}}) {
        ASSERT_EQ(::utimensat(AT_FDCWD, from("a.txt").c_str(), old, 0), 0);
        EXPECT_TRUE(stamp({from("a.txt")}, row.dates).empty());
        struct stat after {};
        ::stat(from("a.txt").c_str(), &after);
        EXPECT_EQ(after.st_atim.tv_sec != 1000, row.accessedNew);
        EXPECT_EQ(after.st_mtim.tv_sec != 2000, row.modifiedNew);
    }
    EXPECT_EQ(stamp({from("gone")}, {}).size(), 1u);
}

TEST_F(Files, AnExtensionItemReplacesTheLastExtension) {
    struct Row {
        const char* name;
        const char* renamed;
    };
    for (const Row row :
         {Row{"a.txt", "a.doc"}, Row{"plain", "plain.doc"}, Row{".profile", ".profile.doc"},
          Row{"x.tar.gz", "x.tar.doc"}, Row{"same.doc", "same.doc"}}) {
        writeBytes(to(row.name), "x");
        EXPECT_TRUE(changeExtension({to(row.name)}, "doc").empty()) << row.name;
        EXPECT_EQ(readBytes(to(row.renamed)), "x") << row.name;
        fs::remove(to(row.renamed));
    }
    writeBytes(to("b.txt"), "new");
    writeBytes(to("b.doc"), "old");
    const auto failures = changeExtension({to("b.txt"), temp / "from" / "dir"}, "doc");
    ASSERT_EQ(failures.size(), 2u);
    EXPECT_NE(failures[0].find("already exists"), std::string::npos);
    EXPECT_NE(failures[1].find("is a folder"), std::string::npos);
    EXPECT_EQ(readBytes(to("b.doc")), "old");
    EXPECT_EQ(readBytes(to("b.txt")), "new");
}

TEST_F(Files, LinkTargets) {
    fs::create_symlink(from("dir") / "link", to("chain"));
    fs::create_symlink("nowhere/x", to("dangling"));
    writeBytes(to("site.desktop"), "[Desktop Entry]\nType=Link\nURL=https://example.org/a\n");
    writeBytes(to("local.desktop"),
               "[Desktop Entry]\r\nName=x\r\nType=Link\r\nURL=file:///tmp/a%20b\r\n");
    writeBytes(to("app.desktop"), "[Desktop Entry]\nType=Application\nURL=file:///no\n");
    EXPECT_EQ(linkTarget(to("chain")), fs::canonical(from("dir") / "inner").string());
    EXPECT_EQ(linkTarget(to("dangling")), (temp / "to" / "nowhere" / "x").string());
    EXPECT_EQ(linkTarget(to("site.desktop")), "https://example.org/a");
    EXPECT_EQ(linkTarget(to("local.desktop")), "/tmp/a b");
    EXPECT_EQ(linkTarget(to("app.desktop")), to("app.desktop").string());
    EXPECT_EQ(linkTarget(from("a.txt")), from("a.txt").string());
    // A pipe named like a launcher is no launcher, and reading it would wait for a writer.
    ASSERT_EQ(::mkfifo(to("pipe.desktop").c_str(), 0600), 0);
    EXPECT_EQ(bounded([pipe = to("pipe.desktop")] { return linkTarget(pipe); }),
              to("pipe.desktop").string());
}

} // namespace
} // namespace quorvane::test
