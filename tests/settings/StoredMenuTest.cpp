#include "settings/StoredMenu.h"

#include "platform/Failure.h"
#include "settings/Properties.h"
#include "settings/Schema.h"
#include "settings/SettingsKey.h"
#include "store/HiveRegistry.h"
#include "store/ReadOnlyRegistry.h"
#include "support/LockHolder.h"
#include "support/MenuFixture.h"
#include "support/TestFiles.h"

namespace quorvane::test {
namespace {

std::string outline(const std::vector<ShownEntry>& entries) {
    std::string text;
    for (const ShownEntry& entry : entries) {
        text += text.empty() ? "" : "|";
        if (entry.kind == Kind::Submenu)
            text += entry.caption + "{" + outline(entry.entries) + "}";
        else if (entry.kind == Kind::Separator)
            text += "-";
        else if (entry.kind == Kind::Operation)
            text += std::to_string(entry.operation) + ":" + entry.caption;
        else
            text += std::to_string(static_cast<int>(entry.kind)) + ":" + entry.caption +
                    (hasTarget(entry.kind) ? ">" + entry.target : "");
    }
    return text;
}

struct ShownCase {
    const char* name;
    std::string menu;
    std::string shown;
};

class Shown : public MenuFixture, public ::testing::WithParamInterface<ShownCase> {};

// What the extension shows from the stored menu, and that it is what the editor's tree shows
// once Apply has stored it: empty submenus gone at every depth either way.
TEST_P(Shown, FromTheStoreAndFromTheAppliedTree) {
    set(value::theMenu, GetParam().menu);
    EXPECT_EQ(outline(readShownMenu(registry).entries), GetParam().shown);

    load(GetParam().menu);
    const ShownMenu fromTree = shownMenu(*tree.root());
    apply();
    EXPECT_EQ(readShownMenu(registry), fromTree);
}

INSTANTIATE_TEST_SUITE_P(
    MenuStrings, Shown,
    ::testing::Values(
        ShownCase{"Empty", "", ""},
        ShownCase{"EmptySubmenuLeftOut", "A,-2,0,-2", "0:Explore From Here"},
        ShownCase{"SubmenuOfEmptySubmenusLeftOut", "A,B,-2,C,-2,-2,1", "1:Open Container"},
        ShownCase{"SubmenuKeptForOneEntry", "A,B,-2,-1,-2,-2", "A{-}"},
        ShownCase{"TrailingCaptionIsNoSubmenu", "5,S", "5:DOS Prompt"},
        ShownCase{"Nested", R"("Clip","2","Deep","10","-2","-2","-1","16")",
                  "Clip{2:Copy Name|Deep{10:Append Name}}|-|16:Remove!!"},
        ShownCase{"ItemsWithTargets", "-6,-5,-9,-8,-7",
                  R"(5:Drive A:>a:\|4:exe|8:Send Item>SendDIR|7:Drive A:>a:\|6:Drive A>a:\)"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(MenuFixture, AStoredMenuThatDoesNotReadIsTheLoadsFailure) {
    for (const char* menu : {"0,-4", "0,12345", "-6,-6,-6"}) {
        set(value::moveItems, "a,b,c");
        set(value::moveDirItems, "x,y");
        set(value::theMenu, menu);
        try {
            readShownMenu(registry);
            ADD_FAILURE() << menu << " was read";
        } catch (const Failure& failure) {
            EXPECT_STREQ(failure.what(), "List index out of bounds") << menu;
        }
    }
    set(value::theMenu, "0");
    registry.setInteger(path, value::extItems, 3);
    EXPECT_THROW(readShownMenu(registry), Failure);
}

// The extension reads while the program may be in the middle of a commit: it must neither wait
// for the lock nor create anything, also when the key or the whole file is missing.
TEST(ReadOnlyRegistry, ReadsWithoutTheLockAndWritesNothing) {
    TempFolder folder;
    const auto hive = folder / "HKEY_CLASSES_ROOT.reg";
    HiveRegistry store(hive, {}, std::chrono::milliseconds(10));
    ReadOnlyRegistry reader(store);
    // A plain open and close of a missing key would create it.
    Properties unlocked;
    readProperties(reader, unlocked);
    EXPECT_FALSE(readBytes(hive).has_value());
    {
        LockHolder holder(hive);
        EXPECT_TRUE(readShownMenu(reader).entries.empty());
        Properties properties;
        readProperties(reader, properties);
        EXPECT_TRUE(properties.stamp.creation);
        EXPECT_FALSE(readBytes(hive).has_value());
    }
    writeProperties(store, Properties{});
    const auto before = readBytes(hive);
    {
        LockHolder holder(hive);
        Properties properties;
        properties.copyCrLf = true;
        readProperties(reader, properties);
        EXPECT_FALSE(properties.copyCrLf);
        SettingsKey key(reader);
        EXPECT_THROW(key.writeString(value::theMenu, "0"), Failure);
    }
    EXPECT_EQ(readBytes(hive), before);
}

} // namespace
} // namespace quorvane::test
