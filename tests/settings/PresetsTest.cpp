#include "settings/Presets.h"

#include "settings/KeyPath.h"
#include "support/MemoryRegistry.h"

#include <gtest/gtest.h>

namespace quorvane {
namespace {

class PresetsTest : public ::testing::Test {
protected:
    std::string stored(std::string_view name) {
        const auto* v = registry.find(path, name);
        return v ? v->data : "(missing)";
    }

    test::MemoryRegistry registry;
    const std::string path = settingsKeyPath();
};

// With empty lists every preset fills them with their defaults; the strings are then exactly
// those the extension was shipped with.
TEST_F(PresetsTest, PresetsOnEmptyListsGiveTheShippedMenus) {
    EXPECT_EQ(defaultMenu(registry),
              R"("Explore",0,1,-2,"Move To",-6,-6,-1,19,13,-2,"Copy To",-7,-7,-1,20,14,-2,)"
              R"("Extension",-5,-5,-5,-1,12,-2,"Clipboard",2,10,-2,-1,5,-1,16,-1,7,-1,8,-2)");
    EXPECT_EQ(compactMenu(registry),
              R"("Move To",-6,-6,-1,13,-2,"Copy To",-7,-7,-1,14,-2,0,2,5,7,8,-1,16,-2)");
    EXPECT_EQ(allMenu(registry),
              R"("Explore",0,1,-2,"Run/Open",-8,-8,-1,15,-2,"Move To",-6,-6,-1,19,13,-2,)"
              R"("Copy To",-7,-7,-1,20,14,-2,"Extension",-5,-5,-5,-1,12,-2,)"
              R"("Clipboard",2,10,3,11,-1,4,-2,"Prompt",5,9,6,-2,-1,17,-1,16,-1,7,-1,8,-2)");
}

TEST_F(PresetsTest, EmptyListGetsDefaultsWrittenAtOnce) {
    registry.setString(path, "MoveItems", "");
    registry.setString(path, "MoveDirItems", "");
    defaultMenu(registry);
    EXPECT_EQ(stored("MoveItems"), R"("Drive A:","db-click to set directory")");
    EXPECT_EQ(stored("MoveDirItems"), R"(a:\,"Unset Move Item")");
    EXPECT_EQ(stored("TheMenu"), "(missing)");
    // Compact holds no extension items, so it leaves their list alone.
    test::MemoryRegistry fresh;
    compactMenu(fresh);
    EXPECT_EQ(fresh.find(path, "ExtItems"), nullptr);
    EXPECT_EQ(fresh.find(path, "FileItems"), nullptr);
}

TEST_F(PresetsTest, StoredItemsGiveOneCodeEach) {
    registry.setString(path, "CopyItems", "a,b,c,d,e");
    registry.setString(path, "ExtItems", "bat");
    registry.setString(path, "MoveItems", R"("")");
    const std::string menu = defaultMenu(registry);
    EXPECT_NE(menu.find(R"("Copy To",-7,-7,-7,-7,-7,-1,20,14,-2)"), std::string::npos) << menu;
    EXPECT_NE(menu.find(R"("Extension",-5,-1,12,-2)"), std::string::npos) << menu;
    EXPECT_NE(menu.find(R"("Move To",-6,-1,19)"), std::string::npos) << menu;
    EXPECT_NE(compactMenu(registry).find(R"("Copy To",-7,-7,-7,-7,-7,-1,14,-2)"),
              std::string::npos);
    EXPECT_NE(allMenu(registry).find(R"("Copy To",-7,-7,-7,-7,-7,-1,20,14,-2)"), std::string::npos);
    EXPECT_EQ(stored("CopyItems"), "a,b,c,d,e");
}

} // namespace
} // namespace quorvane
