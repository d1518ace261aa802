#include "extension/AddItem.h"

#include "platform/Failure.h"
#include "settings/Schema.h"
#include "support/MenuFixture.h"

namespace quorvane::test {
namespace {

using ext::NewItem;

TEST(AddedCaption, FollowsTheAddingOptions) {
    struct Row {
        const char* path;
        bool isDirectory, withoutPath, withoutExtension;
        const char* caption;
    };
    for (const Row row : {
             Row{"/usr/bin/gcalctool.sh", false, true, true, "gcalctool"},
             Row{"/usr/bin/gcalctool.sh", false, true, false, "gcalctool.sh"},
             Row{"/usr/bin/gcalctool.sh", false, false, true, "/usr/bin/gcalctool"},
             Row{"/usr/bin/gcalctool.sh", false, false, false, "/usr/bin/gcalctool.sh"},
             Row{"/home/u/my.folder/", true, true, true, "my.folder"},
             Row{"/home/u/.bashrc", false, true, true, ".bashrc"},
             Row{"/", true, true, true, "/"},
         })
        EXPECT_EQ(
            ext::addedCaption(row.path, row.isDirectory, row.withoutPath, row.withoutExtension),
            row.caption)
            << row.path;
}

struct AddCase {
    const char* name;
    std::string menu;
    NewItem item;
    std::string storedMenu;
    // The captions list of the item's kind afterwards.
    std::string captions;
};

class Adds : public MenuFixture, public ::testing::WithParamInterface<AddCase> {};

// Defaults: MoveItems "Drive A:","db-click to set directory"; ExtItems "exe","txt","doc".
TEST_P(Adds, AfterTheLastShownItemOfItsKindOrAtTheEndOfTheTopLevel) {
    set(value::theMenu, GetParam().menu);
    ext::addItems(registry, {GetParam().item});
    EXPECT_EQ(registry.find(path, value::theMenu)->data, GetParam().storedMenu);
    const auto captionsName =
        GetParam().item.kind == Kind::Extension ? value::extItems : value::moveItems;
    EXPECT_EQ(registry.find(path, captionsName)->data, GetParam().captions);
    EXPECT_EQ(registry.commits, 1);
}

INSTANTIATE_TEST_SUITE_P(Menus, Adds,
                         ::testing::Values(AddCase{"NoneOfItsKind",
                                                   R"("0","-2")",
                                                   {Kind::MoveTo, "new", "/n"},
                                                   R"("0","-6","-2")",
                                                   R"(new,"Drive A:","db-click to set directory")"},
                                           AddCase{"AfterTheLastInASubmenu",
                                                   "-6,S,-6,-2,1",
                                                   {Kind::MoveTo, "new", "/n"},
                                                   R"("-6","S","-6","-6","-2","1")",
                                                   R"("Drive A:","db-click to set directory",new)"},
                                           AddCase{"BeforeEntriesNoTokenShows",
                                                   "S,-6,-2",
                                                   {Kind::MoveTo, "new", "/n"},
                                                   R"("S","-6","-6","-2")",
                                                   R"("Drive A:",new,"db-click to set directory")"},
                                           AddCase{"ClosesWhatTheTextLeavesOpen",
                                                   "A,B,0",
                                                   {Kind::Extension, "c", ""},
                                                   R"("A","B","0","-2","-2","-5","-2")",
                                                   R"(c,exe,txt,doc)"},
                                           AddCase{"EmptyMenu",
                                                   "",
                                                   {Kind::Extension, "a b", ""},
                                                   R"("-5","-2")",
                                                   R"("a b",exe,txt,doc)"},
                                           AddCase{"TokensAfterTheEndStay",
                                                   R"(" 7",-2,junk)",
                                                   {Kind::Extension, "c", ""},
                                                   R"(" 7","-5","-2","junk")",
                                                   R"(c,exe,txt,doc)"}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(MenuFixture, AddKeepsTargetsBesideTheirCaptions) {
    set(value::theMenu, "-6,-2");
    ext::addItems(registry, {{Kind::MoveTo, "one", "/1"}, {Kind::MoveTo, "two", "/2"}});
    EXPECT_EQ(registry.find(path, value::theMenu)->data, R"("-6","-6","-6","-2")");
    EXPECT_EQ(registry.find(path, value::moveDirItems)->data, R"(a:\,/1,/2,"Unset Move Item")");
    load("", LoadMode::Stored);
    EXPECT_EQ(outline(tree), R"(move:Drive A:>a:\|move:one>/1|move:two>/2)");
}

TEST_F(MenuFixture, AddRefusesWhatWouldLoseStoredDataAndWritesNothing) {
    struct Row {
        std::string menu;
        std::string failure;
    };
    const Row rows[] = {
        {"0,-4", "The stored menu cannot be read (List index out of bounds)."},
        {"-6,-6,-6", "The stored menu cannot be read (List index out of bounds)."},
        {std::string(4090, 'x'), "The value TheMenu would grow past the 4095 characters"},
    };
    set(value::moveDirItems, "one");
    for (const Row& row : rows) {
        set(value::theMenu, row.menu);
        const auto before = registry.key(path);
        const int commits = registry.commits;
        try {
            ext::addItems(registry, {{Kind::MoveTo, "new", "/n"}});
            ADD_FAILURE() << row.menu << " was added to";
        } catch (const Failure& failure) {
            EXPECT_TRUE(std::string(failure.what()).starts_with(row.failure)) << failure.what();
        }
        EXPECT_EQ(registry.commits, commits);
        EXPECT_EQ(registry.key(path), before);
    }
}

} // namespace
} // namespace quorvane::test
