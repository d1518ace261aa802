#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quorvane {

// The help file is rich text, and the host has no rich-text control to show it. This reader turns
// the file into the little a viewer needs (paragraphs of formatted runs); the help window turns
// that into its own text document.

enum class RtfAlignment { Left, Centre, Right, Justified };

struct RtfColour {
    std::uint8_t red = 0;
    std::uint8_t green = 0;
    std::uint8_t blue = 0;

    bool operator==(const RtfColour&) const = default;
};

struct RtfCharFormat {
    bool bold = false;
    bool italic = false;
    bool underline = false;
    // Rich text counts in half-points; 24 (12 points) when the file names no size.
    int halfPoints = 24;
    // The name from the file's font table; empty when the file names no font.
    std::string fontFamily;
    // Empty means the viewer's own text colour.
    std::optional<RtfColour> colour;

    double points() const { return halfPoints / 2.0; }
    bool operator==(const RtfCharFormat&) const = default;
};

// Text is UTF-8. A tab is '\t'; a line break inside a paragraph is U+2028 (rtfLineSeparator),
// which a text document shows as a soft line break. Runs are never empty, and neighbouring runs
// always differ in format.
struct RtfRun {
    std::string text;
    RtfCharFormat format;

    bool operator==(const RtfRun&) const = default;
};

// Indents, spacing and tab stops are in twips (1/20 point, 1/1440 inch). The first-line indent
// is relative to the left indent and negative for a hanging indent, as in bullet lists. Tab stops
// are measured from the left margin, not from the indent, and stand in rising order; a list item
// is typically "\bullet\tab text" with a tab stop where the hanging indent ends.
struct RtfParagraph {
    RtfAlignment alignment = RtfAlignment::Left;
    int leftIndent = 0;
    int firstLineIndent = 0;
    int spaceBefore = 0;
    int spaceAfter = 0;
    std::vector<int> tabStops;
    std::vector<RtfRun> runs;

    // The runs' text joined, without formats.
    std::string text() const;
};

struct RtfDocument {
    // False when the bytes were not rich text and were read as plain text, one paragraph a line.
    bool richText = false;
    std::vector<RtfParagraph> paragraphs;
};

inline constexpr std::string_view rtfLineSeparator = "\xE2\x80\xA8";

// Never throws on bad input and never fails: malformed rich text gives what could be read before
// and around the damage. Pictures, objects, headers, footers, field instructions, hidden text and
// every destination the reader does not know are left out; a field shows its result. Bytes that do
// not begin with "{\rtf" are plain text: UTF-8 when they are valid UTF-8 (a leading byte-order mark
// dropped), Windows-1252 otherwise. In rich text, \'hh and raw 8-bit bytes are read in the
// document's code page (\ansicpg 1250, 1251 or 1252; any other is read as 1252).
RtfDocument readRtf(std::string_view bytes);

} // namespace quorvane
