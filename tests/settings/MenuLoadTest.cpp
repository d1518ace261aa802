#include "settings/Schema.h"
#include "settings/SettingsKey.h"
#include "support/MenuFixture.h"

namespace quorvane::test {
namespace {

using MenuLoadTest = MenuFixture;

struct BuildCase {
    const char* name;
    std::string menu;
    std::string outline;
};

class Builds : public MenuFixture, public ::testing::WithParamInterface<BuildCase> {};

TEST_P(Builds, Tree) {
    load(GetParam().menu);
    EXPECT_EQ(outline(tree), GetParam().outline);
}

INSTANTIATE_TEST_SUITE_P(
    MenuStrings, Builds,
    ::testing::Values(
        BuildCase{"Empty", "", ""},
        BuildCase{"Example", R"("Explore","0","1","-2","-1","16","-2")",
                  "Explore{0:Explore From Here|1:Open Container}|-|16:Remove!!"},
        BuildCase{"BareCaption", "Prompt,5,-2,-2", "Prompt{5:DOS Prompt}"},
        BuildCase{"LeadingSpaceIsStillANumber", R"(" 7",-2)", "7:Target Properties"},
        BuildCase{"TrailingSpaceMakesACaption", R"("7 ",-2)", "7 {}"},
        BuildCase{"Hex", "$10", "16:Remove!!"},
        BuildCase{"OutOfRangeNumberIsACaption", "2147483648", "2147483648{}"},
        BuildCase{"TrailingCommaOpensEmptySubmenu", "5,", "5:DOS Prompt|{}"},
        BuildCase{"MissingFinalEnds", "A,B,0", "A{B{0:Explore From Here}}"},
        BuildCase{"TokensAfterTheEndIgnored", "0,-2,1,-99", "0:Explore From Here"},
        BuildCase{"OperationTwiceSecondUncaptioned", "2,S,2,-2", "2:Copy Name|S{2:}"},
        BuildCase{"SurplusTokensDropped", "-6,-6,-6,-9,-9",
                  R"(move:Drive A:>a:\|move:db-click to set directory>Unset Move Item|)"
                  "send:Send Item>SendDIR"},
        BuildCase{"BindingFollowsTextOrderAcrossNesting", "S,T,-6,-5,-2,-2,-6,-5,-7,-8",
                  R"(S{T{move:Drive A:>a:\|ext:exe}}|)"
                  R"(move:db-click to set directory>Unset Move Item|ext:txt|)"
                  R"(copy:Drive A>a:\|run:Drive A:>a:\)"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(MenuLoadTest, StopsWhereItFailsKeepingWhatWasBuilt) {
    struct Row {
        std::string menu;
        std::string built;
    };
    const Row rows[] = {
        {"0,S,-4,1", "0:Explore From Here|S{}"},
        {"21", ""},
        {"-10", ""},
        {"$7FFFFFFF", ""},
        {"-2147483648", ""},
        // The third Move To reaches past the two targets.
        {"-6,-6,0,-6,1", R"(move:a>x|move:b>y|0:Explore From Here)"},
    };
    set(value::moveItems, "a,b,c");
    set(value::moveDirItems, "x,y");
    for (const Row& row : rows) {
        EXPECT_EQ(loadFailure(row.menu), "List index out of bounds") << row.menu;
        EXPECT_EQ(outline(tree), row.built) << row.menu;
        EXPECT_EQ(source.size(), 7) << row.menu; // nothing listed after a stopped build
    }
}

TEST_F(MenuLoadTest, ItemsAvailableLimitsOnlyTheList) {
    const std::string forItemsAvailable =
        " for 'ItemsAvailable'\nLoading a menu file that holds the value repairs it.";
    struct Row {
        std::string stored;
        std::string failure;
        std::string tree;
        int listSize;
    };
    const Row rows[] = {
        {"(missing)", "'' is not a valid integer value" + forItemsAvailable, "", 7},
        {"abc", "'abc' is not a valid integer value" + forItemsAvailable, "", 7},
        {"21 ", "'21 ' is not a valid integer value" + forItemsAvailable, "", 7},
        {"0", "", "17:Stamp", 7},
        {"-1", "", "17:Stamp", 7},
        {"5", "", "17:Stamp", 7 + 5},
        {" +$15", "", "17:Stamp", 7 + 20},
        {"22", "List index out of bounds", "17:Stamp", 7 + 20},
    };
    for (const Row& row : rows) {
        unset(value::itemsAvailable);
        if (row.stored != "(missing)")
            set(value::itemsAvailable, row.stored);
        EXPECT_EQ(loadFailure("17"), row.failure) << row.stored;
        EXPECT_EQ(outline(tree), row.tree) << row.stored;
        EXPECT_EQ(source.size(), row.listSize) << row.stored;
    }
}

TEST_F(MenuLoadTest, EachOperationIsInTheTreeOrTheListNotBoth) {
    set(operations()[3].valueName, "");
    set(operations()[4].valueName, "");
    set(value::itemsAvailable, "6");
    const LoadedView view = load("0,4");
    EXPECT_EQ(outline(tree), "0:Explore From Here|4:");
    EXPECT_EQ(listedOperations(source),
              (std::vector<std::string>{"Open Container", "Copy Name", "DOS Prompt"}));
    EXPECT_EQ(source.at(7).record->code, 1);
    EXPECT_EQ(view.expand, tree.root());
    EXPECT_EQ(view.select, tree.root());
}

TEST_F(MenuLoadTest, RecordsAreSharedOnlyWhereTheyMayBe) {
    load("-1,-1,-5,-5,-6,-6,S,-2");
    const MenuNode* root = tree.root();
    EXPECT_EQ(root->record()->code, code::root);
    for (int row = 0; row < 7; ++row)
        EXPECT_EQ(source.at(row).record, pool.prototype(kindEntries[row].kind));
    for (int row : {0, 1})
        EXPECT_EQ(root->child(row)->record(), pool.prototype(Kind::Separator));
    for (int row : {2, 3})
        EXPECT_EQ(root->child(row)->record(), pool.prototype(Kind::Extension));
    EXPECT_NE(root->child(4)->record(), root->child(5)->record());
    EXPECT_NE(root->child(4)->record(), pool.prototype(Kind::MoveTo));
    EXPECT_EQ(pool.prototype(Kind::MoveTo)->descriptionOrTarget, "This is an unset Move To Item");
    EXPECT_EQ(root->child(6)->record()->code, code::submenu);
}

TEST_F(MenuLoadTest, FirstRunIsReadAndTheLoadWritesNothing) {
    unset(value::itemsAvailable);
    const auto firstRun = [](Registry& store) {
        SettingsKey key(store);
        key.writeString(value::itemsAvailable, "2");
        key.writeString(value::theMenu, "1");
        key.close();
    };
    load("2", LoadMode::Stored, firstRun);
    EXPECT_EQ(outline(tree), "1:Open Container");
    EXPECT_EQ(listedOperations(source), std::vector<std::string>{"Explore From Here"});

    const auto before = registry.key(path);
    load("2", LoadMode::Given);
    EXPECT_EQ(outline(tree), "2:Copy Name");
    loadFailure("-4");
    EXPECT_EQ(registry.key(path), before);
}

TEST_F(MenuLoadTest, DeepNestingWithinTheTextLimit) {
    std::string menu;
    while (menu.size() + 2 <= 4095)
        menu += "a,";
    load(menu);
    int depth = 0;
    for (const MenuNode* node = tree.root(); node->childCount() > 0; node = node->child(0))
        ++depth;
    // 2047 captions, and after the final comma one more submenu with an empty caption.
    EXPECT_EQ(depth, 2048);
}

} // namespace
} // namespace quorvane::test
