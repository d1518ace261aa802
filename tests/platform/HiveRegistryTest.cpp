#include "platform/HiveRegistry.h"

#include "HiveSamples.h"
#include "support/TestFiles.h"
#include "platform/Failure.h"
#include "platform/HiveFile.h"

#include <cerrno>
#include <cstdlib>
#include <gtest/gtest.h>
#include <pwd.h>
#include <system_error>
#include <unistd.h>

using namespace std::string_literals;

namespace quorvane {
namespace {

using test::dwordData;
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
    const RegistryValue* value = Hive::findValue(*key, name);
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

TEST_F(HiveRegistryTest, FailedWriteNamesTheFirstWrittenValueAndChangesNothing) {
    writeBytes(m_file, sampleHive);
    HiveRegistry registry(m_file, [](const std::filesystem::path&, std::string_view) {
        throw std::system_error(ENOSPC, std::generic_category(), "disk full");
    });
    auto key = registry.openKey("App");
    key->setValue("Zeta", regtype::sz, "z");
    key->setValue("One", regtype::sz, "changed");
    key->setValue("zeta", regtype::sz, "z2");
    try {
        key->commit();
        FAIL() << "no failure";
    } catch (const Failure& failure) {
        EXPECT_STREQ(failure.what(), "Failed to set data for 'Zeta'");
    }
    EXPECT_EQ(readBytes(m_file), sampleHive);
    EXPECT_EQ(folderListing(m_file.parent_path()),
              "HKEY_CLASSES_ROOT.reg HKEY_CLASSES_ROOT.reg.lock");
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
        EXPECT_STREQ(failure.what(), "Failed to set data for 'Name'");
    }
    EXPECT_EQ(readBytes(m_file), sampleHive);
}

TEST_F(HiveRegistryTest, ValueNameTheFileCannotHoldIsAFailedWrite) {
    writeBytes(m_file, sampleHive);
    HiveRegistry registry(m_file);
    auto key = registry.openKey("App");
    key->setValue("Two\nLines", regtype::sz, "x");
    EXPECT_THROW(key->commit(), Failure);
    EXPECT_EQ(readBytes(m_file), sampleHive);
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
