#include "HiveSamples.h"
#include "support/TestFiles.h"
#include "platform/HiveFile.h"
#include "platform/HiveRegistry.h"

#include <csignal>
#include <gtest/gtest.h>
#include <random>
#include <sys/wait.h>
#include <unistd.h>

namespace quorvane {
namespace {

constexpr int killCount = 50;
constexpr int longestRunMicroseconds = 100000;
constexpr std::string_view keyPath = "Crash\\Test";

// Long enough that a kill often lands while the file is being written.
std::string payloadFor(std::uint32_t n) {
    std::string payload = std::to_string(n) + ":";
    for (int i = 0; i < 100000; ++i)
        payload += static_cast<char>('a' + (n * 7 + static_cast<std::uint32_t>(i)) % 26);
    return payload;
}

std::uint32_t numberOf(const RegistryValue& value) {
    std::uint32_t n = 0;
    for (int i = 3; i >= 0; --i)
        n = n << 8 | static_cast<unsigned char>(value.data.at(static_cast<std::size_t>(i)));
    return n;
}

// Runs in the child until it is killed: every commit moves both values to the next number.
[[noreturn]] void commitForever(const std::filesystem::path& file, std::uint32_t start) {
    try {
        HiveRegistry registry(file);
        for (std::uint32_t n = start + 1;; ++n) {
            auto key = registry.openKey(keyPath);
            key->setValue("n", regtype::dword, test::dwordData(n));
            key->setValue("payload", regtype::sz, payloadFor(n));
            key->commit();
        }
    } catch (...) {
        ::_exit(1);
    }
}

TEST(CrashConsistencyTest, KilledWriterLeavesOneWholeCommittedState) {
    test::TempFolder folder;
    const auto file = folder / "HKEY_CLASSES_ROOT.reg";
    std::mt19937 random(std::random_device{}());
    std::uniform_int_distribution<int> runTime(0, longestRunMicroseconds);

    std::uint32_t last = 0;
    int advances = 0;
    for (int round = 0; round < killCount; ++round) {
        pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0)
            commitForever(file, last);
        ::usleep(static_cast<useconds_t>(runTime(random)));
        ASSERT_EQ(::kill(child, SIGKILL), 0);
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFSIGNALED(status)) << "the writer stopped by itself in round " << round;

        auto bytes = test::readBytes(file);
        if (!bytes) {
            ASSERT_EQ(last, 0u) << "the hive disappeared in round " << round;
            continue;
        }
        Hive hive = Hive::parse(*bytes, file.string());
        const HiveKey* key = hive.findKey(keyPath);
        ASSERT_NE(key, nullptr);
        const RegistryValue* n = Hive::findValue(*key, "n");
        const RegistryValue* payload = Hive::findValue(*key, "payload");
        ASSERT_TRUE(n && payload) << "round " << round;
        const std::uint32_t number = numberOf(*n);
        ASSERT_EQ(payload->data, payloadFor(number)) << "round " << round;
        ASSERT_GE(number, last) << "a committed state was lost in round " << round;
        advances += number > last;
        last = number;
    }
    // Without progress the rounds above would have proved nothing.
    EXPECT_GE(advances, killCount / 10);

    // The kernel dropped the dead writers' locks, and their temporaries do not outlive a commit.
    auto key = HiveRegistry(file).openKey(keyPath);
    key->setValue("n", regtype::dword, test::dwordData(last + 1));
    key->commit();
    EXPECT_EQ(test::folderListing(folder.path()),
              "HKEY_CLASSES_ROOT.reg HKEY_CLASSES_ROOT.reg.lock");
}

} // namespace
} // namespace quorvane
