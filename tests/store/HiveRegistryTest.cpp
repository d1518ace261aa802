#include "store/HiveRegistry.h"

#include "HiveSamples.h"
#include "platform/Failure.h"
#include "store/HiveFile.h"
#include "store/MemoryRegistry.h"
#include "support/Forking.h"
#include "support/LockHolder.h"
#include "support/TestFiles.h"

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <gtest/gtest.h>
#include <pwd.h>
#include <system_error>
#include <thread>
#include <unistd.h>

// gcc says it builds with AddressSanitizer by a macro, clang by a feature test.
#if defined(__SANITIZE_ADDRESS__)
#define QUORVANE_ADDRESS_SANITIZER
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define QUORVANE_ADDRESS_SANITIZER
#endif
#endif

using namespace std::string_literals;

namespace quorvane {
namespace {

using test::folderListing;
using test::readBytes;
using test::TempFolder;
using test::writeBytes;

const std::string sampleHive = "REGEDIT4\r\n\r\n"
                               "[HKEY_CLASSES_ROOT\\App]\r\n"
                               "\"One\"=\"1\"\r\n"
                               "\"Two\"=dword:00000002\r\n"
                               "\"Three\"=\"3\"\r\n"
                               "\r\n";

std::vector<std::string> names(const RegistryKey& key) {
    return key.valueNames();
}

std::string valueData(const std::filesystem::path& file, std::string_view path,
                      std::string_view name) {
    Hive hive = Hive::parse(*readBytes(file), file.string());
    const HiveKey* key = hive.findKey(path);
    if (!key)
        return "<no key>";
    const RegistryValue* value = key->findValue(name);
    return value ? value->data : "<no value>";
}

class HiveRegistryTest : public testing::Test {
protected:
    TempFolder m_folder;
    std::filesystem::path m_file = m_folder / "config/quorvane/HKEY_CLASSES_ROOT.reg";
};

TEST_F(HiveRegistryTest, EveryKindOfValueSurvivesTheFile) {
    const auto samples = test::valueSamples();
    {
        HiveRegistry registry(m_file);
        for (const test::ValueSample& sample : samples) {
            auto key = registry.openKey("Samples]\\" + sample.label);
            key->setValue(sample.name, sample.type, sample.data);
            key->commit();
        }
    }
    HiveRegistry registry(m_file);
    for (const test::ValueSample& sample : samples) {
        auto key = registry.openKey("SAMPLES]\\" + sample.label);
        EXPECT_EQ(names(*key), std::vector<std::string>{sample.name}) << sample.label;
        EXPECT_EQ(key->value(sample.name), (RegistryValue{sample.name, sample.type, sample.data}))
            << sample.label;
    }
    EXPECT_EQ(folderListing(m_file.parent_path()),
              "HKEY_CLASSES_ROOT.reg HKEY_CLASSES_ROOT.reg.lock");
}

TEST_F(HiveRegistryTest, CommitWritesTheExpectedFile) {
    HiveRegistry registry(m_file);
    auto key = registry.openKey("*\\shell\\Go");
    key->setValue("", regtype::sz, "Go \"here\"");
    key->setValue("Count", regtype::dword, dwordData(0xfffffffe));
    key->commit();
    EXPECT_EQ(readBytes(m_file), "REGEDIT4\r\n\r\n"
                                 "[HKEY_CLASSES_ROOT\\*\\shell\\Go]\r\n"
                                 "@=\"Go \\\"here\\\"\"\r\n"
                                 "\"Count\"=dword:fffffffe\r\n"
                                 "\r\n");
}

TEST_F(HiveRegistryTest, ReadsSeeSnapshotOverlaidWithOwnWritesInEnumerationOrder) {
    writeBytes(m_file, sampleHive);
    HiveRegistry registry(m_file);
    auto key = registry.openKey("app");
    EXPECT_EQ(names(*key), (std::vector<std::string>{"One", "Two", "Three"}));

    key->setValue("Four", regtype::sz, "4");
    key->setValue("TWO", regtype::sz, "two");
    key->setValue("Five", regtype::sz, "5");
    key->setValue("four", regtype::dword, dwordData(4));
    EXPECT_EQ(names(*key), (std::vector<std::string>{"One", "Two", "Three", "Four", "Five"}));
    EXPECT_EQ(key->value("two"), (RegistryValue{"Two", regtype::sz, "two"}));
    EXPECT_EQ(key->value("FOUR"), (RegistryValue{"Four", regtype::dword, dwordData(4)}));
    EXPECT_EQ(key->value("Six"), std::nullopt);
    // Nothing reaches the file before commit.
    EXPECT_EQ(readBytes(m_file), sampleHive);

    key->commit();
    EXPECT_EQ(readBytes(m_file), "REGEDIT4\r\n\r\n"
                                 "[HKEY_CLASSES_ROOT\\App]\r\n"
                                 "\"One\"=\"1\"\r\n"
                                 "\"Two\"=\"two\"\r\n"
                                 "\"Three\"=\"3\"\r\n"
                                 "\"Four\"=dword:00000004\r\n"
                                 "\"Five\"=\"5\"\r\n"
                                 "\r\n");
}

TEST_F(HiveRegistryTest, MissingFileAndMissingKeyReadEmpty) {
    HiveRegistry registry(m_file);
    auto key = registry.openKey("Nowhere");
    EXPECT_TRUE(names(*key).empty());
    EXPECT_EQ(key->value(""), std::nullopt);
    EXPECT_FALSE(std::filesystem::exists(m_file.parent_path()));
}

TEST_F(HiveRegistryTest, KeyDestroyedWithoutCommitWritesNothing) {
    {
        HiveRegistry registry(m_file);
        auto key = registry.openKey("New");
        key->setValue("a", regtype::sz, "1");
    }
    EXPECT_FALSE(std::filesystem::exists(m_file.parent_path()));

    writeBytes(m_file, sampleHive);
    {
        HiveRegistry registry(m_file);
        auto key = registry.openKey("App");
        key->setValue("One", regtype::sz, "changed");
    }
    EXPECT_EQ(readBytes(m_file), sampleHive);
}

TEST_F(HiveRegistryTest, CommitOfAnUntouchedExistingKeyDoesNotWrite) {
    writeBytes(m_file, sampleHive);
    int writes = 0;
    HiveRegistry registry(m_file,
                          [&](const std::filesystem::path&, std::string_view) { ++writes; });
    auto key = registry.openKey("App");
    key->value("One");
    key->commit();
    EXPECT_EQ(writes, 0);
    EXPECT_EQ(folderListing(m_file.parent_path()), "HKEY_CLASSES_ROOT.reg");
}

TEST_F(HiveRegistryTest, CommitCreatesAMissingKeyWithoutValues) {
    writeBytes(m_file, sampleHive);
    HiveRegistry registry(m_file);
    auto key = registry.openKey("Fresh\\Key");
    key->commit();
    EXPECT_EQ(readBytes(m_file), sampleHive + "[HKEY_CLASSES_ROOT\\Fresh\\Key]\r\n\r\n");
}

TEST_F(HiveRegistryTest, KeyStaysUsableAfterCommit) {
    HiveRegistry registry(m_file);
    auto key = registry.openKey("App");
    key->setValue("a", regtype::sz, "1");
    key->commit();

    // Someone else changes a value this key wrote before; a later commit that does not touch it
    // leaves it alone.
    auto other = HiveRegistry(m_file).openKey("App");
    other->setValue("a", regtype::sz, "other");
    other->commit();

    key->setValue("b", regtype::sz, "2");
    EXPECT_EQ(names(*key), (std::vector<std::string>{"a", "b"}));
    key->commit();
    EXPECT_EQ(valueData(m_file, "App", "a"), "other");
    EXPECT_EQ(valueData(m_file, "App", "b"), "2");

    key->setValue("b", regtype::sz, "3");
    key->commit();
    EXPECT_EQ(valueData(m_file, "App", "b"), "3");
    EXPECT_EQ(valueData(m_file, "App", "a"), "other");
}

// After a commit a key reads what the file holds for it, whether or not another writer changed
// the file, or this very key, since the key was opened.
TEST_F(HiveRegistryTest, AfterCommitReadsSeeTheKeyAsStored) {
    struct Case {
        const char* name;
        std::function<void(HiveRegistry&)> meanwhile;
    };
    const Case cases[] = {
        {"nobody", [](HiveRegistry&) {}},
        {"another key",
         [](HiveRegistry& other) {
             auto key = other.openKey("Other");
             key->setValue("x", regtype::sz, "y");
             key->commit();
         }},
        {"this key",
         [](HiveRegistry& other) {
             auto key = other.openKey("APP");
             key->setValue("three", regtype::sz, "changed");
             key->setValue("Theirs", regtype::dword, dwordData(7));
             key->commit();
         }},
    };
    for (const Case& c : cases) {
        writeBytes(m_file, sampleHive);
        HiveRegistry registry(m_file);
        HiveRegistry other(m_file);
        auto key = registry.openKey("App");
        key->setValue("ONE", regtype::sz, "first");
        key->setValue("New", regtype::sz, "n");
        key->setValue("one", regtype::dword, dwordData(1));
        c.meanwhile(other);
        key->commit();

        auto fresh = HiveRegistry(m_file).openKey("App");
        EXPECT_EQ(key->valueNames(), fresh->valueNames()) << c.name;
        for (const std::string& name : fresh->valueNames())
            EXPECT_EQ(key->value(name), fresh->value(name)) << c.name << ": " << name;
        EXPECT_EQ(key->value("one"), (RegistryValue{"One", regtype::dword, dwordData(1)}))
            << c.name;

        // And its next commit starts from there.
        key->setValue("New", regtype::sz, "again");
        key->commit();
        EXPECT_EQ(valueData(m_file, "App", "New"), "again") << c.name;
        EXPECT_EQ(valueData(m_file, "App", "One"), dwordData(1)) << c.name;
    }
}

TEST_F(HiveRegistryTest, ConcurrentWritersBothLand) {
    writeBytes(m_file, sampleHive);
    HiveRegistry registryA(m_file);
    HiveRegistry registryB(m_file);
    auto a = registryA.openKey("App");
    auto b = registryB.openKey("App");
    auto elsewhere = registryB.openKey("Other");

    a->setValue("One", regtype::sz, "from A");
    a->setValue("OnlyA", regtype::sz, "a");
    b->setValue("Three", regtype::sz, "from B");
    b->setValue("OnlyB", regtype::dword, dwordData(2));
    elsewhere->setValue("x", regtype::sz, "y");

    a->commit();
    elsewhere->commit();
    b->commit();

    // B's snapshot still held the old "One", but B never wrote it.
    EXPECT_EQ(readBytes(m_file), "REGEDIT4\r\n\r\n"
                                 "[HKEY_CLASSES_ROOT\\App]\r\n"
                                 "\"One\"=\"from A\"\r\n"
                                 "\"Two\"=dword:00000002\r\n"
                                 "\"Three\"=\"from B\"\r\n"
                                 "\"OnlyA\"=\"a\"\r\n"
                                 "\"OnlyB\"=dword:00000002\r\n"
                                 "\r\n"
                                 "[HKEY_CLASSES_ROOT\\Other]\r\n"
                                 "\"x\"=\"y\"\r\n"
                                 "\r\n");
    // After its commit B sees what is on disk for its key.
    EXPECT_EQ(b->value("One")->data, "from A");
}

TEST_F(HiveRegistryTest, WriterThatFinishesLastWinsOnASharedValue) {
    HiveRegistry registry(m_file);
    auto a = registry.openKey("App");
    auto b = registry.openKey("App");
    a->setValue("Shared", regtype::sz, "A");
    b->setValue("Shared", regtype::dword, dwordData(1));
    b->setValue("Mine", regtype::sz, "B");
    b->commit();
    a->commit();
    EXPECT_EQ(HiveRegistry(m_file).openKey("App")->valueNames(),
              (std::vector<std::string>{"Shared", "Mine"}));
    EXPECT_EQ(valueData(m_file, "App", "Shared"), "A");
}

// A registry keeps the file as it last read or wrote it, and writes the lines of values that did
// not change by copying them from there. After every commit the file must be exactly what
// writing it afresh gives, and another process's write in between, of the same size too, must
// be kept.
TEST_F(HiveRegistryTest, EveryCommitWritesTheFileAsWrittenAfresh) {
    std::string quoted;
    for (int i = 0; i < 200; ++i)
        quoted += "\"Item " + std::to_string(i) + "\",-5,\\";
    struct Step {
        const char* what;
        bool elsewhere; // by another registry, as another process writes
        std::string key;
        std::string name;
        std::uint32_t type;
        std::string data;
    };
    const Step steps[] = {
        {"first value", false, "App", "Menu", regtype::sz, "\"a\",-2"},
        {"long escaped value", false, "App", "List", regtype::sz, quoted},
        {"third value", false, "App", "Count", regtype::dword, dwordData(3)},
        {"first value grows", false, "App", "Menu", regtype::sz, quoted + "\"b\""},
        {"same data again", false, "App", "List", regtype::sz, quoted},
        {"another key", false, "Other", "x", regtype::sz, "y"},
        {"type changes", false, "App", "List", regtype::dword, dwordData(7)},
        {"line break: hex form", false, "App", "Count", regtype::sz, "two\r\nlines"},
        {"first value shrinks", false, "App", "Menu", regtype::sz, "mine!!"},
        {"another process", true, "App", "Menu", regtype::sz, "theirs"},
        {"after it", false, "Other", "x", regtype::sz, "z"},
        {"another process, longer", true, "App", "List", regtype::sz, quoted + quoted},
        {"after that", false, "App", "Count", regtype::sz, "\\\""},
    };
    HiveRegistry registry(m_file);
    Hive expected;
    for (const Step& step : steps) {
        HiveRegistry other(m_file);
        auto key = (step.elsewhere ? other : registry).openKey(step.key);
        key->setValue(step.name, step.type, step.data);
        key->commit();
        expected.ensureKey(step.key).setValue(step.name, step.type, step.data);
        EXPECT_EQ(readBytes(m_file), expected.serialize()) << step.what;
        EXPECT_EQ(registry.openKey(step.key)->value(step.name),
                  (RegistryValue{step.name, step.type, step.data}))
            << step.what;
    }
}

// The file manager's extension shares one store between its threads: commits through it from
// several threads at once lose nothing, and its kept copy of the file never stands in for
// another thread's newer one.
TEST_F(HiveRegistryTest, ThreadsSharingARegistryKeepEachOthersWrites) {
    constexpr int threads = 4;
    constexpr int commits = 25;
    HiveRegistry registry(m_file);
    std::vector<std::thread> running;
    for (int t = 0; t < threads; ++t)
        running.emplace_back([&registry, t] {
            for (int i = 0; i < commits; ++i) {
                auto key = registry.openKey("App");
                key->setValue("T" + std::to_string(t) + "." + std::to_string(i), regtype::sz,
                              "\"" + std::to_string(i) + "\"");
                key->commit();
            }
        });
    for (std::thread& thread : running)
        thread.join();
    const auto key = HiveRegistry(m_file).openKey("App");
    EXPECT_EQ(key->valueNames().size(), std::size_t{threads * commits});
    EXPECT_EQ(key->value("T3.24")->data, "\"24\"");
}

class CorruptHiveTest : public testing::TestWithParam<test::BrokenHiveSample> {
protected:
    TempFolder m_folder;
    std::filesystem::path m_file = m_folder / "HKEY_CLASSES_ROOT.reg";
};

void expectReadFailure(const Failure& failure, const std::filesystem::path& file, int line) {
    const std::string expected =
        "Cannot read the settings file '" + file.string() + "': line " + std::to_string(line) + ":";
    EXPECT_EQ(std::string(failure.what()).substr(0, expected.size()), expected) << failure.what();
}

TEST_P(CorruptHiveTest, OpenKeyRefusesAndLeavesTheFile) {
    writeBytes(m_file, GetParam().text);
    HiveRegistry registry(m_file);
    try {
        registry.openKey("k");
        FAIL() << "accepted";
    } catch (const Failure& failure) {
        expectReadFailure(failure, m_file, GetParam().line);
    }
    EXPECT_EQ(readBytes(m_file), GetParam().text);
    EXPECT_EQ(folderListing(m_folder.path()), "HKEY_CLASSES_ROOT.reg");
}

TEST_P(CorruptHiveTest, CommitRefusesWhenTheFileBrokeAfterOpening) {
    writeBytes(m_file, sampleHive);
    HiveRegistry registry(m_file);
    auto key = registry.openKey("App");
    key->setValue("One", regtype::sz, "new");
    writeBytes(m_file, GetParam().text);
    try {
        key->commit();
        FAIL() << "accepted";
    } catch (const Failure& failure) {
        expectReadFailure(failure, m_file, GetParam().line);
    }
    EXPECT_EQ(readBytes(m_file), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(Samples, CorruptHiveTest, testing::ValuesIn(test::brokenHiveSamples()),
                         [](const auto& info) { return info.param.label; });

TEST_F(HiveRegistryTest, UnreadableHiveIsRefusedNamingTheFile) {
    std::filesystem::create_directories(m_file);
    HiveRegistry registry(m_file);
    try {
        registry.openKey("k");
        FAIL() << "accepted";
    } catch (const Failure& failure) {
        const std::string expected = "Cannot read the settings file '" + m_file.string() + "': ";
        EXPECT_EQ(std::string(failure.what()).substr(0, expected.size()), expected);
    }
}

struct WriteFailure {
    std::string label;
    std::function<void()> thrown;
    std::string reason;
};

// Whatever stops the write, the store's message stays and the cause follows it in plain words.
TEST_F(HiveRegistryTest, FailedWriteNamesTheFirstWrittenValueAndWhyAndChangesNothing) {
    const WriteFailure failures[] = {
        {"FullDisk",
         [] { throw std::system_error(ENOSPC, std::generic_category(), "cannot write x"); },
         "cannot write x: " + std::string(std::strerror(ENOSPC))},
        {"OutOfMemory", [] { throw std::bad_alloc(); }, "there is not enough memory"},
        {"StringTooLong", [] { throw std::length_error("basic_string::_M_create"); },
         "there is not enough memory"},
        {"LibraryError", [] { throw std::out_of_range("vector::_M_range_check"); },
         "an unexpected error stopped the operation"},
    };
    writeBytes(m_file, sampleHive);
    for (const WriteFailure& failure : failures) {
        HiveRegistry registry(
            m_file, [&](const std::filesystem::path&, std::string_view) { failure.thrown(); });
        auto key = registry.openKey("App");
        key->setValue("Zeta", regtype::sz, "z");
        key->setValue("One", regtype::sz, "changed");
        key->setValue("zeta", regtype::sz, "z2");
        try {
            key->commit();
            ADD_FAILURE() << failure.label << ": no failure";
        } catch (const Failure& error) {
            EXPECT_EQ(error.what(), "Failed to set data for 'Zeta'\n" + failure.reason)
                << failure.label;
        }
        EXPECT_EQ(readBytes(m_file), sampleHive) << failure.label;
        EXPECT_EQ(folderListing(m_file.parent_path()),
                  "HKEY_CLASSES_ROOT.reg HKEY_CLASSES_ROOT.reg.lock")
            << failure.label;
    }
}

TEST_F(HiveRegistryTest, FailedCreationOfAnEmptyKeyIsNotReported) {
    writeBytes(m_file, sampleHive);
    int attempts = 0;
    HiveRegistry registry(m_file, [&](const std::filesystem::path&, std::string_view) {
        ++attempts;
        throw std::system_error(EIO, std::generic_category(), "broken");
    });
    auto key = registry.openKey("Missing");
    EXPECT_NO_THROW(key->commit());
    EXPECT_EQ(attempts, 1);
    EXPECT_EQ(readBytes(m_file), sampleHive);
}

TEST_F(HiveRegistryTest, HiveBehindAFileIsRefusedOnOpening) {
    writeBytes(m_folder / "blocker", "keep");
    const auto file = m_folder / "blocker/HKEY_CLASSES_ROOT.reg";
    HiveRegistry registry(file);
    try {
        registry.openKey("k");
        FAIL() << "accepted";
    } catch (const Failure& failure) {
        const std::string expected = "Cannot read the settings file '" + file.string() + "': ";
        EXPECT_EQ(std::string(failure.what()).substr(0, expected.size()), expected);
    }
    EXPECT_EQ(readBytes(m_folder / "blocker"), "keep");
}

TEST_F(HiveRegistryTest, LockThatCannotBeTakenFailsLikeAFailedWrite) {
    writeBytes(m_file, sampleHive);
    std::filesystem::create_directories(m_file.string() + ".lock");
    HiveRegistry registry(m_file);
    auto created = registry.openKey("k");
    EXPECT_NO_THROW(created->commit());
    auto key = registry.openKey("App");
    key->setValue("Name", regtype::sz, "x");
    try {
        key->commit();
        FAIL() << "no failure";
    } catch (const Failure& failure) {
        const std::string expected = "Failed to set data for 'Name'\ncannot open " +
                                     m_file.string() + ".lock: " + std::strerror(EISDIR);
        EXPECT_EQ(failure.what(), expected);
    }
    EXPECT_EQ(readBytes(m_file), sampleHive);
}

// Such a name is refused at once, naming it, in the file store and in the one that tries
// operations out in memory alike; the key's other writes still go through.
TEST_F(HiveRegistryTest, ValueNameTheFileCannotHoldIsRefusedNamingIt) {
    struct Row {
        std::string name;
        std::string shown;
    };
    const Row rows[] = {{"Two\nLines", "Two\nLines"}, {"Cr\r", "Cr\r"}, {"bad\0tail"s, "bad"}};
    writeBytes(m_file, sampleHive);
    HiveRegistry hive(m_file);
    MemoryRegistry memory;
    for (Registry* registry : std::initializer_list<Registry*>{&hive, &memory}) {
        for (const Row& row : rows) {
            auto key = registry->openKey("App");
            key->setValue("Good", regtype::sz, row.shown);
            try {
                key->setValue(row.name, regtype::sz, "x");
                ADD_FAILURE() << row.shown << ": accepted";
            } catch (const Failure& failure) {
                EXPECT_EQ(failure.what(), "Failed to set data for '" + row.shown +
                                              "'\na value name cannot hold a line break or a "
                                              "NUL character");
            }
            EXPECT_EQ(key->value(row.name), std::nullopt);
            key->commit();
            EXPECT_EQ(registry->openKey("App")->value("Good")->data, row.shown);
        }
    }
    EXPECT_EQ(valueData(m_file, "App", "Good"), "bad");
}

struct ReadOnlySample {
    std::string label;
    bool folder; // the folder is made read-only rather than the file
    std::filesystem::perms mode;
};

class ReadOnlyHiveTest : public HiveRegistryTest,
                         public testing::WithParamInterface<ReadOnlySample> {};

// rename() would replace a read-only file all the same, and root passes every access check.
TEST_P(ReadOnlyHiveTest, CommitIsRefusedAndTheFileLeftAsItIs) {
    writeBytes(m_file, sampleHive);
    writeBytes(m_file.string() + ".lock", "");
    const auto protectedPath = GetParam().folder ? m_file.parent_path() : m_file;
    std::filesystem::permissions(protectedPath, GetParam().mode);
    HiveRegistry registry(m_file);
    auto key = registry.openKey("App");
    key->setValue("Name", regtype::sz, "x");
    try {
        key->commit();
        FAIL() << "no failure";
    } catch (const Failure& failure) {
        const std::string text = failure.what();
        EXPECT_EQ(text.substr(0, text.find('\n')), "Failed to set data for 'Name'");
        EXPECT_NE(text.find(" is read-only: ", text.find('\n')), std::string::npos) << text;
    }
    EXPECT_EQ(std::filesystem::status(protectedPath).permissions(), GetParam().mode);
    std::filesystem::permissions(m_file.parent_path(), std::filesystem::perms::owner_all);
    EXPECT_EQ(readBytes(m_file), sampleHive);
    EXPECT_EQ(folderListing(m_file.parent_path()),
              "HKEY_CLASSES_ROOT.reg HKEY_CLASSES_ROOT.reg.lock");
}

INSTANTIATE_TEST_SUITE_P(
    Modes, ReadOnlyHiveTest,
    testing::Values(ReadOnlySample{"ReadableByAll", false, std::filesystem::perms(0444)},
                    ReadOnlySample{"OwnerOnly", false, std::filesystem::perms(0400)},
                    ReadOnlySample{"ReadOnlyFolder", true, std::filesystem::perms(0555)}),
    [](const auto& info) { return info.param.label; });

// A writer that hangs while holding the lock must not hang this one: it gives up after its wait
// and writes nothing, then goes through once the lock is free.
TEST_F(HiveRegistryTest, LockHeldByAnotherProgramIsWaitedForABoundedTime) {
    using namespace std::chrono;
    writeBytes(m_file, sampleHive);
    const milliseconds wait(200);
    HiveRegistry registry(m_file, {}, wait);
    const std::string busy =
        "The settings are being changed by another program\n" + m_file.string() + ".lock";
    auto key = registry.openKey("App");
    key->setValue("Name", regtype::sz, "x");
    {
        test::LockHolder holder(m_file);
        const auto start = steady_clock::now();
        try {
            key->commit();
            ADD_FAILURE() << "committed while another program held the lock";
        } catch (const Failure& failure) {
            EXPECT_EQ(failure.what(), "Failed to set data for 'Name'\n" + busy);
        }
        EXPECT_GE(steady_clock::now() - start, wait);

        bool changed = false;
        try {
            registry.update("App", [&](RegistryKey&) { changed = true; });
            ADD_FAILURE() << "updated while another program held the lock";
        } catch (const Failure& failure) {
            EXPECT_EQ(failure.what(), busy);
        }
        EXPECT_FALSE(changed);
        EXPECT_EQ(readBytes(m_file), sampleHive);
    }
    key->commit();
    EXPECT_EQ(valueData(m_file, "App", "Name"), "x");
}

// Each value is found through the key's index; many names, written again in other cases, must
// keep their first place and spelling and take the latest data.
TEST_F(HiveRegistryTest, ManyValuesKeepTheirPlaceAndLatestData) {
    constexpr int count = 5000;
    HiveRegistry registry(m_file);
    auto key = registry.openKey("Many");
    for (int i = 0; i < count; ++i)
        key->setValue("Value" + std::to_string(i), regtype::sz, "first");
    for (int i = 0; i < count; i += 3)
        key->setValue("VALUE" + std::to_string(i), regtype::sz, "again " + std::to_string(i));
    key->commit();

    auto reread = HiveRegistry(m_file).openKey("many");
    const std::vector<std::string> names = reread->valueNames();
    ASSERT_EQ(names.size(), static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
        EXPECT_EQ(names[static_cast<std::size_t>(i)], "Value" + std::to_string(i));
        const auto value = reread->value("vALUE" + std::to_string(i));
        ASSERT_TRUE(value) << i;
        EXPECT_EQ(value->data, i % 3 == 0 ? "again " + std::to_string(i) : "first") << i;
    }
}

// A settings file of nothing but line breaks is refused at its first line, without the reader
// first cutting all of it into lines: the child's address space leaves no room for that. With
// no room even for the file, it is refused in plain words.
TEST_F(HiveRegistryTest, HugeFileIsRefusedWithinBoundedMemory) {
#if defined(QUORVANE_ADDRESS_SANITIZER)
    GTEST_SKIP() << "AddressSanitizer's shadow memory does not bear an address space limit";
#endif
    constexpr std::size_t size = 64 << 20;
    writeBytes(m_file, std::string(size, '\n'));
    const std::string prefix = "Cannot read the settings file '" + m_file.string() + "': ";
    const std::pair<std::size_t, std::string> rows[] = {
        {3 * size, prefix + "line 1: the file does not start with REGEDIT4"},
        {size / 2, prefix + "there is not enough memory"},
    };
    for (const auto& [headroom, row] : rows) {
        // clang 14 does not let a lambda capture a structured binding.
        const std::string& expected = row;
        const int status = test::runWithAddressSpaceLimit(headroom, [&] {
            try {
                HiveRegistry(m_file).openKey("k");
                return 1;
            } catch (const Failure& failure) {
                return failure.what() == expected ? 0 : 2;
            }
        });
        EXPECT_EQ(status, 0) << expected << " (1 accepted, 2 another message, 126 another error)";
    }
    EXPECT_EQ(std::filesystem::file_size(m_file), size);
}

// The settings file kept elsewhere and linked from its usual place stays linked.
TEST_F(HiveRegistryTest, CommitThroughALinkReplacesTheFileItLeadsTo) {
    const auto real = m_folder / "dotfiles/hive.reg";
    writeBytes(real, sampleHive);
    std::filesystem::create_directories(m_file.parent_path());
    std::filesystem::create_symlink(real, m_file);
    writeBytes(real.parent_path() / "hive.reg.tmp.99999.1", "left by a writer that died");
    HiveRegistry registry(m_file);
    auto key = registry.openKey("App");
    key->setValue("One", regtype::sz, "new");
    key->commit();
    EXPECT_TRUE(std::filesystem::is_symlink(m_file));
    EXPECT_EQ(std::filesystem::read_symlink(m_file), real);
    EXPECT_EQ(valueData(real, "App", "One"), "new");
    EXPECT_EQ(folderListing(real.parent_path()), "hive.reg");
}

TEST_F(HiveRegistryTest, CommitClearsTemporariesLeftByAKilledWriter) {
    writeBytes(m_file, sampleHive);
    const auto leftover = m_file.parent_path() / "HKEY_CLASSES_ROOT.reg.tmp.99999.1234";
    writeBytes(leftover, "REGEDIT4\r\n\r\n[HKEY_CLASSES_ROOT\\Half");
    writeBytes(m_file.parent_path() / "unrelated.tmp.1", "x");
    HiveRegistry registry(m_file);
    auto key = registry.openKey("App");
    key->setValue("One", regtype::sz, "new");
    key->commit();
    EXPECT_EQ(folderListing(m_file.parent_path()),
              "HKEY_CLASSES_ROOT.reg HKEY_CLASSES_ROOT.reg.lock unrelated.tmp.1");
}

struct EnvironmentSample {
    std::string label;
    const char* xdgConfigHome; // nullptr: unset
    const char* home;
    std::string expected;
};

class DefaultHiveFileTest : public testing::TestWithParam<EnvironmentSample> {
protected:
    void SetUp() override {
        for (const char* name : {"XDG_CONFIG_HOME", "HOME"}) {
            const char* value = std::getenv(name);
            m_saved.emplace_back(name, value ? std::optional<std::string>(value) : std::nullopt);
        }
    }
    void TearDown() override {
        for (const auto& [name, value] : m_saved) {
            if (value)
                ::setenv(name.c_str(), value->c_str(), 1);
            else
                ::unsetenv(name.c_str());
        }
    }
    static void set(const char* name, const char* value) {
        if (value)
            ::setenv(name, value, 1);
        else
            ::unsetenv(name);
    }

private:
    std::vector<std::pair<std::string, std::optional<std::string>>> m_saved;
};

TEST_P(DefaultHiveFileTest, FollowsTheEnvironment) {
    set("XDG_CONFIG_HOME", GetParam().xdgConfigHome);
    set("HOME", GetParam().home);
    EXPECT_EQ(HiveRegistry::defaultHiveFile(), std::filesystem::path(GetParam().expected));
}

INSTANTIATE_TEST_SUITE_P(
    Variants, DefaultHiveFileTest,
    testing::Values(EnvironmentSample{"XdgSet", "/xdg", "/home/u",
                                      "/xdg/quorvane/HKEY_CLASSES_ROOT.reg"},
                    EnvironmentSample{"XdgEmpty", "", "/home/u",
                                      "/home/u/.config/quorvane/HKEY_CLASSES_ROOT.reg"},
                    EnvironmentSample{"XdgUnset", nullptr, "/home/u",
                                      "/home/u/.config/quorvane/HKEY_CLASSES_ROOT.reg"}),
    [](const auto& info) { return info.param.label; });

TEST_F(DefaultHiveFileTest, WithoutHomeUsesTheAccountsHomeFolder) {
    set("XDG_CONFIG_HOME", nullptr);
    set("HOME", nullptr);
    const passwd* account = ::getpwuid(::getuid());
    ASSERT_NE(account, nullptr);
    EXPECT_EQ(HiveRegistry::defaultHiveFile(),
              std::filesystem::path(account->pw_dir) / ".config/quorvane/HKEY_CLASSES_ROOT.reg");
}

} // namespace
} // namespace quorvane
