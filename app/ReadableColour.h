#pragma once

#include <cstdint>

class QColor;
class QWidget;

namespace quorvane {

// A colour as 8-bit sRGB components.
struct Rgb {
    std::uint8_t red = 0;
    std::uint8_t green = 0;
    std::uint8_t blue = 0;
    friend bool operator==(const Rgb&, const Rgb&) = default;
};

// Relative luminance and contrast ratio as the Web Content Accessibility Guidelines define them:
// 0 for black to 1 for white; 1:1 for equal colours to 21:1 for black on white.
double relativeLuminance(Rgb colour);
double contrastRatio(Rgb first, Rgb second);

// The least contrast normal text needs to be read.
inline constexpr double readableContrast = 4.5;

// The colour to write `wanted` in on `background`. On a light background that is `wanted` itself,
// as the windows were drawn for one. On a dark background a colour that is not readable gives way
// to the darkest tone of its own hue that is (black becomes a grey, navy a light blue).
Rgb readableOn(Rgb wanted, Rgb background);

// The same for Qt's colours; the alpha of `wanted` is kept.
QColor readableOn(const QColor& wanted, const QColor& background);

// Every widget below `window` whose style sheet sets its text colour, as the window's designer
// left it ("color: rgb(r, g, b);"), gets that colour made readable on the widget's background.
void makeTextReadable(QWidget& window);

} // namespace quorvane
