#include "HiveSamples.h"
#include "store/HiveFile.h"
#include "store/HiveRegistry.h"
#include "support/TestFiles.h"

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <iostream>
#include <random>
#include <sys/wait.h>
#include <unistd.h>

namespace quorvane {
namespace {

constexpr int defaultKillCount = 200;
constexpr int longestRunMicroseconds = 100000;
constexpr std::string_view keyPath = "Crash\\Test";

// QUORVANE_CRASH_KILLS raises or lowers the number of kills, for a longer soak or a quick look.
int killCount() {
    if (const char* text = std::getenv("QUORVANE_CRASH_KILLS"); text && *text)
        return std::max(1, std::atoi(text));
    return defaultKillCount;
}

// Long enough that a kill often lands while the file is being written.
std::string payloadFor(std::uint32_t n) {
    std::string payload = std::to_string(n) + ":";
    for (int i = 0; i < 100000; ++i)
        payload += static_cast<char>('a' + (n * 7 + static_cast<std::uint32_t>(i)) % 26);
    return payload;
}

std::uint32_t numberOf(const RegistryValue& value) {
    return dwordNumber(value.data).value();
}

// A key the writer never touches: every commit must carry it over unchanged.
Hive bystander() {
    Hive hive;
    HiveKey& key = hive.ensureKey("Bystander\\Key");
    key.setValue("", regtype::sz, "default \"quoted\" \\ text");
    key.setValue("Count", regtype::dword, dwordData(0xdeadbeef));
    key.setValue("Blob", regtype::binary, std::string("\0\x01\xff", 3));
    return hive;
}

// The whole file as it is after the commit of number n; n = 0 is the file before any commit.
std::string stateAfter(std::uint32_t n) {
    Hive hive = bystander();
    if (n > 0) {
        HiveKey& key = hive.ensureKey(keyPath);
        key.setValue("n", regtype::dword, dwordData(n));
        key.setValue("payload", regtype::sz, payloadFor(n));
    }
    return hive.serialize();
}

// Runs in the child until it is killed: every commit moves both values to the next number, and
// only once commit() has returned does the number go down the pipe as acknowledged.
[[noreturn]] void commitForever(const std::filesystem::path& file, std::uint32_t start,
                                int acknowledgements) {
    try {
        HiveRegistry registry(file);
        for (std::uint32_t n = start + 1;; ++n) {
            auto key = registry.openKey(keyPath);
            key->setValue("n", regtype::dword, dwordData(n));
            key->setValue("payload", regtype::sz, payloadFor(n));
            key->commit();
            if (::write(acknowledgements, &n, sizeof n) != sizeof n)
                ::_exit(2);
        }
    } catch (...) {
        ::_exit(1);
    }
}

// The highest number the writer acknowledged, or `floor` when it acknowledged none.
std::uint32_t lastAcknowledged(int pipe, std::uint32_t floor) {
    std::uint32_t n = 0;
    while (::read(pipe, &n, sizeof n) == static_cast<ssize_t>(sizeof n))
        floor = std::max(floor, n);
    return floor;
}

TEST(CrashConsistencyTest, KilledWriterLeavesExactlyOneWholeCommittedState) {
    test::TempFolder folder;
    const auto file = folder / "HKEY_CLASSES_ROOT.reg";
    test::writeBytes(file, stateAfter(0));
    const int kills = killCount();
    std::mt19937 random(std::random_device{}());
    std::uniform_int_distribution<int> runTime(0, longestRunMicroseconds);

    std::uint32_t last = 0;
    int advances = 0;
    int cutShort = 0;
    for (int round = 0; round < kills; ++round) {
        int acknowledgements[2];
        ASSERT_EQ(::pipe2(acknowledgements, O_CLOEXEC), 0);
        pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            ::close(acknowledgements[0]);
            commitForever(file, last, acknowledgements[1]);
        }
        ::close(acknowledgements[1]);
        ::usleep(static_cast<useconds_t>(runTime(random)));
        ASSERT_EQ(::kill(child, SIGKILL), 0);
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFSIGNALED(status)) << "the writer stopped by itself in round " << round;
        const std::uint32_t acknowledged = lastAcknowledged(acknowledgements[0], last);
        ::close(acknowledgements[0]);

        // The file names its commit; it must then be that commit's file to the byte, and that
        // commit can only be one since the last check, up to one past what was acknowledged
        // (the kill can land between the rename and the acknowledgement).
        const auto bytes = test::readBytes(file);
        ASSERT_TRUE(bytes) << "the hive disappeared in round " << round;
        Hive hive = Hive::parse(*bytes, file.string());
        const HiveKey* key = hive.findKey(keyPath);
        const RegistryValue* n = key ? key->findValue("n") : nullptr;
        const std::uint32_t number = n ? numberOf(*n) : 0;
        ASSERT_EQ(*bytes, stateAfter(number)) << "round " << round;
        ASSERT_GE(number, acknowledged) << "an acknowledged commit was lost in round " << round;
        ASSERT_LE(number, acknowledged + 1) << "round " << round;
        cutShort += number == acknowledged + 1;
        advances += number > last;
        last = number;
    }
    // Without progress the rounds above would have proved nothing.
    EXPECT_GE(advances, kills / 10);
    std::cout << kills << " kills, " << advances << " rounds committed, " << cutShort
              << " killed between the rename and its acknowledgement\n";

    // The kernel dropped the dead writers' locks, and their temporaries do not outlive a commit.
    auto key = HiveRegistry(file).openKey(keyPath);
    key->setValue("n", regtype::dword, dwordData(last + 1));
    key->setValue("payload", regtype::sz, payloadFor(last + 1));
    key->commit();
    EXPECT_EQ(test::readBytes(file), stateAfter(last + 1));
    EXPECT_EQ(test::folderListing(folder.path()),
              "HKEY_CLASSES_ROOT.reg HKEY_CLASSES_ROOT.reg.lock");
}

} // namespace
} // namespace quorvane
