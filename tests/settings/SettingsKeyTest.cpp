#include "settings/SettingsKey.h"

#include "platform/Failure.h"
#include "settings/KeyPath.h"
#include "support/MemoryRegistry.h"

#include <gtest/gtest.h>

namespace quorvane {
namespace {

class SettingsKeyTest : public ::testing::Test {
protected:
    void SetUp() override {
        registry.setString(path, "Text", "hello");
        registry.setString(path, "WithNul", std::string("ab\0cd", 5));
        registry.setInteger(path, "Number", -5);
        registry.setInteger(path, "Zero", 0);
        registry.key(path).push_back({"Blob", regtype::binary, "\x01\x02"});
        registry.key(path).push_back({"Expand", regtype::expandSz, "%PATH%"});
    }

    static std::string failureText(const std::function<void()>& operation) {
        try {
            operation();
        } catch (const Failure& failure) {
            return failure.what();
        }
        return "(no failure)";
    }

    test::MemoryRegistry registry;
    const std::string path = settingsKeyPath();
};

TEST_F(SettingsKeyTest, ReadsByType) {
    SettingsKey key(registry);
    EXPECT_EQ(key.readString("Text"), "hello");
    EXPECT_EQ(key.readString("WithNul"), "ab");
    EXPECT_EQ(key.readString("Expand"), "%PATH%");
    EXPECT_EQ(key.readString("Missing"), "");
    EXPECT_EQ(key.readInteger("Number"), -5);
    EXPECT_TRUE(key.readBool("Number"));
    EXPECT_FALSE(key.readBool("Zero"));
}

TEST_F(SettingsKeyTest, FailuresCarryTheirExactTexts) {
    SettingsKey key(registry);
    struct Row {
        std::function<void()> operation;
        std::string text;
    };
    const Row rows[] = {
        {[&] { key.readInteger("Missing"); }, "Failed to get data for 'Missing'"},
        {[&] { key.readBool("Missing"); }, "Failed to get data for 'Missing'"},
        {[&] { key.readInteger("Text"); }, "Invalid data type for 'Text'"},
        {[&] { key.readInteger("Blob"); }, "Invalid data type for 'Blob'"},
        {[&] { key.readString("Number"); }, "Invalid data type for 'Number'"},
        {[&] { key.readString("Blob"); }, "Invalid data type for 'Blob'"},
    };
    for (const auto& row : rows)
        EXPECT_EQ(failureText(row.operation),
                  row.text + "\nLoading a menu file that holds the value repairs it.");
}

TEST_F(SettingsKeyTest, TypesAndExistence) {
    SettingsKey key(registry);
    EXPECT_EQ(key.valueType("Text"), ValueType::String);
    EXPECT_EQ(key.valueType("Expand"), ValueType::String);
    EXPECT_EQ(key.valueType("Number"), ValueType::Integer);
    EXPECT_EQ(key.valueType("Blob"), ValueType::Other);
    EXPECT_EQ(key.valueType("Missing"), ValueType::Missing);
    EXPECT_TRUE(key.valueExists("Zero"));
    EXPECT_FALSE(key.valueExists("Missing"));
    EXPECT_EQ(key.valueNames(),
              (std::vector<std::string>{"Text", "WithNul", "Number", "Zero", "Blob", "Expand"}));
}

TEST_F(SettingsKeyTest, WritesAreSeenByTheKeyAndPublishedOnlyByClose) {
    {
        SettingsKey key(registry);
        key.writeString("Text", "changed");
        key.writeInteger("Number", 2010);
        key.writeBool("Flag", true);
        EXPECT_EQ(key.readString("Text"), "changed");
        EXPECT_EQ(key.readInteger("Number"), 2010);
        EXPECT_TRUE(key.readBool("Flag"));
        EXPECT_EQ(registry.find(path, "Text")->data, "hello");
        key.close();
    }
    SettingsKey again(registry);
    EXPECT_EQ(again.readString("Text"), "changed");
    EXPECT_EQ(again.readInteger("Number"), 2010);
    EXPECT_EQ(again.readInteger("Flag"), 1);
    // A rewrite keeps the value's place; a new value comes last.
    EXPECT_EQ(again.valueNames().front(), "Text");
    EXPECT_EQ(again.valueNames().back(), "Flag");
}

TEST_F(SettingsKeyTest, KeyLeftWithoutCloseWritesNothing) {
    {
        SettingsKey key(registry);
        key.writeString("Text", "lost");
        key.writeBool("Other", false);
    }
    EXPECT_EQ(registry.commits, 0);
    EXPECT_EQ(registry.find(path, "Text")->data, "hello");
    EXPECT_EQ(registry.find(path, "Other"), nullptr);
}

TEST_F(SettingsKeyTest, IntegersKeepTheirSignAcrossTheRange) {
    SettingsKey key(registry);
    for (std::int32_t v : {0, 1, -1, 2010, 2147483647, -2147483647 - 1}) {
        key.writeInteger("N", v);
        EXPECT_EQ(key.readInteger("N"), v);
    }
    key.writeBool("B", false);
    EXPECT_EQ(key.readInteger("B"), 0);
}

} // namespace
} // namespace quorvane
