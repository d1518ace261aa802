#include "menu/MenuWriter.h"

#include "menu/CommaText.h"
#include "menu/ShownMenu.h"
#include "settings/Schema.h"
#include "support/MenuFixture.h"

#include <map>

namespace quorvane::test {
namespace {

using MenuWriterTest = MenuFixture;

struct WriteCase {
    const char* name;
    std::string loaded;
    std::string written;
    std::map<int, std::vector<std::string>> lists; // the lists not left empty
};

class Writes : public MenuFixture, public ::testing::WithParamInterface<WriteCase> {};

TEST_P(Writes, MenuStringAndItemLists) {
    set(value::extItems, "exe");
    set(value::sendItems, "s,t");
    set(value::sendDirItems, R"("This is an unset Send To Item",u)");
    load(GetParam().loaded);
    ItemLists lists;
    lists[3] = {"left over from an earlier write"};
    EXPECT_EQ(menuString(tree, lists), GetParam().written);
    for (std::size_t i = 0; i < lists.size(); ++i) {
        const auto expected = GetParam().lists.find(static_cast<int>(i));
        EXPECT_EQ(lists[i], expected == GetParam().lists.end() ? std::vector<std::string>{}
                                                               : expected->second)
            << value::itemLists[i];
    }
    // What Apply stores: the same menu string, each list written in full, the same captions.
    const StoredTexts texts = storedTexts(tree, source);
    EXPECT_EQ(texts.menu, GetParam().written);
    for (std::size_t i = 0; i < lists.size(); ++i)
        EXPECT_EQ(texts.lists[i], writeItemList(lists[i], std::string::npos))
            << value::itemLists[i];
    EXPECT_EQ(texts.captions, operationCaptions(source, tree));
    EXPECT_EQ(texts.numberedSubmenu, nullptr);
}

INSTANTIATE_TEST_SUITE_P(
    Trees, Writes,
    ::testing::Values(
        WriteCase{"RootAlone", "", R"("-2")", {}},
        WriteCase{
            "Example", "Explore,0,1,-2,-1,16", R"("Explore","0","1","-2","-1","16","-2")", {}},
        WriteCase{"MoveToItem", "-6", R"("-6","-2")", {{1, {"Drive A:"}}, {5, {"a:\\"}}}},
        WriteCase{"EmptySubmenusSkipped", "Empty,-2,5,Other,-2", R"("5","-2")", {}},
        // A submenu that holds nothing but empty submenus, at any depth, is empty too.
        WriteCase{"SubmenusOfEmptySubmenusSkipped",
                  "Outer,Inner,-2,-2,A,B,C,-2,-2,D,-2,-2,5",
                  R"("5","-2")",
                  {}},
        WriteCase{"OnlyEmptySubmenus", "A,B,-2,-2,C,-2", R"("-2")", {}},
        WriteCase{
            "QuotesDoubled", R"("Say ""hi"", ok",0)", R"("Say ""hi"", ok","0","-2","-2")", {}},
        WriteCase{"ListsInMenuStringOrder",
                  "-9,S,-6,-5,-2,-6,-9",
                  R"("-9","S","-6","-5","-2","-6","-9","-2")",
                  {{0, {"exe"}},
                   {1, {"Drive A:", "db-click to set directory"}},
                   {5, {"a:\\", "Unset Move Item"}},
                   {4, {"s", "t"}},
                   {8, {"This is an unset Send To Item", "u"}}}}),
    [](const auto& info) { return std::string(info.param.name); });

// A submenu whose caption reads as a number would come back as a code: the first one the menu
// string would hold is the one to name. An empty submenu is not written, so it does not count.
TEST_F(MenuWriterTest, NumberedSubmenuIsTheFirstWrittenInTreeOrder) {
    load("Outer,Empty,-2,Inner,3,-2,Later,4,-2,-2");
    const char* const captions[] = {"Outer", "12", " $1f", "7"};
    int i = 0;
    for (MenuNode* node : tree.inTreeOrder())
        if (node->record()->kind == Kind::Submenu)
            tree.rename(node, captions[i++]);
    ASSERT_EQ(i, 4);
    const StoredTexts texts = storedTexts(tree, source);
    ASSERT_NE(texts.numberedSubmenu, nullptr);
    EXPECT_EQ(texts.numberedSubmenu->caption(), " $1f");
    EXPECT_EQ(texts.menu, R"("Outer"," $1f","3","-2","7","4","-2","-2","-2")");
}

TEST_F(MenuWriterTest, OperationCaptionPrefersTheListThenTheLastMatch) {
    const auto op = [this](int n, std::string caption) {
        tree.addLastChild(tree.root(), std::move(caption), pool.operationRecord(n));
    };
    op(1, "tree 1");
    op(2, "tree 2a");
    op(2, "tree 2b");
    op(3, "tree 3");
    op(5, "tree 5");
    source.append("New SubMenu", pool.prototype(Kind::Submenu));
    source.append("list 3", pool.operationRecord(3));
    source.append("list 4a", pool.operationRecord(4));
    source.append("list 4b", pool.operationRecord(4));
    source.append("", pool.operationRecord(5));
    const std::map<int, std::string> expected{{0, ""},       {1, "tree 1"},  {2, "tree 2b"},
                                              {3, "list 3"}, {4, "list 4b"}, {5, "tree 5"}};
    const auto stored = storedTexts(tree, source).captions;
    for (const auto& [n, caption] : expected) {
        EXPECT_EQ(operationCaption(source, tree, n), caption) << n;
        EXPECT_EQ(stored[static_cast<std::size_t>(n)], caption) << n;
    }
}

TEST_F(MenuWriterTest, SubmenuHoldingOnlyAnEmptyOneVanishesAtTheFirstApply) {
    load("0,Outer,Inner");
    apply();
    load("", LoadMode::Stored);
    EXPECT_EQ(outline(tree), "0:Explore From Here");
}

// A numbered caption on a submenu that is not written, because it holds only empty submenus,
// does no harm.
TEST_F(MenuWriterTest, NumberedSubmenuOfEmptySubmenusDoesNotCount) {
    load("A,B,-2,-2,C,3,-2");
    tree.rename(tree.root()->child(0), "12");
    const StoredTexts texts = storedTexts(tree, source);
    EXPECT_EQ(texts.numberedSubmenu, nullptr);
    EXPECT_EQ(texts.menu, R"("C","3","-2","-2")");
}

// The preview (shownMenu) and the writer leave out the same submenus: what is stored reads back
// as the preview showed it, and never holds an empty submenu.
TEST_F(MenuWriterTest, StoredMenuIsWhatThePreviewShowsWithoutEmptySubmenus) {
    std::uint32_t seed = 777;
    const auto random = [&seed](std::size_t below) {
        seed = seed * 1103515245u + 12345u;
        return static_cast<std::size_t>((seed >> 16) % below);
    };
    for (int round = 0; round < 60; ++round) {
        load("");
        std::vector<MenuNode*> parents{tree.root()};
        for (int i = 0; i < 20; ++i) {
            MenuNode* parent = parents[random(parents.size())];
            if (random(4) == 0)
                tree.addLastChild(parent, "<separator>", pool.prototype(Kind::Separator));
            else
                parents.push_back(
                    tree.addLastChild(parent, "S" + std::to_string(i), pool.loadedSubmenuRecord()));
        }
        const ShownMenu preview = shownMenu(*tree.root());
        apply();
        load("", LoadMode::Stored);
        ASSERT_EQ(shownMenu(*tree.root()), preview) << "round " << round;
        for (const MenuNode* node : tree.inTreeOrder())
            ASSERT_TRUE(node->record()->kind != Kind::Submenu || node->childCount() > 0)
                << "round " << round << ": " << node->caption();
    }
}

// Trees without empty submenus come back from Apply and a load exactly as they were.
TEST_F(MenuWriterTest, LoadGivesBackWhatWasWritten) {
    const std::vector<std::string> texts{"Sub", "a, b", R"(say "hi")", "", " lead", "C:\\x"};
    const Kind itemKinds[] = {Kind::Extension, Kind::MoveTo, Kind::CopyTo, Kind::RunOpen,
                              Kind::SendTo};
    std::uint32_t seed = 12345;
    const auto random = [&seed](std::size_t below) {
        seed = seed * 1103515245u + 12345u;
        return static_cast<std::size_t>((seed >> 16) % below);
    };
    for (int round = 0; round < 40; ++round) {
        load("");
        std::vector<MenuNode*> parents{tree.root()};
        for (int i = 0; i < 30; ++i) {
            MenuNode* parent = parents[random(parents.size())];
            const std::string text = texts[random(texts.size())];
            const std::size_t n = random(operationCount);
            switch (random(4)) {
            case 0:
                parents.push_back(tree.addLastChild(parent, text, pool.loadedSubmenuRecord()));
                break;
            case 1: // moved over from the list, as a drop does
                for (int row = 7; row < source.size(); ++row)
                    if (source.at(row).record->code == static_cast<int>(n)) {
                        tree.addLastChild(parent, text + "!", source.at(row).record);
                        source.remove(row);
                    }
                break;
            case 2:
                tree.addLastChild(parent, text, pool.prototype(Kind::Separator));
                break;
            default:
                const Kind kind = itemKinds[n % 5];
                tree.addLastChild(parent, text,
                                  kind == Kind::Extension
                                      ? pool.prototype(kind)
                                      : pool.copyOf(*pool.prototype(kind), texts[n % 6]));
            }
        }
        for (MenuNode* node : parents)
            if (node != tree.root() && node->childCount() == 0)
                tree.addLastChild(node, "<separator>", pool.prototype(Kind::Separator));
        const std::string written = outline(tree);
        const auto listed = listedOperations(source);

        apply();
        load("", LoadMode::Stored);
        ASSERT_EQ(outline(tree), written) << "round " << round;
        ASSERT_EQ(listedOperations(source), listed) << "round " << round;
    }
}

TEST_F(MenuWriterTest, DeepTreeIsWrittenWhole) {
    constexpr int depth = 5000;
    MenuNode* node = tree.root();
    for (int level = 0; level < depth; ++level)
        node = tree.addLastChild(node, "d", pool.loadedSubmenuRecord());
    tree.addLastChild(node, "", pool.operationRecord(7));
    std::string expected;
    for (int level = 0; level < depth; ++level)
        expected += R"("d",)";
    expected += R"("7",)";
    for (int level = 0; level <= depth; ++level)
        expected += R"("-2",)";
    expected.pop_back();
    ItemLists lists;
    EXPECT_EQ(menuString(tree, lists), expected);
}

} // namespace
} // namespace quorvane::test
