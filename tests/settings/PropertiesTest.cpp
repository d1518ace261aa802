#include "settings/Properties.h"

#include "platform/Failure.h"
#include "settings/KeyPath.h"
#include "store/MemoryRegistry.h"

#include <gtest/gtest.h>

namespace quorvane {
namespace {

TEST(StampOptions, EachDateIsOneBit) {
    const struct {
        std::int32_t bits;
        StampDates dates;
    } cases[] = {
        {0, {false, false, false}}, {1, {true, false, false}}, {2, {false, true, false}},
        {4, {false, false, true}},  {7, {true, true, true}},   {5, {true, false, true}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(stampBits(c.dates), c.bits);
        EXPECT_EQ(stampDates(c.bits), c.dates) << c.bits;
    }
    // Bits the program never sets are not dates.
    EXPECT_EQ(stampDates(8), (StampDates{false, false, false}));
}

class StoredProperties : public testing::Test {
protected:
    MemoryRegistry registry;
    const std::string path{settingsKeyPath()};
};

TEST_F(StoredProperties, WhatIsNotStoredKeepsItsValueButStampTakesAllDates) {
    registry.setString(path, "AltPromptStart", "4dos");
    registry.setInteger(path, "AppendCRLF", 1);

    Properties read;
    read.dosPromptFile = "kept.bat";
    read.copyCrLf = true;
    read.stamp = {false, false, false};
    readProperties(registry, read);

    EXPECT_EQ(read.dosPromptFile, "kept.bat");
    EXPECT_EQ(read.altPromptStart, "4dos");
    EXPECT_TRUE(read.copyCrLf);
    EXPECT_TRUE(read.appendCrLf);
    EXPECT_EQ(read.stamp, StampDates{});
}

TEST_F(StoredProperties, AreWrittenInOneCommitInTheirOrderAndReadBack) {
    const Properties written{"p.bat", "alt.bat", "alt.com", "c.bat", {false, true, false},
                             true,    false,     true,      false};
    writeProperties(registry, written);

    EXPECT_EQ(registry.commits, 1);
    std::vector<std::string> names;
    for (const RegistryValue& v : registry.key(path))
        names.push_back(v.name);
    EXPECT_EQ(names, (std::vector<std::string>{"DOSPromptFile", "AltPromptFile", "AltPromptStart",
                                               "CPromptFile", "StampOptions", "CopyCRLF",
                                               "AppendCRLF", "AddPrePath", "AddFileExt"}));
    Properties read;
    readProperties(registry, read);
    EXPECT_EQ(read, written);
}

TEST_F(StoredProperties, AStampValueThatIsNoIntegerIsAFailure) {
    registry.setString(path, "StampOptions", "7");
    Properties read;
    EXPECT_THROW(readProperties(registry, read), Failure);
}

} // namespace
} // namespace quorvane
