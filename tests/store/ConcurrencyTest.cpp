#include "menu/CommaText.h"
#include "platform/Failure.h"
#include "settings/SettingsKey.h"
#include "store/HiveFile.h"
#include "store/HiveRegistry.h"
#include "support/TestFiles.h"

#include <array>
#include <chrono>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <iostream>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

namespace quorvane {
namespace {

constexpr int commitsPerWriter = 500;
constexpr std::array<std::string_view, 2> writers{"Alpha", "Beta"};

std::string name(std::string_view writer, std::string_view what) {
    return std::string(writer).append(what);
}

// Everything one writer stores in commit i; all of it lands in one commit or none of it does.
std::string textFor(std::string_view writer, int i) {
    return std::string(writer) + " wrote this in commit " + std::to_string(i) + ", \"quoted\" \\";
}
std::string listFor(std::string_view writer, int i) {
    return writeItemList({std::string(writer), std::to_string(i), "a, b", ""});
}

void writeCommit(SettingsKey& key, std::string_view writer, int i) {
    key.writeInteger(name(writer, "Count"), i);
    key.writeString(name(writer, "Text"), textFor(writer, i));
    key.writeString(name(writer, "List"), listFor(writer, i));
}

// The commit number a writer's values hold, -1 before its first commit; throws when they do not
// all belong to the same commit.
int commitSeen(const SettingsKey& key, std::string_view writer) {
    if (!key.valueExists(name(writer, "Count")))
        return -1;
    const int i = key.readInteger(name(writer, "Count"));
    if (key.readString(name(writer, "Text")) != textFor(writer, i) ||
        key.readString(name(writer, "List")) != listFor(writer, i))
        throw Failure(std::string(writer) + "'s values are not all from commit " +
                      std::to_string(i));
    return i;
}

// Exit status 0: all commits went through. A writer committing again and again holds the lock
// nearly all the time, so the other may have to wait for all its commits; on a loaded machine
// that took longer than a user's Apply is allowed to wait, which is not what this test is about.
[[noreturn]] void writeInLoop(const std::filesystem::path& file, std::string_view writer) {
    try {
        HiveRegistry registry(file, {}, std::chrono::minutes(2));
        for (int i = 0; i < commitsPerWriter; ++i) {
            SettingsKey key(registry);
            writeCommit(key, writer, i);
            key.close();
        }
        ::_exit(0);
    } catch (const std::exception& error) {
        std::cerr << writer << ": " << error.what() << '\n';
        ::_exit(1);
    }
}

bool closedByParent(int pipe) {
    pollfd poll{pipe, POLLIN, 0};
    return ::poll(&poll, 1, 0) == 1;
}

// Reads until the parent closes `stop`, then once more. Every read must parse, hold each
// writer's values from one commit, and never go back to an earlier commit. Sends the number of
// reads down `report`; exit status 0 when all of them were sound.
[[noreturn]] void readInLoop(const std::filesystem::path& file, int stop, int report) {
    std::array<int, 2> seen{-1, -1};
    int reads = 0;
    try {
        for (bool last = false; !last;) {
            last = closedByParent(stop);
            // Both the raw file and the store's own reading: a half-written file fails either.
            if (const auto bytes = test::readBytes(file))
                Hive::parse(*bytes, file.string());
            HiveRegistry registry(file);
            SettingsKey key(registry);
            for (std::size_t w = 0; w < writers.size(); ++w) {
                const int now = commitSeen(key, writers[w]);
                if (now < seen[w])
                    throw Failure(std::string(writers[w]) + " went back from commit " +
                                  std::to_string(seen[w]) + " to " + std::to_string(now));
                seen[w] = now;
            }
            ++reads;
        }
        const bool written = ::write(report, &reads, sizeof reads) == sizeof reads;
        ::_exit(written ? 0 : 2);
    } catch (const std::exception& error) {
        std::cerr << "reader, after " << reads << " reads: " << error.what() << '\n';
        ::_exit(1);
    }
}

int exitStatus(pid_t child) {
    int status = 0;
    if (::waitpid(child, &status, 0) != child || !WIFEXITED(status))
        return -1;
    return WEXITSTATUS(status);
}

TEST(ConcurrencyTest, TwoWritersAndAReaderNeverSeeABrokenOrMixedFile) {
    test::TempFolder folder;
    const auto file = folder / "quorvane/HKEY_CLASSES_ROOT.reg";
    {
        // Values of someone else in the same key, which neither writer may disturb.
        HiveRegistry registry(file);
        SettingsKey key(registry);
        key.writeString("TheMenu", "\"Explore\",0,1,-2,-2");
        key.writeInteger("v", 2010);
        key.close();
    }

    int stop[2], report[2];
    ASSERT_EQ(::pipe2(stop, O_CLOEXEC), 0);
    ASSERT_EQ(::pipe2(report, O_CLOEXEC), 0);
    const pid_t reader = ::fork();
    ASSERT_GE(reader, 0);
    if (reader == 0) {
        ::close(stop[1]);
        ::close(report[0]);
        readInLoop(file, stop[0], report[1]);
    }
    ::close(stop[0]);
    ::close(report[1]);

    std::array<pid_t, 2> writerPids{};
    for (std::size_t w = 0; w < writers.size(); ++w) {
        writerPids[w] = ::fork();
        ASSERT_GE(writerPids[w], 0);
        if (writerPids[w] == 0)
            writeInLoop(file, writers[w]);
    }
    for (std::size_t w = 0; w < writers.size(); ++w)
        EXPECT_EQ(exitStatus(writerPids[w]), 0) << writers[w];
    ::close(stop[1]);
    EXPECT_EQ(exitStatus(reader), 0);
    int reads = 0;
    EXPECT_EQ(::read(report[0], &reads, sizeof reads), static_cast<ssize_t>(sizeof reads));
    ::close(report[0]);
    // A reader that only ever saw the file before or after the writers proved little.
    EXPECT_GT(reads, 1);
    std::cout << reads << " reads while " << 2 * commitsPerWriter << " commits went in\n";

    HiveRegistry registry(file);
    SettingsKey key(registry);
    for (std::string_view writer : writers)
        EXPECT_EQ(commitSeen(key, writer), commitsPerWriter - 1) << writer;
    EXPECT_EQ(key.readString("TheMenu"), "\"Explore\",0,1,-2,-2");
    EXPECT_EQ(key.readInteger("v"), 2010);
    EXPECT_EQ(test::folderListing(file.parent_path()),
              "HKEY_CLASSES_ROOT.reg HKEY_CLASSES_ROOT.reg.lock");
}

} // namespace
} // namespace quorvane
