#include "menu/Catalog.h"

#include "menu/RecordPool.h"
#include "platform/Failure.h"

#include <gtest/gtest.h>
#include <set>

namespace quorvane {
namespace {

// The value names are the contract with the extension, and their order is the order in which
// captions are read and written: a slip here moves every caption.
TEST(Catalog, OperationValueNamesInCodeOrder) {
    const char* expected[operationCount] = {
        "ExploreFromHere", "OpenContainer",  "NameToClipboard",   "TargetNameToClipboard",
        "ShowClipboard",   "DOSPrompt",      "AlternativePrompt", "TargetProperties",
        "Configure",       "CPrompt",        "AppendToClipboard", "AppendTargetToClipboard",
        "AddThisExt",      "AddThisMoveDir", "AddThisCopyDir",    "AddThisFile",
        "Remove",          "Stamp",          "AddThisSendTo",     "BrowseMove",
        "BrowseCopy"};
    for (int n = 0; n < operationCount; ++n)
        EXPECT_EQ(operations()[n].valueName, expected[n]) << "operation " << n;
}

TEST(Catalog, DefaultCaptionsAndDescriptionsOfSampleOperations) {
    struct Row {
        int code;
        std::string_view caption;
        std::string_view description;
    };
    const Row rows[] = {
        {0, "Explore From Here", "Opens an explorer view rooted where you clicked."},
        {9, "C:\\ Prompt", "Opens a DOS prompt at C:\\"},
        {16, "Remove!!", "Removes the selected objects without a trace."},
        {20, "Browse Copy...", "Opens a dialog box letting you specify the Copy destination."},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(operations()[row.code].defaultCaption, row.caption);
        EXPECT_EQ(operationDescription(row.code), row.description);
    }
}

TEST(Catalog, EveryOperationIsDescribedAndNamedOnce) {
    std::set<std::string_view> names;
    for (const auto& op : operations()) {
        EXPECT_FALSE(op.description.empty());
        EXPECT_FALSE(op.defaultCaption.empty());
        EXPECT_TRUE(names.insert(op.valueName).second) << op.valueName;
    }
    EXPECT_FALSE(names.count(toggleCrLfValueName));
}

TEST(Catalog, DescriptionTableEndsWithLastOneAndRefusesBeyond) {
    EXPECT_EQ(operationDescription(21), "LASTONE");
    EXPECT_THROW(operationDescription(22), Failure);
    EXPECT_THROW(operationDescription(-1), Failure);
}

TEST(RecordPool, PrototypesCarryTheirKindsValues) {
    struct Row {
        Kind kind;
        std::int32_t code;
        std::string_view description;
        int image;
        int selected;
    };
    const Row rows[] = {
        {Kind::Submenu, -2, "This is a Submenu Item", 0, 1},
        {Kind::Separator, -1, "This is a Menu Separator", 3, 3},
        {Kind::Extension, -5, "This is a File Extension Item", 4, 4},
        {Kind::MoveTo, -6, "This is an unset Move To Item", 5, 5},
        {Kind::CopyTo, -7, "This is an unset Copy To Item", 6, 6},
        {Kind::RunOpen, -8, "This is an unset Run/Open Item", 7, 7},
        {Kind::SendTo, -9, "This is an unset Send To Item", 8, 8},
    };
    RecordPool pool;
    for (const auto& row : rows) {
        const TAssoc* p = pool.prototype(row.kind);
        ASSERT_NE(p, nullptr);
        EXPECT_EQ(p->kind, row.kind);
        EXPECT_EQ(p->code, row.code);
        EXPECT_EQ(p->descriptionOrTarget, row.description);
        EXPECT_EQ(p->imageIndex, row.image);
        EXPECT_EQ(p->selectedImageIndex, row.selected);
    }
    EXPECT_EQ(pool.prototype(Kind::Root), nullptr);
    EXPECT_EQ(pool.prototype(Kind::Operation), nullptr);
}

TEST(RecordPool, RootAndSubmenusShareTheirImages) {
    RecordPool pool;
    const TAssoc* root = pool.rootRecord();
    const TAssoc* loaded = pool.loadedSubmenuRecord();
    const TAssoc* offered = pool.prototype(Kind::Submenu);
    EXPECT_EQ(root->code, -4);
    EXPECT_EQ(root->descriptionOrTarget, "This is the root of the Quorvane-menu");
    EXPECT_EQ(loaded->code, -3);
    EXPECT_EQ(loaded->descriptionOrTarget, "This is a submenu-item");
    for (const TAssoc* r : {root, loaded, offered}) {
        EXPECT_EQ(r->imageIndex, 0);
        EXPECT_EQ(r->selectedImageIndex, 1);
    }
}

// Records are handed out by address and must stay put however many follow.
TEST(RecordPool, RecordsKeepTheirAddressAndCopiesAreIndependent) {
    RecordPool pool;
    TAssoc* first = pool.copyOf(*pool.prototype(Kind::MoveTo), "a:\\");
    TAssoc* second = pool.copyOf(*pool.prototype(Kind::MoveTo), "a:\\");
    for (int i = 0; i < 10000; ++i)
        pool.operationRecord(i % operationCount);
    first->descriptionOrTarget = "/srv/archive";
    EXPECT_EQ(second->descriptionOrTarget, "a:\\");
    EXPECT_EQ(pool.prototype(Kind::MoveTo)->descriptionOrTarget, "This is an unset Move To Item");
    EXPECT_EQ(first->code, -6);
    EXPECT_EQ(first->kind, Kind::MoveTo);

    const TAssoc* op = pool.operationRecord(17);
    EXPECT_EQ(op->code, 17);
    EXPECT_EQ(op->kind, Kind::Operation);
    EXPECT_EQ(op->descriptionOrTarget, operationDescription(17));
    EXPECT_EQ(op->imageIndex, 2);
    EXPECT_EQ(op->selectedImageIndex, 2);
}

} // namespace
} // namespace quorvane
