#include "settings/ItemLists.h"

#include "settings/KeyPath.h"
#include "support/MemoryRegistry.h"

#include <gtest/gtest.h>

namespace quorvane {
namespace {

class ItemListsTest : public ::testing::Test {
protected:
    const RegistryValue* find(std::string_view name) { return registry.find(path, name); }

    test::MemoryRegistry registry;
    const std::string path = settingsKeyPath();
};

TEST_F(ItemListsTest, EmptyListWithoutDefaultWritesNothingAndGivesNoCodes) {
    EXPECT_EQ(ensureItemList(registry, "ExtItems", "", -5), "");
    EXPECT_EQ(ensureItemPair(registry, "MoveItems", "MoveDirItems", "", "x", -6), "");
    EXPECT_EQ(find("ExtItems"), nullptr);
    EXPECT_EQ(find("MoveItems"), nullptr);
    EXPECT_EQ(find("MoveDirItems"), nullptr);
}

TEST_F(ItemListsTest, EmptyListGetsItsDefaultsWrittenAtOnce) {
    const std::string captions = R"("Drive A:","db-click to set directory")";
    const std::string targets = R"(a:\,"Unset Move Item")";
    EXPECT_EQ(ensureItemPair(registry, "MoveItems", "MoveDirItems", captions, targets, -6),
              "-6,-6");
    ASSERT_NE(find("MoveItems"), nullptr);
    EXPECT_EQ(find("MoveItems")->data, captions);
    EXPECT_EQ(find("MoveDirItems")->data, targets);

    EXPECT_EQ(ensureItemList(registry, "ExtItems", R"("exe","txt","doc")", -5), "-5,-5,-5");
    EXPECT_EQ(find("ExtItems")->data, R"("exe","txt","doc")");
}

TEST_F(ItemListsTest, StoredEmptyTextCountsAsEmptyList) {
    registry.setString(path, "CopyItems", "");
    EXPECT_EQ(ensureItemPair(registry, "CopyItems", "CopyDirItems", "a", "b", -7), "-7");
    EXPECT_EQ(find("CopyItems")->data, "a");
}

TEST_F(ItemListsTest, FilledListIsKeptWhateverItsTargetsHold) {
    registry.setString(path, "CopyItems", "one,two,three,four,five");
    registry.setString(path, "CopyDirItems", "");
    const int before = registry.commits;
    EXPECT_EQ(ensureItemPair(registry, "CopyItems", "CopyDirItems", "d", "t", -7),
              "-7,-7,-7,-7,-7");
    EXPECT_EQ(find("CopyItems")->data, "one,two,three,four,five");
    EXPECT_EQ(find("CopyDirItems")->data, "");
    // Opening and closing is fine; publishing a change is not.
    EXPECT_LE(registry.commits - before, 1);
}

TEST_F(ItemListsTest, OneEmptyEntryIsAnEntry) {
    registry.setString(path, "SendItems", R"("")");
    EXPECT_EQ(ensureItemPair(registry, "SendItems", "SendDirItems", "x", "y", -9), "-9");
    EXPECT_EQ(find("SendItems")->data, R"("")");
}

} // namespace
} // namespace quorvane
