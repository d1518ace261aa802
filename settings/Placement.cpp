#include "settings/Placement.h"

#include "settings/Schema.h"
#include "settings/SettingsKey.h"

#include <algorithm>

namespace quorvane {

namespace {

// Stored values may be anything a hand-edited settings file holds; sums of them are taken wide.
using Wide = std::int64_t;

struct Edges {
    Wide left, top, right, bottom; // right and bottom just outside
};

Edges edgesOf(const ScreenRect& r) {
    return {r.left, r.top, Wide{r.left} + r.width, Wide{r.top} + r.height};
}

bool holds(const Edges& area, const Edges& window) {
    return window.left >= area.left && window.top >= area.top && window.right <= area.right &&
           window.bottom <= area.bottom;
}

Wide overlap(const Edges& a, const Edges& b) {
    const Wide width = std::min(a.right, b.right) - std::max(a.left, b.left);
    const Wide height = std::min(a.bottom, b.bottom) - std::max(a.top, b.top);
    return width > 0 && height > 0 ? width * height : 0;
}

// How far apart two rectangles are, across and down added up; 0 when they touch or overlap.
Wide gap(const Edges& a, const Edges& b) {
    const Wide dx = std::max<Wide>(0, std::max(a.left, b.left) - std::min(a.right, b.right));
    const Wide dy = std::max<Wide>(0, std::max(a.top, b.top) - std::min(a.bottom, b.bottom));
    return dx + dy;
}

int clampedStart(int start, int length, int areaStart, int areaLength) {
    const Wide last = Wide{areaStart} + areaLength - length;
    return static_cast<int>(std::clamp<Wide>(start, areaStart, std::max<Wide>(areaStart, last)));
}

} // namespace

ScreenRect insideFrame(const ScreenRect& outer, const FrameMargins& frame) {
    return {outer.left + frame.left, outer.top + frame.top, outer.width - frame.left - frame.right,
            outer.height - frame.top - frame.bottom};
}

ScreenRect aroundFrame(const ScreenRect& inside, const FrameMargins& frame) {
    return {inside.left - frame.left, inside.top - frame.top,
            inside.width + frame.left + frame.right, inside.height + frame.top + frame.bottom};
}

std::optional<ScreenRect>
storedPlacement(const std::array<std::optional<std::int32_t>, 4>& leftTopWidthHeight) {
    Wide sum = 0;
    for (const auto& value : leftTopWidthHeight) {
        if (!value)
            return std::nullopt;
        sum += *value;
    }
    if (sum == 0)
        return std::nullopt;
    const auto& [left, top, width, height] = leftTopWidthHeight;
    return ScreenRect{*left, *top, *width, *height};
}

ScreenRect centredOn(const ScreenRect& area, int width, int height) {
    return {static_cast<int>(area.left + (Wide{area.width} - width) / 2),
            static_cast<int>(area.top + (Wide{area.height} - height) / 2), width, height};
}

ScreenRect fitOnScreen(const ScreenRect& outer, const std::vector<ScreenRect>& areas,
                       int minimumWidth, int minimumHeight) {
    // A width or height of nothing or less is no size to open at.
    ScreenRect wanted = outer;
    wanted.width = std::max({wanted.width, minimumWidth, 1});
    wanted.height = std::max({wanted.height, minimumHeight, 1});
    if (areas.empty())
        return wanted;
    const Edges window = edgesOf(wanted);
    if (std::any_of(areas.begin(), areas.end(),
                    [&window](const ScreenRect& area) { return holds(edgesOf(area), window); }))
        return wanted;

    // The screen that shows most of it; when none shows any, the nearest. Ties go to the one
    // listed first, the primary screen.
    const ScreenRect* best = &areas.front();
    Wide bestOverlap = overlap(edgesOf(*best), window);
    Wide bestGap = gap(edgesOf(*best), window);
    for (const ScreenRect& area : areas) {
        const Wide covered = overlap(edgesOf(area), window);
        const Wide distance = gap(edgesOf(area), window);
        if (covered > bestOverlap || (bestOverlap == 0 && covered == 0 && distance < bestGap)) {
            best = &area;
            bestOverlap = covered;
            bestGap = distance;
        }
    }
    ScreenRect fitted = wanted;
    fitted.width = std::min(wanted.width, best->width);
    fitted.height = std::min(wanted.height, best->height);
    fitted.left = clampedStart(wanted.left, fitted.width, best->left, best->width);
    fitted.top = clampedStart(wanted.top, fitted.height, best->top, best->height);
    return fitted;
}

namespace {

constexpr std::array placementNames{value::windowLeft, value::windowTop, value::windowWidth,
                                    value::windowHeight};

} // namespace

std::optional<ScreenRect> readPlacement(Registry& registry) {
    SettingsKey key(registry);
    std::array<std::optional<std::int32_t>, 4> stored;
    for (std::size_t i = 0; i < placementNames.size(); ++i)
        if (key.valueExists(placementNames[i]))
            stored[i] = key.readInteger(placementNames[i]);
    return storedPlacement(stored);
}

Arrangement readArrangement(Registry& registry) {
    SettingsKey key(registry);
    const auto read = [&key](std::string_view name, int least, int most) -> std::optional<int> {
        if (!key.valueExists(name))
            return std::nullopt;
        const std::int32_t value = key.readInteger(name);
        return value >= least && value <= most ? std::optional<int>(value) : std::nullopt;
    };
    Arrangement arrangement;
    arrangement.treeShare = read(value::windowTreeShare, 0, 1000);
    arrangement.maximized = read(value::windowMaximized, 1, 1).has_value();
    // No column or window is ever wider or taller than this; a larger value was not stored here.
    constexpr int mostPixels = 100000;
    const auto readPair = [&read](std::string_view first, std::string_view second,
                                  std::optional<int>& firstValue, std::optional<int>& secondValue) {
        firstValue = read(first, 1, mostPixels);
        secondValue = read(second, 1, mostPixels);
        if (!firstValue || !secondValue)
            firstValue = secondValue = std::nullopt;
    };
    readPair(value::listOperationWidth, value::listDescriptionWidth, arrangement.operationWidth,
             arrangement.descriptionWidth);
    readPair(value::chooserWidth, value::chooserHeight, arrangement.chooserWidth,
             arrangement.chooserHeight);
    return arrangement;
}

void writePlacement(Registry& registry, const ScreenRect& outer, const Arrangement& arrangement) {
    SettingsKey key(registry);
    const std::array numbers{outer.left, outer.top, outer.width, outer.height};
    for (std::size_t i = 0; i < placementNames.size(); ++i)
        key.writeInteger(placementNames[i], numbers[i]);
    if (arrangement.treeShare)
        key.writeInteger(value::windowTreeShare, *arrangement.treeShare);
    key.writeInteger(value::windowMaximized, arrangement.maximized ? 1 : 0);
    const auto writePair = [&key](std::string_view first, std::string_view second,
                                  const std::optional<int>& firstValue,
                                  const std::optional<int>& secondValue) {
        if (!firstValue || !secondValue)
            return;
        key.writeInteger(first, *firstValue);
        key.writeInteger(second, *secondValue);
    };
    writePair(value::listOperationWidth, value::listDescriptionWidth, arrangement.operationWidth,
              arrangement.descriptionWidth);
    writePair(value::chooserWidth, value::chooserHeight, arrangement.chooserWidth,
              arrangement.chooserHeight);
    key.close();
}

} // namespace quorvane
