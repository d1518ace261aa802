#include "settings/Placement.h"

#include "platform/Failure.h"
#include "settings/KeyPath.h"
#include "store/MemoryRegistry.h"

#include <climits>
#include <gtest/gtest.h>
#include <utility>
#include <vector>

namespace quorvane {
namespace {

using Stored = std::array<std::optional<std::int32_t>, 4>;

TEST(StoredPlacement, IsRestoredOnlyWhenAllFourAreThereAndNotAllNothing) {
    const struct {
        Stored stored;
        std::optional<ScreenRect> expected;
    } cases[] = {
        {{0, 0, 600, 400}, ScreenRect{0, 0, 600, 400}},
        {{-200, 10, 600, 400}, ScreenRect{-200, 10, 600, 400}},
        {{0, 0, 0, 0}, std::nullopt},
        // Only the sum counts, as it always has.
        {{-100, 100, 0, 0}, std::nullopt},
        {{50, std::nullopt, 600, 400}, std::nullopt},
        {{std::nullopt, std::nullopt, std::nullopt, std::nullopt}, std::nullopt},
        // Values that would overflow a plain sum to 0.
        {{INT_MAX, INT_MAX, 2, 0}, ScreenRect{INT_MAX, INT_MAX, 2, 0}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(storedPlacement(c.stored), c.expected)
            << testing::PrintToString(c.stored[0]) << " " << testing::PrintToString(c.stored[2]);
}

TEST(Frame, OuterAndInnerRectanglesConvertBothWays) {
    // A title bar of 24 and borders of 1, as a window manager might draw them.
    const FrameMargins frame{1, 24, 1, 1};
    const ScreenRect outer{351, 223, 578, 353};
    const ScreenRect inside = insideFrame(outer, frame);
    EXPECT_EQ(inside, (ScreenRect{352, 247, 576, 328}));
    EXPECT_EQ(aroundFrame(inside, frame), outer);
    EXPECT_EQ(insideFrame(outer, {}), outer);
}

TEST(Centring, PutsTheWindowInTheMiddleOfTheArea) {
    EXPECT_EQ(centredOn({0, 0, 1280, 800}, 578, 353), (ScreenRect{351, 223, 578, 353}));
    EXPECT_EQ(centredOn({1920, 30, 1280, 770}, 578, 353), (ScreenRect{2271, 238, 578, 353}));
}

struct FitCase {
    const char* name;
    ScreenRect wanted;
    std::vector<ScreenRect> areas;
    ScreenRect expected;
};

class FitOnScreen : public testing::TestWithParam<FitCase> {};

TEST_P(FitOnScreen, LeavesNoPartOffTheScreen) {
    const FitCase& c = GetParam();
    EXPECT_EQ(fitOnScreen(c.wanted, c.areas, 341, 150), c.expected);
}

const ScreenRect laptop{0, 0, 1280, 800};
// A second screen to the right, its top 30 taken by a panel.
const ScreenRect monitor{1280, 30, 1920, 1050};

INSTANTIATE_TEST_SUITE_P(
    Cases, FitOnScreen,
    testing::Values(
        FitCase{"WholeOnTheScreenStays", {100, 80, 578, 353}, {laptop}, {100, 80, 578, 353}},
        FitCase{"FillingTheScreenExactlyStays", {0, 0, 1280, 800}, {laptop}, {0, 0, 1280, 800}},
        FitCase{"WholeOnTheSecondScreenStays",
                {2000, 100, 600, 400},
                {laptop, monitor},
                {2000, 100, 600, 400}},
        FitCase{"LeftOfTheScreenMovesIn", {-200, 10, 600, 400}, {laptop}, {0, 10, 600, 400}},
        FitCase{"BelowTheScreenMovesUp", {100, 700, 600, 400}, {laptop}, {100, 400, 600, 400}},
        // Another system stores a maximized window with its borders outside the screen.
        FitCase{"MaximizedWithBordersOutside", {-4, -4, 1288, 808}, {laptop}, {0, 0, 1280, 800}},
        // Stored at a higher scale factor or on a bigger screen.
        FitCase{"BiggerThanTheScreenShrinks", {0, 0, 2560, 1600}, {laptop}, {0, 0, 1280, 800}},
        FitCase{
            "UnderAPanelMovesDown", {1500, 0, 600, 400}, {laptop, monitor}, {1500, 30, 600, 400}},
        FitCase{"AcrossTwoScreensGoesToTheOneShowingMost",
                {1100, 100, 600, 400},
                {laptop, monitor},
                {1280, 100, 600, 400}},
        // The monitor it was on is gone.
        FitCase{"OnAScreenNoLongerThereGoesToTheNearest",
                {2000, 100, 600, 400},
                {laptop},
                {680, 100, 600, 400}},
        FitCase{"FarAwayGoesToTheNearest",
                {-5000, -5000, 600, 400},
                {laptop, monitor},
                {0, 0, 600, 400}},
        FitCase{"TooSmallGrowsToTheMinimum", {10, 10, 100, 20}, {laptop}, {10, 10, 341, 150}},
        FitCase{"NoSizeAtAllGrowsToTheMinimum", {10, 10, -30, 0}, {laptop}, {10, 10, 341, 150}},
        FitCase{"ScreenSmallerThanTheMinimumWins",
                {0, 0, 578, 353},
                {{0, 0, 320, 240}},
                {0, 0, 320, 240}},
        FitCase{"HugeValuesDoNotOverflow",
                {INT_MAX, INT_MAX, INT_MAX, INT_MAX},
                {laptop},
                {0, 0, 1280, 800}},
        FitCase{"FarthestCornerDoesNotOverflow",
                {INT_MIN, INT_MIN, 600, 400},
                {laptop, monitor},
                {0, 0, 600, 400}},
        FitCase{"NoScreenKnownLeavesItAsAsked", {-200, 10, 600, 400}, {}, {-200, 10, 600, 400}}),
    [](const auto& info) { return std::string(info.param.name); });

// The window's placement goes through the settings as four integers and comes back the same; a
// value that is not an integer is reported rather than taken for a position.
TEST(StoredPlacement, RoundTripsThroughTheSettings) {
    MemoryRegistry registry;
    EXPECT_EQ(readPlacement(registry), std::nullopt);
    writePlacement(registry, {-8, 20, 578, 353});
    EXPECT_EQ(registry.commits, 1);
    EXPECT_EQ(readPlacement(registry), (ScreenRect{-8, 20, 578, 353}));
    registry.setString(settingsKeyPath(), "MWnH", "353");
    EXPECT_THROW(readPlacement(registry), Failure);
}

// The columns' widths and the chooser's size go with the placement, and come
// back only as whole pairs of sizes they can be: anything else counts as never stored.
TEST(StoredArrangement, KeepsOnlyWholePairsOfPossibleSizes) {
    using Sizes = std::array<std::optional<int>, 4>; // MWnO, MWnD, DirW, DirH
    for (const auto& [written, read] : std::vector<std::pair<Sizes, Sizes>>{
             {Sizes{120, 300, 400, 250}, Sizes{120, 300, 400, 250}},
             {Sizes{0, 300, 400, 1 << 30}, Sizes{}},
         }) {
        MemoryRegistry registry;
        writePlacement(registry, {0, 0, 578, 353},
                       {{}, false, written[0], written[1], written[2], written[3]});
        const Arrangement back = readArrangement(registry);
        EXPECT_EQ((Sizes{back.operationWidth, back.descriptionWidth, back.chooserWidth,
                         back.chooserHeight}),
                  read);
    }
}

} // namespace
} // namespace quorvane
