#include "menu/MenuTree.h"

#include "menu/RecordPool.h"

#include <functional>
#include <gtest/gtest.h>
#include <map>

namespace quorvane {
namespace {

class Recorder : public MenuTreeObserver {
public:
    void beforeReset() override { events.push_back("beforeReset"); }
    void afterReset() override { events.push_back("afterReset"); }
    void beforeInsert(MenuNode* parent, int row) override {
        events.push_back("beforeInsert " + parent->caption() + " " + std::to_string(row));
    }
    void afterInsert(MenuNode* node) override {
        events.push_back("afterInsert " + node->caption());
    }
    void beforeRemove(MenuNode* node) override {
        events.push_back("beforeRemove " + node->caption());
    }
    void afterRemove() override { events.push_back("afterRemove"); }
    void nodeLeaving(MenuNode* node) override { events.push_back("leaving " + node->caption()); }
    void beforeMove(MenuNode* node, MenuNode* parent, int row) override {
        events.push_back("beforeMove " + node->caption() + " " + parent->caption() + " " +
                         std::to_string(row));
    }
    void afterMove(MenuNode* node) override { events.push_back("afterMove " + node->caption()); }
    void changed(MenuNode* node) override { events.push_back("changed " + node->caption()); }

    std::vector<std::string> events;
};

// Captions in tree order, each submenu's children in parentheses.
std::string shape(const MenuNode* node) {
    std::string text = node->caption();
    if (node->childCount() == 0)
        return text;
    text += '(';
    for (int row = 0; row < node->childCount(); ++row)
        text += (row ? "," : "") + shape(node->child(row));
    return text + ')';
}

class MenuTreeTest : public ::testing::Test {
protected:
    void SetUp() override {
        MenuNode* root = tree.root();
        TAssoc* sub = pool.prototype(Kind::Submenu);
        TAssoc* sep = pool.prototype(Kind::Separator);
        nodes["A"] = tree.addLastChild(root, "A", sub);
        nodes["a1"] = tree.addLastChild(nodes["A"], "a1", sep);
        nodes["a2"] = tree.addLastChild(nodes["A"], "a2", sub);
        nodes["x"] = tree.addLastChild(nodes["a2"], "x", sep);
        nodes["B"] = tree.addLastChild(root, "B", sub);
        nodes["C"] = tree.addLastChild(root, "C", sep);
        nodes["Quorvane"] = root;
        tree.addObserver(&recorder);
    }

    RecordPool pool;
    MenuTree tree{pool.rootRecord()};
    std::map<std::string, MenuNode*> nodes;
    Recorder recorder;
};

TEST_F(MenuTreeTest, PrimitivesNotifyInOrder) {
    using Nodes = std::map<std::string, MenuNode*>;
    struct Row {
        const char* name;
        std::function<void(MenuTree&, Nodes&)> change;
        std::vector<std::string> events;
        std::string shape;
    };
    const Row rows[] = {
        {"AddLast",
         [](auto& t, auto& n) { t.addLastChild(n["A"], "n", n["A"]->record()); },
         {"beforeInsert A 2", "afterInsert n"},
         "Quorvane(A(a1,a2(x),n),B,C)"},
        {"InsertBefore",
         [](auto& t, auto& n) { t.insertBefore(n["C"], "n", n["C"]->record()); },
         {"beforeInsert Quorvane 2", "afterInsert n"},
         "Quorvane(A(a1,a2(x)),B,n,C)"},
        {"MoveUp",
         [](auto& t, auto& n) { t.moveBefore(n["C"], n["A"]); },
         {"beforeMove C Quorvane 0", "afterMove C"},
         "Quorvane(C,A(a1,a2(x)),B)"},
        {"MoveDownCountsRowsBeforeTheMove",
         [](auto& t, auto& n) { t.moveBefore(n["A"], n["C"]); },
         {"beforeMove A Quorvane 2", "afterMove A"},
         "Quorvane(B,A(a1,a2(x)),C)"},
        {"MoveIntoAnotherParent",
         [](auto& t, auto& n) { t.moveAsFirstChild(n["a2"], n["B"]); },
         {"beforeMove a2 B 0", "afterMove a2"},
         "Quorvane(A(a1),B(a2(x)),C)"},
        {"RemoveAnnouncesEveryNodeOfTheSubtree",
         [](auto& t, auto& n) { t.remove(n["A"]); },
         {"beforeRemove A", "leaving A", "leaving a1", "leaving a2", "leaving x", "afterRemove"},
         "Quorvane(B,C)"},
        {"Reset",
         [](auto& t, auto& n) { t.reset(n["A"]->record()); },
         {"beforeReset", "leaving Quorvane", "leaving A", "leaving a1", "leaving a2", "leaving x",
          "leaving B", "leaving C", "afterReset"},
         "Quorvane"},
        // Last, as it changes a record the others share.
        {"SetTargetReportsEveryNodeCarryingTheRecord",
         [](auto& t, auto& n) {
             t.setTarget(n["B"]->record(), "d:\\");
             EXPECT_EQ(n["A"]->record()->descriptionOrTarget, "d:\\");
         },
         {"changed A", "changed a2", "changed B"},
         "Quorvane(A(a1,a2(x)),B,C)"},
    };
    for (const Row& row : rows) {
        tree.removeObserver(&recorder);
        tree.reset(pool.rootRecord());
        SetUp();
        recorder.events.clear();
        row.change(tree, nodes);
        EXPECT_EQ(recorder.events, row.events) << row.name;
        EXPECT_EQ(shape(tree.root()), row.shape) << row.name;
    }
}

TEST_F(MenuTreeTest, RefusedMovesChangeNothing) {
    const std::pair<const char*, const char*> beforeTarget[] = {
        {"A", "x"}, {"A", "a1"}, {"Quorvane", "C"}, {"C", "Quorvane"}, {"B", "B"}};
    const std::pair<const char*, const char*> intoParent[] = {
        {"A", "A"}, {"A", "a2"}, {"Quorvane", "B"}};
    for (const auto& [node, target] : beforeTarget)
        EXPECT_FALSE(tree.moveBefore(nodes[node], nodes[target])) << node << " before " << target;
    for (const auto& [node, parent] : intoParent)
        EXPECT_FALSE(tree.moveAsFirstChild(nodes[node], nodes[parent]))
            << node << " into " << parent;
    EXPECT_TRUE(recorder.events.empty());
    EXPECT_EQ(shape(tree.root()), "Quorvane(A(a1,a2(x)),B,C)");
}

TEST_F(MenuTreeTest, HasChildrenMarkGoesWithTheLastChild) {
    tree.setHasChildrenMark(nodes["a2"], true);
    tree.setHasChildrenMark(nodes["B"], true);
    recorder.events.clear();
    EXPECT_TRUE(nodes["B"]->hasChildren());

    ASSERT_TRUE(tree.moveBefore(nodes["x"], nodes["C"]));
    EXPECT_FALSE(nodes["a2"]->hasChildren());
    EXPECT_FALSE(nodes["a2"]->hasChildrenMark());
    EXPECT_TRUE(nodes["B"]->hasChildrenMark());
    EXPECT_EQ(recorder.events,
              (std::vector<std::string>{"beforeMove x Quorvane 2", "afterMove x", "changed a2"}));

    // A parent that keeps other children keeps its mark.
    tree.setHasChildrenMark(nodes["A"], true);
    ASSERT_TRUE(tree.moveBefore(nodes["a1"], nodes["C"]));
    EXPECT_TRUE(nodes["A"]->hasChildrenMark());
}

// Rows are found from both ends of the siblings at once; every position of odd and even counts
// must come out right, and so must the next sibling built on it.
TEST(MenuNodeRowTest, EveryPositionOfEveryWidth) {
    RecordPool pool;
    for (int width = 1; width <= 6; ++width) {
        MenuTree tree(pool.rootRecord());
        for (int n = 0; n < width; ++n)
            tree.addLastChild(tree.root(), std::to_string(n), pool.prototype(Kind::Separator));
        for (int n = 0; n < width; ++n) {
            const MenuNode* child = tree.root()->child(n);
            EXPECT_EQ(child->row(), n) << width;
            EXPECT_EQ(child->nextSibling(), n + 1 < width ? tree.root()->child(n + 1) : nullptr)
                << width << " " << n;
        }
    }
}

} // namespace
} // namespace quorvane
