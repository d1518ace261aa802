#pragma once

#include "store/Registry.h"

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

namespace quorvane {

// A rectangle of the screen in pixels: for the window's placement, its outer rectangle, frame
// included, as MWnL, MWnT, MWnW and MWnH store it.
struct ScreenRect {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;

    friend bool operator==(const ScreenRect&, const ScreenRect&) = default;
};

// The window manager's frame around the window's own area.
struct FrameMargins {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
};

// The window's own area inside an outer rectangle, and back.
ScreenRect insideFrame(const ScreenRect& outer, const FrameMargins& frame);
ScreenRect aroundFrame(const ScreenRect& inside, const FrameMargins& frame);

// The placement to restore from the four stored values (left, top, width, height): none when
// one of them is missing or they add up to 0, and the window is then centred instead.
std::optional<ScreenRect>
storedPlacement(const std::array<std::optional<std::int32_t>, 4>& leftTopWidthHeight);

// The placement stored in the settings (MWnL, MWnT, MWnW, MWnH), as storedPlacement reads it.
// Throws Failure when one of them is there but does not read as an integer.
std::optional<ScreenRect> readPlacement(Registry& registry);
// How the window was arranged inside (MWnS, MWnM, MWnO, MWnD, DirW, DirH); what was never stored
// is empty. A maximized window's placement is the rectangle it had before it was maximized.
struct Arrangement {
    std::optional<int> treeShare; // of the room beside the list, in thousandths
    bool maximized = false;
    // The list's columns, "Operation" and "Description", in pixels; stored only as a pair.
    std::optional<int> operationWidth;
    std::optional<int> descriptionWidth;
    // The directory chooser's size; stored only as a pair.
    std::optional<int> chooserWidth;
    std::optional<int> chooserHeight;
};

// Throws Failure when one of them is there but does not read as an integer; a share, a width or
// a height beyond what it can be counts as never stored, and so does half of a pair.
Arrangement readArrangement(Registry& registry);

// Stores `outer` as the window's placement, with what `arrangement` holds, in one commit.
void writePlacement(Registry& registry, const ScreenRect& outer,
                    const Arrangement& arrangement = {});

// A rectangle of `width` x `height` centred on `area`.
ScreenRect centredOn(const ScreenRect& area, int width, int height);

// Where a window asked to open at `outer` opens. Lying whole on one of `areas` (the screens'
// areas left free by panels and docks), it stays as it is. Otherwise it goes onto the area it
// covers most, or the nearest one when it covers none, shrunk to that area where it is bigger,
// and never made smaller than `minimumWidth` x `minimumHeight` unless the area is. With no area
// at all it stays as it is.
ScreenRect fitOnScreen(const ScreenRect& outer, const std::vector<ScreenRect>& areas,
                       int minimumWidth = 0, int minimumHeight = 0);

} // namespace quorvane
