#include "rules/EditHistory.h"

#include "menu/MenuWriter.h"
#include "rules/TreeEditing.h"
#include "support/MenuFixture.h"

#include <gtest/gtest.h>
#include <map>
#include <optional>
#include <random>

namespace quorvane {
namespace {

class EditHistoryTest : public test::MenuFixture {
public:
    void SetUp() override {
        load(R"("Tools",5,"Deep",17,-2,-2,"Empty",-2,-1,16,-6,-2)");
        history.emplace(tree, source);
    }

    MenuNode* node(std::string_view caption) {
        for (MenuNode* n : tree.inTreeOrder())
            if (n->caption() == caption)
                return n;
        return nullptr;
    }
    void selectOnly(std::string_view caption) {
        for (int r = 0; r < source.size(); ++r)
            source.setSelected(r, source.at(r).caption == caption);
    }

    // Every operation is in exactly one place: the list or the tree.
    void expectEachOperationOnce() {
        std::map<int, int> places;
        for (const MenuNode* n : tree.inTreeOrder())
            if (n->record()->kind == Kind::Operation)
                ++places[n->record()->code];
        for (const auto& entry : source.entries())
            if (entry.record->kind == Kind::Operation)
                ++places[entry.record->code];
        EXPECT_EQ(places.size(), 21u);
        for (const auto& [code, count] : places)
            EXPECT_EQ(count, 1) << "operation " << code;
    }

    TreeEditing editing{tree, source, pool};
    std::optional<EditHistory> history;
};

TEST_F(EditHistoryTest, EveryKindOfChangeIsUndoneToTheVeryStateBeforeAndRedone) {
    const struct {
        const char* what;
        std::function<void(EditHistoryTest&)> change;
    } changes[] = {
        {"Remove a submenu with nested operations",
         [](auto& t) { t.editing.remove(t.node("Tools")); }},
        {"Remove everything", [](auto& t) { t.editing.remove(t.tree.root()); }},
        {"Insert from the list",
         [](auto& t) {
             t.selectOnly("Explore From Here");
             t.editing.insertSelected(t.node("Empty"), nullptr);
         }},
        {"Move into a submenu",
         [](auto& t) { t.editing.move(t.node("Remove!!"), t.node("Empty")); }},
        {"Move a subtree after a node",
         [](auto& t) { t.editing.move(t.node("Deep"), t.node("Remove!!")); }},
        {"Rename in the tree", [](auto& t) { t.tree.rename(t.node("Deep"), "Deeper"); }},
        {"Rename in the list", [](auto& t) { t.source.rename(0, "Submenu!"); }},
        {"Set a target",
         [](auto& t) { t.tree.setTarget(t.node("Drive A:")->record(), "/mnt/usb"); }},
        {"Replace by a preset", [](auto& t) { t.load(R"("All",0,1,2,3,-2,8,-6,-2)"); }},
    };
    for (const auto& c : changes) {
        SCOPED_TRACE(c.what);
        SetUp();
        const EditorState before = EditorState::of(tree, source);
        const std::string storedBefore = test::outline(tree);
        history->perform(c.what, [&] { c.change(*this); });
        const EditorState after = EditorState::of(tree, source);
        ASSERT_FALSE(after == before);
        ASSERT_TRUE(history->canUndo());
        EXPECT_EQ(history->undoName(), c.what);

        history->undo();
        EXPECT_TRUE(EditorState::of(tree, source) == before);
        EXPECT_EQ(test::outline(tree), storedBefore);
        expectEachOperationOnce();
        EXPECT_EQ(history->redoName(), c.what);

        history->redo();
        EXPECT_TRUE(EditorState::of(tree, source) == after);
        expectEachOperationOnce();
        EXPECT_FALSE(history->canRedo());
    }
}

TEST_F(EditHistoryTest, AnUndoneRemovalBringsBackTheVeryRecords) {
    TAssoc* stamp = node("Stamp")->record();
    TAssoc* drive = node("Drive A:")->record();
    history->perform("Remove", [&] { editing.remove(tree.root()); });
    history->undo();
    EXPECT_EQ(node("Stamp")->record(), stamp);
    EXPECT_EQ(node("Drive A:")->record(), drive);
}

TEST_F(EditHistoryTest, AChangeOfNothingIsNoStepAndAFailedOneIsAStep) {
    history->perform("Nothing", [&] { editing.move(tree.root(), node("Empty")); });
    EXPECT_FALSE(history->canUndo());

    EXPECT_THROW(history->perform("Half",
                                  [&] {
                                      tree.rename(node("Empty"), "Half");
                                      throw std::runtime_error("stopped");
                                  }),
                 std::runtime_error);
    ASSERT_TRUE(history->canUndo());
    history->undo();
    EXPECT_NE(node("Empty"), nullptr);
}

TEST_F(EditHistoryTest, KeepsOnlyTheNewestStepsAndANewStepEndsRedo) {
    EditHistory short_(tree, source, 3);
    for (int i = 0; i < 5; ++i)
        short_.perform("Rename", [&] { tree.rename(tree.root()->child(0), std::to_string(i)); });
    int undone = 0;
    while (short_.canUndo()) {
        short_.undo();
        ++undone;
    }
    EXPECT_EQ(undone, 3);
    EXPECT_EQ(tree.root()->child(0)->caption(), "1");

    short_.perform("Rename", [&] { tree.rename(tree.root()->child(0), "new"); });
    EXPECT_FALSE(short_.canRedo());
}

TEST_F(EditHistoryTest, ViewMarksComeBackWithTheirState) {
    int selected = 2;
    history->setViewMarks([&] { return ViewMarks{{0, 1}, selected}; });
    history->perform("Remove", [&] {
        editing.remove(node("Tools"));
        selected = 0;
    });
    const auto undone = history->undo();
    EXPECT_EQ(undone.marks.open, (std::vector<int>{0, 1}));
    EXPECT_EQ(undone.marks.selected, 2);
    EXPECT_EQ(undone.nodes[1], node("Tools"));
    EXPECT_EQ(history->redo().marks.selected, 0);
}

// Random edits, undos and redos end where replaying only the edits still in effect ends.
TEST_F(EditHistoryTest, RandomSequencesMatchAReplayOfTheEditsInEffect) {
    using Edit = std::function<void(EditHistoryTest&)>;
    const Edit edits[] = {
        [](auto& t) { t.editing.remove(t.tree.root()->child(0)); },
        [](auto& t) {
            t.selectOnly(t.source.at(t.source.size() - 1).caption);
            t.editing.insertSelected(t.tree.root()->child(0), nullptr);
        },
        [](auto& t) {
            const auto nodes = t.tree.inTreeOrder();
            t.editing.move(nodes.back(), nodes[1]);
        },
        [](auto& t) { t.tree.rename(t.tree.inTreeOrder().back(), "renamed"); },
    };
    std::mt19937 random(20261208);
    for (int run = 0; run < 20; ++run) {
        SetUp();
        std::vector<int> inEffect, undone;
        for (int step = 0; step < 60; ++step) {
            const int choice = static_cast<int>(random() % 6);
            if (choice == 4 && history->canUndo()) {
                history->undo();
                undone.push_back(inEffect.back());
                inEffect.pop_back();
            } else if (choice == 5 && history->canRedo()) {
                history->redo();
                inEffect.push_back(undone.back());
                undone.pop_back();
            } else if (choice < 4 && tree.root()->childCount() > 0) {
                const EditorState before = EditorState::of(tree, source);
                history->perform("edit", [&] { edits[choice](*this); });
                if (!(EditorState::of(tree, source) == before)) {
                    inEffect.push_back(choice);
                    undone.clear();
                }
            }
            expectEachOperationOnce();
        }
        ItemLists lists;
        const std::string now = menuString(tree, lists) + test::outline(tree);

        SetUp();
        for (int choice : inEffect)
            edits[choice](*this);
        ItemLists replayedLists;
        EXPECT_EQ(menuString(tree, replayedLists) + test::outline(tree), now) << "run " << run;
        EXPECT_EQ(replayedLists, lists);
    }
}

} // namespace
} // namespace quorvane
