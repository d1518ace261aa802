#include "settings/Apply.h"

#include "platform/Failure.h"
#include "settings/KeyPath.h"
#include "settings/MenuLoad.h"
#include "settings/Messages.h"
#include "settings/Schema.h"
#include "support/MemoryRegistry.h"
#include "support/RecordingMessages.h"

#include <functional>
#include <gtest/gtest.h>

namespace quorvane {
namespace {

using test::RecordingMessages;

class ApplyTest : public ::testing::Test {
protected:
    ApplyTest() {
        registry.setString(path, "ItemsAvailable", "21");
        for (const auto& op : operations())
            registry.setString(path, op.valueName, op.defaultCaption);
        registry.setString(path, "MoveItems", R"("Drive A:","db-click to set directory")");
        registry.setString(path, "MoveDirItems", R"(a:\,"Unset Move Item")");
        registry.setString(path, "ExtItems", R"("exe","txt","doc")");
    }

    void load(std::string_view menu) {
        loadMenu(registry, pool, tree, source, LoadMode::Given, menu, {});
    }
    bool apply() { return applyMenu(registry, tree, source, messages); }
    std::string stored(std::string_view name) {
        const auto* v = registry.find(path, name);
        return v ? v->data : "(missing)";
    }
    MenuNode* node(int index) { return tree.inTreeOrder().at(static_cast<std::size_t>(index)); }
    int listRow(int code) {
        for (int row = 0; row < source.size(); ++row)
            if (source.at(row).record->code == code)
                return row;
        return -1;
    }

    test::MemoryRegistry registry;
    const std::string path = settingsKeyPath();
    RecordPool pool;
    MenuTree tree{pool.rootRecord()};
    AvailableEntries source;
    RecordingMessages messages;
};

TEST_F(ApplyTest, RootAloneIsRefusedAndNothingIsWritten) {
    load("");
    const int before = registry.commits;
    EXPECT_FALSE(apply());
    EXPECT_EQ(messages.messages,
              std::vector<std::string>{"You cannot have zero menu-items. Then remove Quorvane "
                                       "altogether"});
    EXPECT_EQ(registry.commits, before);
    EXPECT_EQ(stored("TheMenu"), "(missing)");
}

TEST_F(ApplyTest, WritesMenuCaptionsAndListsInOneCommit) {
    load(R"("Explore",0,1,-2,"Move To",-6,-6,-2,-1,"Ext",-5,-2,16,-2)");
    tree.rename(node(2), "Look here"); // operation 0 in the tree
    const int before = registry.commits;
    EXPECT_TRUE(apply());
    EXPECT_TRUE(messages.messages.empty());
    EXPECT_EQ(registry.commits, before + 1);
    EXPECT_EQ(stored("TheMenu"),
              R"("Explore","0","1","-2","Move To","-6","-6","-2","-1","Ext","-5","-2","16","-2")");
    EXPECT_EQ(stored("ExploreFromHere"), "Look here");
    EXPECT_EQ(stored("Remove"), "Remove!!");
    EXPECT_EQ(stored("Stamp"), "Stamp"); // listed, not in the tree
    EXPECT_EQ(stored("MoveItems"), R"("Drive A:","db-click to set directory")");
    EXPECT_EQ(stored("MoveDirItems"), R"(a:\,"Unset Move Item")");
    EXPECT_EQ(stored("ExtItems"), "exe");
    // Kinds without items in the tree end with empty lists.
    for (const char* name : {"CopyItems", "CopyDirItems", "SendItems", "SendDirItems"})
        EXPECT_EQ(stored(name), "") << name;
}

TEST_F(ApplyTest, CaptionComesFromTheListFirstThenTheLastTreeNode) {
    load("5,5,-2"); // operation 5 twice: the second node's caption is empty
    tree.rename(node(1), "First");
    tree.rename(node(2), "Second");
    ASSERT_TRUE(apply());
    EXPECT_EQ(stored("DOSPrompt"), "Second");

    // The same operation listed too: the list entry's caption wins.
    source.append("Listed", pool.operationRecord(5));
    ASSERT_TRUE(apply());
    EXPECT_EQ(stored("DOSPrompt"), "Listed");

    // An operation that is nowhere is stored with an empty caption.
    source.rename(listRow(17), "");
    ASSERT_TRUE(apply());
    EXPECT_EQ(stored("Stamp"), "");
}

// A menu that would hold nothing once its empty submenus are left out, at every depth, is no menu.
TEST_F(ApplyTest, MenuOfEmptySubmenusIsRefusedAtEveryDepth) {
    for (const char* menu : {R"("Tools")", R"("")", R"("Empty",-2)", R"("A",-2,"B",-2)",
                             R"("A","B",-2,-2)", R"("A","B","C",-2,-2,"D",-2,-2)"}) {
        SCOPED_TRACE(menu);
        load(menu);
        ASSERT_GT(tree.root()->childCount(), 0);
        const auto before = registry.key(path);
        const int commits = registry.commits;
        messages.messages.clear();
        EXPECT_FALSE(apply());
        EXPECT_EQ(messages.messages,
                  std::vector<std::string>{std::string(messages::zeroMenuItems)});
        EXPECT_EQ(registry.commits, commits);
        EXPECT_EQ(registry.key(path), before);
    }
}

// The stored string never holds an empty submenu: one whose every descendant is an empty
// submenu is left out with them.
TEST_F(ApplyTest, SubmenuOfEmptySubmenusIsLeftOut) {
    load(R"("A","B",-2,-2,16,"C","D","E",-2,-2,-1,-2,-2)");
    EXPECT_TRUE(apply());
    EXPECT_EQ(stored("TheMenu"), R"("16","C","-1","-2","-2")");
}

void renameFirstSubmenu(MenuTree& tree, const std::string& caption) {
    for (MenuNode* n : tree.inTreeOrder())
        if (n->record()->kind == Kind::Submenu) {
            tree.rename(n, caption);
            return;
        }
}

std::string repeated(const std::string& piece, int times) {
    std::string text;
    for (int i = 0; i < times; ++i)
        text += piece;
    return text;
}

struct Refusal {
    const char* name;
    std::string menu;
    // Numeric captions cannot come from a load (they read as codes): the user types them.
    std::string submenuCaption;
    std::string messageStart;
};

class ApplyRefuses : public ApplyTest, public ::testing::WithParamInterface<Refusal> {};

TEST_P(ApplyRefuses, WritesNothing) {
    load(GetParam().menu);
    if (!GetParam().submenuCaption.empty())
        renameFirstSubmenu(tree, GetParam().submenuCaption);
    registry.setString(path, "TheMenu", "kept");
    const int before = registry.commits;
    EXPECT_FALSE(apply());
    ASSERT_EQ(messages.messages.size(), 1u);
    EXPECT_TRUE(messages.messages[0].starts_with(GetParam().messageStart)) << messages.messages[0];
    EXPECT_EQ(registry.commits, before);
    EXPECT_EQ(stored("TheMenu"), "kept");
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ApplyRefuses,
    ::testing::Values(Refusal{"NumericCaption", R"(0,"x",1,-2)", "2000", "The submenu \"2000\""},
                      Refusal{"SpacedNumericCaption", R"("y",16,-2)", " 7", "The submenu \" 7\""},
                      Refusal{"HexCaption", R"("z","w",17,-2,-2)", "$1F", "The submenu \"$1F\""},
                      Refusal{"MenuTooLong", repeated("-1,", 1300), "", "The menu is too large"},
                      // A caption holding a line break could be stored but never saved to a menu
                      // file and loaded back.
                      Refusal{"SubmenuCaptionWithLineFeed", "\"Two\nLines\",16,-2", "",
                              "The submenu \"Two\\nLines\" cannot be stored: its caption holds a "
                              "line break"},
                      Refusal{"SubmenuCaptionWithCarriageReturn", "\"Two\rLines\",16,-2", "",
                              "The submenu \"Two\\rLines\" cannot be stored"},
                      Refusal{"RenamedSubmenuWithLineBreak", "\"x\",16,-2", "a\r\nb",
                              "The submenu \"a\\r\\nb\" cannot be stored"}),
    [](const auto& info) { return std::string(info.param.name); });

// Operation captions, item captions and targets with a line break are refused alike, wherever
// they come from: the list, the tree or the settings.
TEST_F(ApplyTest, LineBreaksInCaptionsAndTargetsAreRefused) {
    struct Row {
        const char* name;
        std::function<void()> change;
        std::string messageStart;
    };
    const Row rows[] = {
        {"ListedOperation", [this] { source.rename(listRow(17), "Stamp\nit"); },
         "The caption \"Stamp\\nit\" cannot be stored: it holds a line break"},
        {"OperationInTheTree", [this] { tree.rename(node(1), "Ex\rplore"); },
         "The caption \"Ex\\rplore\" cannot be stored"},
        {"ExtensionItem", [this] { tree.rename(node(2), "e\nxe"); },
         "The extension item \"e\\nxe\" cannot be stored"},
        {"MoveToTarget", [this] { tree.setTarget(node(3)->record(), "a:\\\nb"); },
         "The Move To target \"a:\\\\nb\" cannot be stored"},
        // Last: the stored caption stays for the rest.
        {"StoredCaption",
         [this] {
             registry.setString(path, "Remove", "Re\nmove");
             load("16,-2");
         },
         "The caption \"Re\\nmove\" cannot be stored"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        load("0,-5,-6,-2");
        row.change();
        const auto before = registry.key(path);
        messages.messages.clear();
        EXPECT_FALSE(apply());
        ASSERT_EQ(messages.messages.size(), 1u);
        EXPECT_TRUE(messages.messages[0].starts_with(row.messageStart)) << messages.messages[0];
        EXPECT_EQ(registry.key(path), before);
    }
}

TEST_F(ApplyTest, NumericCaptionOfAnEmptySubmenuIsHarmless) {
    load(R"("A",-2,16,-2)");
    renameFirstSubmenu(tree, "2000");
    EXPECT_TRUE(apply());
    EXPECT_EQ(stored("TheMenu"), R"("16","-2")");
}

TEST_F(ApplyTest, ItemListLongerThanTheReaderKeepsIsRefused) {
    std::string list = repeated("e,", 149) + "e";
    registry.setString(path, "ExtItems", list);
    load(repeated("-5,", 150) + "-2");
    ASSERT_EQ(tree.root()->childCount(), 150);
    // Long captions make the list, not the menu, overflow.
    for (MenuNode* n : tree.inTreeOrder())
        if (n->record()->kind == Kind::Extension)
            tree.rename(n, std::string(40, 'e'));
    EXPECT_FALSE(apply());
    ASSERT_EQ(messages.messages.size(), 1u);
    EXPECT_TRUE(messages.messages[0].starts_with("The extension items are too many"))
        << messages.messages[0];
}

} // namespace
} // namespace quorvane

namespace quorvane {
namespace {

TEST_F(ApplyTest, OperationStandingTwiceKeepsItsStoredCaption) {
    load("5,5,-2"); // the second node's caption is empty, as the load leaves it
    ASSERT_TRUE(apply());
    EXPECT_EQ(stored("DOSPrompt"), "DOS Prompt");
}

struct PartialLoad {
    const char* name;
    const char* value; // set before the load to make it stop part-way
    const char* text;
    std::string menu;
};

class ApplyAfterPartialLoad : public ApplyTest,
                              public ::testing::WithParamInterface<PartialLoad> {};

TEST_P(ApplyAfterPartialLoad, IsRefusedUntilALoadCompletes) {
    registry.setString(path, GetParam().value, GetParam().text);
    registry.setString(path, "TheMenu", "kept");
    EXPECT_THROW(load(GetParam().menu), Failure);
    const auto before = registry.key(path);
    EXPECT_FALSE(apply());
    EXPECT_EQ(messages.messages, std::vector<std::string>{std::string(messages::partialMenu)});
    EXPECT_EQ(registry.key(path), before);

    // Any load that completes makes the editor's state whole again.
    registry.setString(path, "ItemsAvailable", "21");
    registry.setString(path, "MoveDirItems", R"(a:\,"Unset Move Item")");
    load("16,-2");
    EXPECT_TRUE(apply());
    EXPECT_EQ(stored("TheMenu"), R"("16","-2")");
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ApplyAfterPartialLoad,
    ::testing::Values(PartialLoad{"ShortTargets", "MoveDirItems", R"(a:\)", "0,-6,-6,17,-2"},
                      PartialLoad{"InvalidCode", "Stamp", "Stamp", "0,1,21,17,-2"},
                      PartialLoad{"ItemsAvailableNotANumber", "ItemsAvailable", "x", "0,-2"},
                      PartialLoad{"ItemsAvailableTooLarge", "ItemsAvailable", "22", "0,-2"}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace quorvane
