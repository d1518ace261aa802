#include "HiveSamples.h"
#include "platform/Failure.h"
#include "store/HiveRegistry.h"
#include "support/TestFiles.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace quorvane {
namespace {

const std::string oldHive = "REGEDIT4\r\n\r\n"
                            "[HKEY_CLASSES_ROOT\\App]\r\n"
                            "\"Menu\"=\"\\\"Explore\\\",0,1,-2,-2\"\r\n"
                            "\"Count\"=dword:00000007\r\n"
                            "\r\n";

// Exit statuses of the child that commits under a file size limit.
enum Outcome { refused = 0, committed = 3, otherFailure = 4, wrongText = 5 };

// Commits a write that makes the file larger than `limit` bytes. The file size limit makes the
// platform's own write call fail part-way, as a full disk would; it binds root as well, which
// file permissions do not. Run in a child so that the limit stays there.
int commitUnderSizeLimit(const std::filesystem::path& file, rlim_t limit) {
    const pid_t child = ::fork();
    if (child == 0) {
        ::signal(SIGXFSZ, SIG_IGN);
        const rlimit size{limit, limit};
        if (::setrlimit(RLIMIT_FSIZE, &size) != 0)
            ::_exit(otherFailure);
        try {
            HiveRegistry registry(file);
            auto key = registry.openKey("App");
            key->setValue("Menu", regtype::sz, std::string(3000, 'm'));
            key->setValue("Added", regtype::dword, dwordData(1));
            key->commit();
            ::_exit(committed);
        } catch (const Failure& failure) {
            // The system's reason follows the store's message.
            const std::string_view text = failure.what();
            ::_exit(text.starts_with("Failed to set data for 'Menu'\ncannot write ") &&
                            text.ends_with(std::strerror(EFBIG))
                        ? refused
                        : wrongText);
        } catch (...) {
            ::_exit(otherFailure);
        }
    }
    int status = 0;
    if (child < 0 || ::waitpid(child, &status, 0) != child || !WIFEXITED(status))
        return -1;
    return WEXITSTATUS(status);
}

TEST(FailingWriteTest, WriteThatFailsPartWayLeavesTheOldFileByteForByte) {
    // From nothing written at all to everything but the last byte.
    for (rlim_t limit : {0, 1, 100, 1500, 3000, 3097}) {
        test::TempFolder folder;
        const auto file = folder / "HKEY_CLASSES_ROOT.reg";
        test::writeBytes(file, oldHive);
        EXPECT_EQ(commitUnderSizeLimit(file, limit), refused) << "limit " << limit;
        EXPECT_EQ(test::readBytes(file), oldHive) << "limit " << limit;
        // No half-written temporary is left beside it.
        EXPECT_EQ(test::folderListing(folder.path()),
                  "HKEY_CLASSES_ROOT.reg HKEY_CLASSES_ROOT.reg.lock")
            << "limit " << limit;
    }
}

TEST(FailingWriteTest, NextCommitAfterAFailedWriteGoesThrough) {
    test::TempFolder folder;
    const auto file = folder / "HKEY_CLASSES_ROOT.reg";
    test::writeBytes(file, oldHive);
    ASSERT_EQ(commitUnderSizeLimit(file, 200), refused);
    // The same commit without a limit: it would have fitted, so the limit was what refused it.
    ASSERT_EQ(commitUnderSizeLimit(file, RLIM_INFINITY), committed);
    const auto bytes = test::readBytes(file);
    ASSERT_TRUE(bytes);
    EXPECT_GT(bytes->size(), 200u);
    EXPECT_NE(bytes->find("\"Added\"=dword:00000001\r\n"), std::string::npos);
}

} // namespace
} // namespace quorvane
