// The settings store over the real registry, run on Windows (under Wine by make test-windows).

#include "store/WindowsRegistry.h"

#include "platform/Failure.h"
#include "settings/SettingsKey.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <string>
#include <vector>
#include <windows.h>

namespace quorvane {
namespace {

std::vector<std::string> sorted(std::vector<std::string> names) {
    std::sort(names.begin(), names.end());
    return names;
}

// Every test gets a key of its own below HKEY_CLASSES_ROOT, removed with all it holds.
class WindowsRegistryTest : public testing::Test {
protected:
    void SetUp() override {
        const auto* info = testing::UnitTest::GetInstance()->current_test_info();
        m_path = "QuorvaneTests\\" + std::to_string(GetCurrentProcessId()) + "-" + info->name();
    }
    void TearDown() override { RegDeleteTreeA(HKEY_CLASSES_ROOT, m_path.c_str()); }

    // What the registry itself holds, read without the store.
    std::optional<RegistryValue> raw(const std::string& name) const {
        HKEY key = nullptr;
        if (RegOpenKeyExA(HKEY_CLASSES_ROOT, m_path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
            return std::nullopt;
        DWORD type = 0;
        DWORD size = 0;
        std::optional<RegistryValue> result;
        if (RegQueryValueExA(key, name.c_str(), nullptr, &type, nullptr, &size) == ERROR_SUCCESS) {
            std::string data(size, '\0');
            RegQueryValueExA(key, name.c_str(), nullptr, &type,
                             reinterpret_cast<BYTE*>(data.data()), &size);
            result = RegistryValue{name, type, data};
        }
        RegCloseKey(key);
        return result;
    }

    bool keyExists() const {
        HKEY key = nullptr;
        if (RegOpenKeyExA(HKEY_CLASSES_ROOT, m_path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
            return false;
        RegCloseKey(key);
        return true;
    }

    WindowsRegistry m_registry;
    std::string m_path;
};

TEST_F(WindowsRegistryTest, OpeningCreatesTheKeyEmpty) {
    auto key = m_registry.openKey(m_path);
    EXPECT_TRUE(keyExists());
    EXPECT_TRUE(key->valueNames().empty());
    EXPECT_FALSE(key->value("v"));
}

TEST_F(WindowsRegistryTest, StringsAndDwordsAreStoredWithTheirRegistryTypes) {
    {
        const auto opened = m_registry.openKey(m_path);
        SettingsKey key(*opened);
        key.writeString("TheMenu", "\"Explore\",0,-2");
        key.writeInteger("StampOptions", 7);
        key.writeInteger("MWnL", -12);
        key.writeBool("CopyCRLF", true);
        key.writeString("Empty", "");
        key.close();
    }
    EXPECT_EQ(raw("TheMenu"),
              (RegistryValue{"TheMenu", REG_SZ, std::string("\"Explore\",0,-2\0", 15)}));
    EXPECT_EQ(raw("StampOptions"), (RegistryValue{"StampOptions", REG_DWORD, dwordData(7)}));
    EXPECT_EQ(raw("MWnL")->type, static_cast<DWORD>(REG_DWORD));
    EXPECT_EQ(raw("Empty"), (RegistryValue{"Empty", REG_SZ, std::string(1, '\0')}));

    const auto reopened = m_registry.openKey(m_path);
    SettingsKey again(*reopened);
    EXPECT_EQ(again.readString("TheMenu"), "\"Explore\",0,-2");
    EXPECT_EQ(again.readInteger("StampOptions"), 7);
    EXPECT_EQ(again.readInteger("MWnL"), -12);
    EXPECT_TRUE(again.readBool("CopyCRLF"));
    EXPECT_EQ(again.valueType("TheMenu"), ValueType::String);
    EXPECT_EQ(again.valueType("StampOptions"), ValueType::Integer);
    EXPECT_TRUE(again.valueExists("Empty"));
    EXPECT_EQ(again.readString("Empty"), "");
}

TEST_F(WindowsRegistryTest, AnsiBytesAndOtherTypesSurviveUnchanged) {
    const std::string ansi = "Caf\xE9 \x80 \x9F\x1A end";
    {
        auto key = m_registry.openKey(m_path);
        key->setValue("Ansi", REG_SZ, ansi);
        key->setValue("Blob", REG_BINARY, std::string("\0\x01\xFF", 3));
        key->commit();
    }
    auto key = m_registry.openKey(m_path);
    EXPECT_EQ(key->value("Ansi")->data, ansi);
    EXPECT_EQ(key->value("Blob"),
              (RegistryValue{"Blob", REG_BINARY, std::string("\0\x01\xFF", 3)}));
    SettingsKey settings(*key);
    EXPECT_EQ(settings.valueType("Blob"), ValueType::Other);
}

TEST_F(WindowsRegistryTest, MissingValuesReadAsTheStoreSays) {
    const auto opened = m_registry.openKey(m_path);
    SettingsKey key(*opened);
    EXPECT_FALSE(key.valueExists("Nothing"));
    EXPECT_EQ(key.valueType("Nothing"), ValueType::Missing);
    EXPECT_EQ(key.readString("Nothing"), "");
    try {
        key.readInteger("Nothing");
        FAIL() << "a missing integer must not read";
    } catch (const Failure& failure) {
        EXPECT_STREQ(failure.what(), "Failed to get data for 'Nothing'\n"
                                     "Loading a menu file that holds the value repairs it.");
    }
}

TEST_F(WindowsRegistryTest, ValueOfTheWrongTypeGivesTheStoresMessage) {
    {
        const auto opened = m_registry.openKey(m_path);
        SettingsKey key(*opened);
        key.writeString("StampOptions", "seven");
        key.close();
    }
    const auto opened = m_registry.openKey(m_path);
    SettingsKey key(*opened);
    try {
        key.readInteger("StampOptions");
        FAIL() << "a string must not read as an integer";
    } catch (const Failure& failure) {
        EXPECT_STREQ(failure.what(), "Invalid data type for 'StampOptions'\n"
                                     "Loading a menu file that holds the value repairs it.");
    }
}

TEST_F(WindowsRegistryTest, TextEndsAtTheFirstNul) {
    {
        auto key = m_registry.openKey(m_path);
        key->setValue("Cut", REG_SZ, std::string("before\0after", 12));
        key->commit();
    }
    const auto key = m_registry.openKey(m_path);
    EXPECT_EQ(SettingsKey(*key).readString("Cut"), "before");
}

// The registry gives names in an order of its own (Wine sorts them); only the set is fixed.
TEST_F(WindowsRegistryTest, EnumerationListsEveryValueOnceWithOwnWritesIncluded) {
    {
        auto key = m_registry.openKey(m_path);
        key->setValue("Zeta", REG_SZ, "z");
        key->setValue("alpha", REG_SZ, "a");
        key->setValue("Mid", REG_DWORD, dwordData(1));
        key->commit();
    }
    auto key = m_registry.openKey(m_path);
    EXPECT_EQ(sorted(key->valueNames()), (std::vector<std::string>{"Mid", "Zeta", "alpha"}));
    key->setValue("ALPHA", REG_SZ, "again"); // the same value: names ignore case
    key->setValue("New", REG_SZ, "n");
    EXPECT_EQ(sorted(key->valueNames()), (std::vector<std::string>{"Mid", "New", "Zeta", "alpha"}));
    EXPECT_EQ(key->value("alpha")->data, "again");
}

TEST_F(WindowsRegistryTest, WritesWaitForTheCommit) {
    auto key = m_registry.openKey(m_path);
    key->setValue("Pending", REG_SZ, "yes");
    EXPECT_EQ(key->value("Pending")->data, "yes");
    EXPECT_FALSE(raw("Pending"));
    EXPECT_FALSE(m_registry.openKey(m_path)->value("Pending"));
    key->commit();
    EXPECT_EQ(raw("Pending")->data, std::string("yes\0", 4));
}

TEST_F(WindowsRegistryTest, AKeyClosedWithoutCommitWritesNothing) {
    {
        auto key = m_registry.openKey(m_path);
        key->setValue("Kept", REG_SZ, "old");
        key->commit();
    }
    {
        auto key = m_registry.openKey(m_path);
        key->setValue("Kept", REG_SZ, "new");
        key->setValue("Added", REG_DWORD, dwordData(3));
    }
    EXPECT_EQ(raw("Kept")->data, std::string("old\0", 4));
    EXPECT_FALSE(raw("Added"));
}

TEST_F(WindowsRegistryTest, AFailureBeforeTheCloseWritesNothing) {
    {
        const auto opened = m_registry.openKey(m_path);
        SettingsKey key(*opened);
        key.writeString("Kept", "old");
        key.close();
    }
    EXPECT_THROW(m_registry.update(m_path,
                                   [](RegistryKey& key) {
                                       SettingsKey settings(key);
                                       settings.writeString("Kept", "new");
                                       settings.writeInteger("Added", 1);
                                       settings.readInteger("Missing");
                                   }),
                 Failure);
    EXPECT_EQ(raw("Kept")->data, std::string("old\0", 4));
    EXPECT_FALSE(raw("Added"));
}

TEST_F(WindowsRegistryTest, UpdateWritesWhatItsChangeSet) {
    m_registry.update(m_path, [](RegistryKey& key) {
        SettingsKey settings(key);
        if (!settings.valueExists("v"))
            settings.writeInteger("v", 2010);
        settings.close(); // commits with the update, not before
    });
    EXPECT_EQ(raw("v"), (RegistryValue{"v", REG_DWORD, dwordData(2010)}));
}

// Refused when set, so that the values set before it in the same commit stay unwritten.
TEST_F(WindowsRegistryTest, ANameTheRegistryWouldRefuseWritesNothing) {
    const std::string tooLong(16384, 'n'); // value names hold at most 16 383 characters
    try {
        m_registry.update(m_path, [&tooLong](RegistryKey& key) {
            key.setValue("Before", REG_SZ, "x");
            key.setValue(tooLong, REG_SZ, "x");
        });
        FAIL() << "the store took a value name of 16 384 characters";
    } catch (const Failure& failure) {
        EXPECT_TRUE(std::string(failure.what()).starts_with("Failed to set data for '" + tooLong));
    }
    EXPECT_FALSE(raw("Before"));
}

// A reader sees the values of one commit: those stored when it opened the key.
TEST_F(WindowsRegistryTest, AnOpenKeyReadsTheValuesOfItsOpening) {
    m_registry.update(m_path, [](RegistryKey& key) { key.setValue("Caption", REG_SZ, "old"); });
    const auto reader = m_registry.openKey(m_path);
    m_registry.update(m_path, [](RegistryKey& key) {
        key.setValue("Caption", REG_SZ, "new");
        key.setValue("Added", REG_SZ, "new");
    });
    EXPECT_EQ(reader->value("Caption")->data, "old");
    EXPECT_EQ(reader->valueNames(), std::vector<std::string>{"Caption"});
}

} // namespace
} // namespace quorvane
