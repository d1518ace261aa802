#include "rules/TreeEditing.h"

#include "support/MenuFixture.h"

#include <gtest/gtest.h>
#include <map>
#include <set>

namespace quorvane {
namespace {

class TreeEditingTest : public test::MenuFixture {
protected:
    void SetUp() override {
        load(R"("Tools",5,"Deep",17,-2,-2,"Empty",-2,-1,16,-6,-2)");
        ASSERT_EQ(test::outline(tree),
                  "Tools{5:DOS Prompt|Deep{17:Stamp}}|Empty{}|-|16:Remove!!|move:Drive A:>a:\\");
    }

    // The node with this caption (first in tree order).
    MenuNode* node(std::string_view caption) {
        for (MenuNode* n : tree.inTreeOrder())
            if (n->caption() == caption)
                return n;
        ADD_FAILURE() << "no node " << caption;
        return nullptr;
    }
    int row(std::string_view caption) {
        for (int r = 0; r < source.size(); ++r)
            if (source.at(r).caption == caption)
                return r;
        return -1;
    }
    void selectOnly(std::initializer_list<std::string_view> captions) {
        for (int r = 0; r < source.size(); ++r)
            source.setSelected(r, false);
        for (auto caption : captions)
            source.setSelected(row(caption), true);
    }
    std::vector<std::string> selectedEntries() {
        std::vector<std::string> captions;
        for (const auto& entry : source.entries())
            if (entry.selected)
                captions.push_back(entry.caption);
        return captions;
    }

    // Every operation is in exactly one place, by its own record.
    void expectEachOperationOnce() {
        std::map<int, int> places;
        std::set<const TAssoc*> records;
        for (const MenuNode* n : tree.inTreeOrder())
            if (n->record()->kind == Kind::Operation) {
                ++places[n->record()->code];
                EXPECT_TRUE(records.insert(n->record()).second);
            }
        for (const auto& entry : source.entries())
            if (entry.record->kind == Kind::Operation) {
                ++places[entry.record->code];
                EXPECT_TRUE(records.insert(entry.record).second);
            }
        EXPECT_EQ(places.size(), 21u);
        for (const auto& [code, count] : places)
            EXPECT_EQ(count, 1) << "operation " << code;
    }

    TreeEditing editing{tree, source, pool};
};

TEST_F(TreeEditingTest, EntriesDroppedOnALeafFollowItInListOrder) {
    selectOnly({"<separator>", "MoveTo Item", "Configure"});
    const EditView view = editing.insertSelected(node("Remove!!"), tree.root());
    EXPECT_EQ(test::outline(tree), "Tools{5:DOS Prompt|Deep{17:Stamp}}|Empty{}|-|16:Remove!!|-|"
                                   "move:MoveTo Item>This is an unset Move To Item|8:Configure|"
                                   "move:Drive A:>a:\\");
    EXPECT_EQ(view.select, node("Remove!!")->nextSibling());
    EXPECT_EQ(view.select->record()->kind, Kind::Separator);
    EXPECT_EQ(view.expand, nullptr);
    EXPECT_EQ(row("Configure"), -1);
    EXPECT_NE(row("<separator>"), -1);
    EXPECT_NE(row("MoveTo Item"), -1);
    expectEachOperationOnce();
}

TEST_F(TreeEditingTest, EntriesDroppedOnASubmenuBecomeItsFirstChildren) {
    selectOnly({"New SubMenu", "Extension Item", "Configure"});
    const EditView view = editing.insertSelected(node("Empty"), tree.root());
    EXPECT_EQ(test::outline(node("Empty")), "New SubMenu{}|ext:Extension Item|8:Configure");
    EXPECT_EQ(view.expand, node("Empty"));
    EXPECT_EQ(view.select, nullptr);
    // Submenu and extension nodes share the entry's record; the operation carries its own.
    EXPECT_EQ(node("New SubMenu")->record(), pool.prototype(Kind::Submenu));
    EXPECT_EQ(node("Extension Item")->record(), pool.prototype(Kind::Extension));
    expectEachOperationOnce();
}

TEST_F(TreeEditingTest, WithoutDropTargetOrOnABareRootTheFirstVisibleNodeIsTheTarget) {
    selectOnly({"Configure"});
    editing.insertSelected(nullptr, node("Tools"));
    EXPECT_EQ(node("Tools")->child(0)->caption(), "Configure");

    load("");
    selectOnly({"Stamp"});
    editing.insertSelected(nullptr, tree.root());
    EXPECT_EQ(test::outline(tree), "17:Stamp");
}

TEST_F(TreeEditingTest, ItemsWithTargetsGetRecordsOfTheirOwn) {
    selectOnly({"MoveTo Item"});
    editing.insertSelected(node("Empty"), tree.root());
    editing.insertSelected(node("Empty"), tree.root());
    MenuNode* first = node("Empty")->child(0);
    MenuNode* second = node("Empty")->child(1);
    ASSERT_NE(first->record(), second->record());
    first->record()->descriptionOrTarget = "/srv/archive";
    EXPECT_EQ(second->record()->descriptionOrTarget, "This is an unset Move To Item");
    EXPECT_EQ(pool.prototype(Kind::MoveTo)->descriptionOrTarget, "This is an unset Move To Item");
}

TEST_F(TreeEditingTest, RemovalReturnsOperationsInTreeOrderSelected) {
    selectOnly({"Configure"});
    editing.remove(node("Tools"));
    EXPECT_EQ(test::outline(tree), "Empty{}|-|16:Remove!!|move:Drive A:>a:\\");
    EXPECT_EQ(selectedEntries(), (std::vector<std::string>{"Configure", "DOS Prompt", "Stamp"}));
    expectEachOperationOnce();

    tree.rename(node("Remove!!"), "Wipe");
    editing.remove(node("Wipe"));
    EXPECT_EQ(source.at(source.size() - 1).caption, "Wipe");
    EXPECT_EQ(source.at(source.size() - 1).record->code, 16);
    for (const char* caption : {"Empty", "<separator>", "Drive A:"})
        editing.remove(node(caption));
    EXPECT_EQ(tree.root()->childCount(), 0);
    expectEachOperationOnce();
}

TEST_F(TreeEditingTest, RemovingTheRootEmptiesTheMenuButKeepsTheRoot) {
    MenuNode* root = tree.root();
    editing.remove(root);
    EXPECT_EQ(tree.root(), root);
    EXPECT_EQ(root->childCount(), 0);
    EXPECT_EQ(test::listedOperations(source).size(), 21u);
    expectEachOperationOnce();
}

using Where = DropPlace::Where;
const std::string unchangedMenu =
    "Tools{5:DOS Prompt|Deep{17:Stamp}}|Empty{}|-|16:Remove!!|move:Drive A:>a:\\";

// Every place a drag within the tree can point at: where the node lands, or that it is refused.
struct MoveCase {
    const char* name;
    const char* dragged;
    Where where;
    const char* target; // "" for the space below the last entry
    std::string outline;
    const char* selected; // node the view should select, or ""
    bool refused = false;
};

class Moves : public TreeEditingTest, public ::testing::WithParamInterface<MoveCase> {};

TEST_P(Moves, FollowTheSteps) {
    const auto& c = GetParam();
    const DropPlace place{c.where, *c.target ? node(c.target) : nullptr};
    MenuNode* dragged = node(c.dragged);
    EXPECT_EQ(editing.refuses(dragged, place), c.refused);
    const bool moves = editing.moves(dragged, place);
    const EditView view = editing.move(dragged, place);
    EXPECT_EQ(test::outline(tree), c.outline);
    EXPECT_EQ(moves, c.outline != unchangedMenu);
    if (*c.selected)
        EXPECT_EQ(view.select, node(c.selected));
    else
        EXPECT_EQ(view.select, nullptr);
    expectEachOperationOnce();
}

INSTANTIATE_TEST_SUITE_P(
    Places, Moves,
    ::testing::Values(
        MoveCase{"OntoItselfIsRefused", "Tools", Where::Into, "Tools", unchangedMenu, "", true},
        MoveCase{"OntoALeafEndsAfterIt", "Remove!!", Where::After, "DOS Prompt",
                 "Tools{5:DOS Prompt|16:Remove!!|Deep{17:Stamp}}|Empty{}|-|move:Drive A:>a:\\",
                 "DOS Prompt"},
        MoveCase{"OntoASubmenuBecomesFirstChild", "Drive A:", Where::Into, "Empty",
                 "Tools{5:DOS Prompt|Deep{17:Stamp}}|Empty{move:Drive A:>a:\\}|-|16:Remove!!", ""},
        MoveCase{"SubmenuIntoItsOwnSubmenuIsRefused", "Tools", Where::Into, "Deep", unchangedMenu,
                 "", true},
        MoveCase{"SubmenuOntoItsOwnEntryIsRefused", "Tools", Where::After, "Stamp", unchangedMenu,
                 "", true},
        MoveCase{"SubtreeTravelsWhole", "Deep", Where::After, "Remove!!",
                 "Tools{5:DOS Prompt}|Empty{}|-|16:Remove!!|Deep{17:Stamp}|move:Drive A:>a:\\",
                 "Remove!!"},
        MoveCase{"BelowTheLastEntryEndsTheTopLevel", "Stamp", Where::AtEnd, "",
                 "Tools{5:DOS Prompt|Deep{}}|Empty{}|-|16:Remove!!|move:Drive A:>a:\\|17:Stamp",
                 "Stamp"},
        MoveCase{"TheLastEntryBelowItselfStays", "Drive A:", Where::AtEnd, "", unchangedMenu, ""},
        MoveCase{"TheRootIsRefusedEverywhere", "Quorvane", Where::After, "Remove!!", unchangedMenu,
                 "", true}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(TreeEditingTest, EntriesDroppedBelowTheLastEntryEndTheTopLevelInListOrder) {
    selectOnly({"<separator>", "MoveTo Item", "Configure"});
    const EditView view = editing.insertSelected(DropPlace{Where::AtEnd, nullptr});
    EXPECT_EQ(test::outline(tree), "Tools{5:DOS Prompt|Deep{17:Stamp}}|Empty{}|-|16:Remove!!|"
                                   "move:Drive A:>a:\\|-|"
                                   "move:MoveTo Item>This is an unset Move To Item|8:Configure");
    EXPECT_EQ(view.select, tree.root()->child(tree.root()->childCount() - 3));
    EXPECT_EQ(row("Configure"), -1);
    expectEachOperationOnce();
}

TEST_F(TreeEditingTest, KeyboardStepsMoveOneStepOrNotAtAll) {
    using Step = TreeEditing::Step;
    const std::string unchanged =
        "Tools{5:DOS Prompt|Deep{17:Stamp}}|Empty{}|-|16:Remove!!|move:Drive A:>a:\\";
    const struct {
        const char* node;
        Step step;
        std::string outline;
    } cases[] = {
        {"Remove!!", Step::Up,
         "Tools{5:DOS Prompt|Deep{17:Stamp}}|Empty{}|16:Remove!!|-|move:Drive A:>a:\\"},
        {"Tools", Step::Up, unchanged},
        {"Empty", Step::Down,
         "Tools{5:DOS Prompt|Deep{17:Stamp}}|-|Empty{}|16:Remove!!|move:Drive A:>a:\\"},
        {"DOS Prompt", Step::Down,
         "Tools{Deep{17:Stamp}|5:DOS Prompt}|Empty{}|-|16:Remove!!|move:Drive A:>a:\\"},
        {"Drive A:", Step::Down, unchanged},
        {"Stamp", Step::Out,
         "Tools{5:DOS Prompt|Deep{}|17:Stamp}|Empty{}|-|16:Remove!!|move:Drive A:>a:\\"},
        {"Tools", Step::Out, unchanged},
        {"<separator>", Step::In,
         "Tools{5:DOS Prompt|Deep{17:Stamp}}|Empty{-}|16:Remove!!|move:Drive A:>a:\\"},
        {"Empty", Step::In,
         "Tools{5:DOS Prompt|Deep{17:Stamp}|Empty{}}|-|16:Remove!!|move:Drive A:>a:\\"},
        {"Remove!!", Step::In, unchanged},
        {"Quorvane", Step::Down, unchanged},
    };
    for (const auto& c : cases) {
        SetUp();
        MenuNode* moved = node(c.node);
        const EditView view = editing.step(moved, c.step);
        EXPECT_EQ(test::outline(tree), c.outline) << c.node << " " << static_cast<int>(c.step);
        EXPECT_EQ(view.select, c.outline == unchanged ? nullptr : moved) << c.node;
        expectEachOperationOnce();
    }
}

// Where a drag does the same, a step ends exactly as the drag does.
TEST_F(TreeEditingTest, AKeyboardStepEndsAsTheDragItStandsFor) {
    editing.step(node("Drive A:"), TreeEditing::Step::Up);
    const std::string stepped = test::outline(tree);
    SetUp();
    editing.move(node("Drive A:"), node("<separator>"));
    EXPECT_EQ(test::outline(tree), stepped);
}

TEST_F(TreeEditingTest, MoveOntoASubmenuMarksIt) {
    const EditView view = editing.move(node("Remove!!"), node("Empty"));
    EXPECT_TRUE(node("Empty")->hasChildrenMark());
    EXPECT_EQ(view.scrollTo, node("Remove!!"));
    // Its only child moving away takes the mark along.
    editing.move(node("Remove!!"), node("<separator>"));
    EXPECT_FALSE(node("Empty")->hasChildren());
}

TEST_F(TreeEditingTest, RenamingRules) {
    EXPECT_FALSE(TreeEditing::mayRename(*tree.root()));
    EXPECT_FALSE(TreeEditing::mayRename(*node("<separator>")));
    for (const char* caption : {"Tools", "DOS Prompt", "Drive A:"})
        EXPECT_TRUE(TreeEditing::mayRename(*node(caption))) << caption;
    EXPECT_FALSE(TreeEditing::mayRename(source.at(row("<separator>"))));
    for (const char* caption : {"New SubMenu", "MoveTo Item", "Configure"})
        EXPECT_TRUE(TreeEditing::mayRename(source.at(row(caption)))) << caption;
}

TEST_F(TreeEditingTest, RenamedEntryNamesTheNodesMadeFromIt) {
    source.rename(row("New SubMenu"), "Archive");
    selectOnly({"Archive"});
    editing.insertSelected(node("Remove!!"), tree.root());
    EXPECT_EQ(node("Remove!!")->nextSibling()->caption(), "Archive");
}

// Edits, stored and loaded again, give back the same menu, but for submenus left empty.
TEST_F(TreeEditingTest, EditedMenuSurvivesStoreAndLoad) {
    selectOnly({"Configure", "CopyTo Item", "Send To Item"});
    editing.insertSelected(node("Empty"), tree.root());
    editing.move(node("Drive A:"), node("DOS Prompt"));
    tree.rename(node("Stamp"), "Touch \"now\"");
    node("CopyTo Item")->record()->descriptionOrTarget = "/srv/copies";
    editing.remove(node("<separator>"));
    const std::string before = test::outline(tree);
    apply();
    load("", LoadMode::Stored);
    EXPECT_EQ(test::outline(tree), before);
    expectEachOperationOnce();
}

} // namespace
} // namespace quorvane
