#include "help/RtfReader.h"

#include "menu/Catalog.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <random>
#include <sstream>

namespace quorvane {
namespace {

const std::string LS = "\xE2\x80\xA8"; // line separator
const std::string NBSP = "\xC2\xA0";
const std::string REPLACEMENT = "\xEF\xBF\xBD";

// One bracketed item per paragraph: an alignment marker unless left-aligned, then the runs split
// by '|'; a run that is not in the default format shows its format in angle brackets first.
std::string describe(const RtfDocument& document) {
    static const char* const alignments[] = {"", "c:", "r:", "j:"};
    std::string out;
    for (const RtfParagraph& paragraph : document.paragraphs) {
        out += std::string("[") + alignments[int(paragraph.alignment)];
        for (const RtfRun& run : paragraph.runs) {
            if (&run != &paragraph.runs.front())
                out += '|';
            std::ostringstream traits;
            const RtfCharFormat& format = run.format;
            traits << (format.bold ? ",b" : "") << (format.italic ? ",i" : "")
                   << (format.underline ? ",u" : "");
            if (format.halfPoints != 24)
                traits << ',' << format.points() << "pt";
            if (!format.fontFamily.empty())
                traits << ',' << format.fontFamily;
            if (format.colour) {
                char hex[8];
                std::snprintf(hex, sizeof hex, "#%02x%02x%02x", format.colour->red,
                              format.colour->green, format.colour->blue);
                traits << ',' << hex;
            }
            if (!traits.str().empty())
                out += '<' + traits.str().substr(1) + '>';
            out += run.text;
        }
        out += ']';
    }
    return out;
}

bool validUtf8(const std::string& text) {
    for (size_t i = 0; i < text.size();) {
        const auto lead = static_cast<unsigned char>(text[i]);
        const size_t length = lead < 0x80 ? 1 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : 2;
        if (lead >= 0x80 && (lead < 0xC2 || lead > 0xF4))
            return false;
        if (i + length > text.size())
            return false;
        for (size_t k = 1; k < length; ++k)
            if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80)
                return false;
        i += length;
    }
    return true;
}

// What any input, however damaged, must give.
void expectSound(const RtfDocument& document, const std::string& input) {
    size_t textBytes = 0;
    ASSERT_LE(document.paragraphs.size(), input.size() + 1);
    for (const RtfParagraph& paragraph : document.paragraphs) {
        for (size_t i = 0; i < paragraph.runs.size(); ++i) {
            const RtfRun& run = paragraph.runs[i];
            ASSERT_FALSE(run.text.empty());
            ASSERT_TRUE(validUtf8(run.text));
            ASSERT_GE(run.format.halfPoints, 1);
            ASSERT_LE(run.format.halfPoints, 3276);
            if (i > 0) {
                ASSERT_FALSE(run.format == paragraph.runs[i - 1].format);
            }
            textBytes += run.text.size();
        }
        ASSERT_LE(std::abs(paragraph.leftIndent), 31680);
        ASSERT_LE(std::abs(paragraph.firstLineIndent), 31680);
        ASSERT_TRUE(std::is_sorted(paragraph.tabStops.begin(), paragraph.tabStops.end()));
    }
    // No byte of input yields more than one character, and none takes more than three bytes.
    ASSERT_LE(textBytes, 3 * input.size());
}

struct Case {
    const char* name;
    std::string input;
    std::string expected;
};

void PrintTo(const Case& c, std::ostream* out) {
    *out << c.name;
}

class RtfDocuments : public ::testing::TestWithParam<Case> {};

TEST_P(RtfDocuments, ReadAsShown) {
    const RtfDocument document = readRtf(GetParam().input);
    EXPECT_EQ(describe(document), GetParam().expected);
    EXPECT_TRUE(document.richText);
    expectSound(document, GetParam().input);
}

const auto caseName = [](const auto& info) { return std::string(info.param.name); };

INSTANTIATE_TEST_SUITE_P(
    Formatting, RtfDocuments,
    ::testing::Values(
        Case{"PlainWords", R"({\rtf1 Hello world})", "[Hello world]"},
        Case{"BoldOnAndOff", R"({\rtf1 a \b bold\b0  c})", "[a |<b>bold| c]"},
        Case{"ItalicAndUnderline", R"({\rtf1 \i i\i0 \ul u\ulnone n\ul w\ul0 x\uldb d})",
             "[<i>i|<u>u|n|<u>w|x|<u>d]"},
        Case{"SizesInHalfPoints", R"({\rtf1 \fs40 big\fs21 odd\fs norm})",
             "[<20pt>big|<10.5pt>odd|norm]"},
        Case{"RepeatedFormatMerges", R"({\rtf1 \b a\b b\i0 c})", "[<b>abc]"},
        Case{"GroupsRestore", R"({\rtf1 a{\b b{\i c}d}e})", "[a|<b>b|<b,i>c|<b>d|e]"},
        Case{"PlainInsideGroup", R"({\rtf1\b a{\plain b}c})", "[<b>a|b|<b>c]"},
        Case{"HiddenText", R"({\rtf1 a{\v hidden\par}b})", "[a][b]"},
        Case{"FontTable",
             R"({\rtf1\deff0{\fonttbl{\f0\fswiss\fcharset0 Arial;}{\f1\froman Times New Roman;}})"
             R"(a\f1 b\plain c})",
             "[<Arial>a|<Times New Roman>b|<Arial>c]"},
        Case{"FontTableWithoutInnerGroups", R"({\rtf1{\fonttbl\f0 Arial;\f1 Courier New;}\f1 x})",
             "[<Courier New>x]"},
        Case{"FontNameWithoutSemicolon",
             R"({\rtf1{\fonttbl{\f2{\*\panose 02020603}Symbolic}}\f2 y})", "[<Symbolic>y]"},
        Case{"UnknownFontNumber", R"({\rtf1{\fonttbl{\f0 Arial;}}\f7 z})", "[z]"},
        Case{"ColourTable",
             R"({\rtf1{\colortbl;\red255\green0\blue0;\red0\green128\blue0;})"
             R"(\cf1 red\cf2 green\cf0  auto\cf9  none})",
             "[<#ff0000>red|<#008000>green| auto none]"},
        Case{"ColourZeroGiven", R"({\rtf1{\colortbl\red0\green0\blue255;}x\cf0 y})",
             "[x|<#0000ff>y]"},
        Case{"ColourComponentsClamp", R"({\rtf1{\colortbl;\red999\green-4\blue7;}\cf1 x})",
             "[<#ff0007>x]"}),
    caseName);

INSTANTIATE_TEST_SUITE_P(
    Paragraphs, RtfDocuments,
    ::testing::Values(
        Case{"Alignments", R"({\rtf1\qc c\par\qr r\par\qj j\par\qd d\par\pard l\par})",
             "[c:c][r:r][j:j][j:d][l]"},
        Case{"AlignmentAtParagraphEnd", R"({\rtf1 x\qr\par y})", "[r:x][r:y]"},
        Case{"AlignmentScopedByGroup", R"({\rtf1{\qc centred\par}left\par})", "[c:centred][left]"},
        Case{"UnclosedLastParagraphKeepsItsAlignment", R"({\rtf1\qc t})", "[c:t]"},
        Case{"EmptyParagraphsKept", R"({\rtf1 a\par\par b\par})", "[a][][b]"},
        Case{"NoTextNoParagraph", R"({\rtf1\ansi\deff0\pard\qc\b})", ""},
        Case{"TabsAndLines", R"({\rtf1 a\tab b\line c})", "[a\tb" + LS + "c]"},
        Case{"BackslashNewlineEndsParagraph", "{\\rtf1 a\\\nb}", "[a][b]"},
        Case{"LineEndsInFileAreNotText", "{\\rtf1 a\r\nb\nc}", "[abc]"},
        Case{"TableCellsAndRows", R"({\rtf1 a\cell b\cell\row c})", "[a\tb\t][c]"}),
    caseName);

INSTANTIATE_TEST_SUITE_P(
    Characters, RtfDocuments,
    ::testing::Values(
        Case{"UnicodeWithFallback", R"({\rtf1 caf\u233?})", "[caf\xC3\xA9]"},
        Case{"UnicodeNegative", R"({\rtf1 \u-1279?x})", "[\xEF\xAC\x81x]"},
        Case{"SurrogatePair", R"({\rtf1 \u-10179?\u-8704?})", "[\xF0\x9F\x98\x80]"},
        Case{"LoneHighSurrogate", R"({\rtf1 \u-10179?a})", "[" + REPLACEMENT + "a]"},
        Case{"LoneLowSurrogate", R"({\rtf1 \u56832?a})", "[" + REPLACEMENT + "a]"},
        Case{"TwoCharacterFallback", R"({\rtf1\uc2 \u8212--x})", "[\xE2\x80\x94x]"},
        Case{"NoFallback", R"({\rtf1\uc0\u8212-})", "[\xE2\x80\x94-]"},
        Case{"HexFallbackCountsAsOne", R"({\rtf1\u233\'e9 x})", "[\xC3\xA9 x]"},
        Case{"FallbackStopsAtBrace", R"({\rtf1\uc4 \u233{a}b})",
             "[\xC3\xA9"
             "ab]"},
        Case{"SkipCountScopedByGroup", R"({\rtf1{\uc3 x}\u233?y})", "[x\xC3\xA9y]"},
        Case{"ControlCharactersDropped", R"({\rtf1 a\u7?b\'01c\u9?d})", "[abc\td]"},
        Case{"HexInWindows1252", R"({\rtf1 \'e9\'80\'E9\'9f})",
             "[\xC3\xA9\xE2\x82\xAC\xC3\xA9\xC5\xB8]"},
        Case{"UndefinedInWindows1252", R"({\rtf1 a\'81b\'9dc})",
             "[a\xEF\xBF\xBD"
             "b\xEF\xBF\xBD"
             "c]"},
        Case{"RawHighBytes", "{\\rtf1 caf\xE9}", "[caf\xC3\xA9]"},
        Case{"Windows1251", R"({\rtf1\ansi\ansicpg1251 \'cf\'f0\'e8\'a8})",
             "[\xD0\x9F\xD1\x80\xD0\xB8\xD0\x81]"},
        Case{"Windows1250", R"({\rtf1\ansi\ansicpg1250 \'9a\'e8})", "[\xC5\xA1\xC4\x8D]"},
        Case{"OtherCodePageReadAs1252", R"({\rtf1\ansicpg932 \'e9})", "[\xC3\xA9]"},
        Case{"Escapes", R"({\rtf1 \\ \{ \} a\~b})", "[\\ { } a" + NBSP + "b]"},
        Case{"Hyphens", R"({\rtf1 a\-b\_c})",
             "[a\xC2\xAD"
             "b\xE2\x80\x91"
             "c]"},
        Case{"Punctuation", R"({\rtf1\emdash\endash\bullet\lquote\rquote\ldblquote\rdblquote})",
             "[\xE2\x80\x94\xE2\x80\x93\xE2\x80\xA2\xE2\x80\x98\xE2\x80\x99\xE2\x80\x9C"
             "\xE2\x80\x9D]"}),
    caseName);

INSTANTIATE_TEST_SUITE_P(
    Destinations, RtfDocuments,
    ::testing::Values(
        Case{"IgnorableUnknown", R"({\rtf1{\*\unknown secret}shown})", "[shown]"},
        Case{"IgnorableAfterLineEnd", "{\\rtf1{\\*\r\n\\generator x;}y}", "[y]"},
        Case{"KnownUnmarked",
             R"({\rtf1{\info{\title T}}{\stylesheet{\s0 Normal;}}{\header H}{\footer F}x})", "[x]"},
        Case{"PictureHex", R"({\rtf1 a{\pict\wmetafile8 0123abcd}b})", "[ab]"},
        Case{"PictureBinaryWithBraces", R"({\rtf1 a{\pict\bin4 }}{{b}c})", "[ac]"},
        Case{"EscapedBraceInSkippedGroup", R"({\rtf1 a{\*\x \}}b})", "[ab]"},
        Case{"BinaryInText", R"({\rtf1 a\bin3 xyzb})", "[ab]"},
        Case{"UnknownWordIgnored", R"({\rtf1 a\foo b\bar42 c})", "[abc]"},
        Case{"FieldResult",
             R"({\rtf1 see {\field{\*\fldinst HYPERLINK "http://x"}{\fldrslt the link}} now})",
             "[see the link now]"},
        Case{"FieldInstructionUnmarked", R"({\rtf1{\field{\fldinst PAGE}{\fldrslt 3}}})", "[3]"},
        Case{"OldListMarkersKept", R"({\rtf1{\*\pn\pnlvlblt{\pntxtb\'b7}}{\pntext\'b7\tab}Item})",
             "[\xC2\xB7\tItem]"},
        Case{"OldListSettingsUnmarked", R"({\rtf1{\pn\pnlvlblt{\pntxtb\'b7}}Item})", "[Item]"}),
    caseName);

INSTANTIATE_TEST_SUITE_P(
    Malformed, RtfDocuments,
    ::testing::Values(Case{"UnclosedGroups", R"({\rtf1 {\b bold)", "[<b>bold]"},
                      Case{"TextAfterDocumentEnds", R"({\rtf1 a}}b)", "[a]"},
                      Case{"LoneBackslashAtEnd", R"({\rtf1 abc\)", "[abc]"},
                      Case{"TruncatedHexAtEnd", R"({\rtf1 a\')", "[a]"},
                      Case{"HalfHexAtEnd", R"({\rtf1 a\'4)", "[a]"},
                      Case{"BadHexKeepsFollowingText", R"({\rtf1 a\'4zb\'qq})", "[azbqq]"},
                      Case{"HugeFontSize", R"({\rtf1\fs99999999999999 x})", "[<1638pt>x]"},
                      Case{"NonPositiveFontSizeIgnored", R"({\rtf1\fs30 a\fs-5 b\fs0 c})",
                           "[<15pt>abc]"},
                      Case{"HugeUnicode", R"({\rtf1 \u99999999999?x})", "[" + REPLACEMENT + "x]"},
                      Case{"HugeBoldParameter", R"({\rtf1 \b99999999999999999999 x})", "[<b>x]"},
                      Case{"HugeSkipCountEndsAtGroup", R"({\rtf1{\uc99999999 \u233 abc}d})",
                           "[\xC3\xA9"
                           "d]"},
                      Case{"HugeBinaryLength", R"({\rtf1 a\bin99999999999 xyz})", "[a]"},
                      Case{"NegativeBinaryLength", R"({\rtf1 a\bin-5 x})", "[ax]"},
                      Case{"IgnorableMarkerAtEnd", R"({\rtf1 a\*)", "[a]"},
                      Case{"IgnorableBeforeGroup", R"({\rtf1 a{\*{x}y}b})", "[ab]"},
                      Case{"OnlyTheHeader", R"({\rtf)", ""},
                      Case{"NulBytes", std::string("{\\rtf1 a\0b}", 11), "[ab]"}),
    caseName);

TEST(RtfParagraphFormat, IndentsSpacingAndTabStops) {
    const RtfDocument document = readRtf(
        R"({\rtf1\li720\fi-360\sb120\sa60\tx2160\tx360\tx2160 x\par\pard y\par\li99999999 z})");
    ASSERT_EQ(document.paragraphs.size(), 3u);
    const RtfParagraph& first = document.paragraphs[0];
    EXPECT_EQ(first.leftIndent, 720);
    EXPECT_EQ(first.firstLineIndent, -360);
    EXPECT_EQ(first.spaceBefore, 120);
    EXPECT_EQ(first.spaceAfter, 60);
    EXPECT_EQ(first.tabStops, (std::vector<int>{360, 2160}));
    EXPECT_TRUE(document.paragraphs[1].tabStops.empty());
    EXPECT_EQ(document.paragraphs[1].leftIndent, 0);
    EXPECT_EQ(document.paragraphs[1].spaceBefore, 0);
    EXPECT_EQ(document.paragraphs[2].leftIndent, 31680);
}

class PlainText : public ::testing::TestWithParam<Case> {};

TEST_P(PlainText, OneParagraphPerLine) {
    const RtfDocument document = readRtf(GetParam().input);
    EXPECT_FALSE(document.richText);
    EXPECT_EQ(describe(document), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Files, PlainText,
    ::testing::Values(Case{"Empty", "", ""},
                      Case{"MixedLineEnds", "one\r\ntwo\nthree\rfour", "[one][two][three][four]"},
                      Case{"FinalLineEndOpensNoLine", "last\n", "[last]"},
                      Case{"EmptyLinesKept", "a\n\n\nb", "[a][][][b]"},
                      Case{"Windows1252", "caf\xE9 \x80", "[caf\xC3\xA9 \xE2\x82\xAC]"},
                      Case{"Utf8", "caf\xC3\xA9", "[caf\xC3\xA9]"},
                      Case{"ByteOrderMarkDropped", "\xEF\xBB\xBFx", "[x]"},
                      Case{"TruncatedUtf8Is1252", "\xC3", "[\xC3\x83]"},
                      Case{"OverlongUtf8Is1252", "\xC0\xAF", "[\xC3\x80\xC2\xAF]"},
                      Case{"AlmostRtf", "{\\rt x}", "[{\\rt x}]"},
                      Case{"RtfAfterBlank", " {\\rtf1 x}", "[ {\\rtf1 x}]"},
                      Case{"TabsKeptControlsDropped", std::string("a\tb\0c\x07", 6), "[a\tbc]"}),
    caseName);

TEST(RtfDeepNesting, HundredThousandBalancedGroups) {
    const std::string input =
        "{\\rtf1 " + std::string(100000, '{') + "deep" + std::string(100000, '}') + " tail}";
    EXPECT_EQ(describe(readRtf(input)), "[deep tail]");
}

TEST(RtfDeepNesting, HundredThousandUnclosedGroups) {
    EXPECT_EQ(describe(readRtf("{\\rtf1 " + std::string(100000, '{') + "text")), "[text]");
}

TEST(RtfDeepNesting, FormattingScopedAgainOnceShallow) {
    const std::string input =
        "{\\rtf1 " + std::string(5000, '{') + "\\b x" + std::string(5000, '}') + "y}";
    EXPECT_EQ(describe(readRtf(input)), "[<b>x|y]");
}

TEST(RtfDeepNesting, SkippedDestinationDeepInside) {
    const std::string input = "{\\rtf1 a{\\*\\x " + std::string(100000, '{') + "hidden" +
                              std::string(100000, '}') + "}b}";
    EXPECT_EQ(describe(readRtf(input)), "[ab]");
}

// Most of what the reader understands, in one document. It holds no \uN on purpose: a \uN cut
// short is a different character, which would break the prefix rule below.
const std::string sample =
    R"({\rtf1\ansi\ansicpg1252\deff0{\fonttbl{\f0\fswiss Arial;}{\f1\fmodern Courier New;}})"
    R"({\colortbl;\red0\green0\blue128;\red128\green0\blue0;}{\info{\title Sample}})"
    R"({\stylesheet{\s0 Normal;}}\pard\qc\sb240\sa120\b\fs32\cf1 Heading\par)"
    R"(\pard\qj\plain\fs20 Some \i italic\i0 , \ul underlined\ulnone  and {\f1 code} text.\par)"
    R"(\pard\li360\fi-360{\pntext\'b7\tab}\bullet\tab caf\'e9 \'80 \~ \- \_ \\ \{ \}\line next\par)"
    R"({\field{\*\fldinst HYPERLINK "x"}{\fldrslt\cf2 link}}{\pict\bin3 a}c}{}{\*\unknown z}\tab end\par)"
    R"(\qr\emdash\endash\lquote\rquote\ldblquote\rdblquote\par})";

std::string joinedText(const RtfDocument& document) {
    std::string text;
    for (const RtfParagraph& paragraph : document.paragraphs)
        text += paragraph.text() + "\n";
    return text;
}

TEST(RtfSample, ReadsWhole) {
    const RtfDocument document = readRtf(sample);
    ASSERT_EQ(document.paragraphs.size(), 5u);
    EXPECT_EQ(describe(document).substr(0, 38), "[c:<b,16pt,Arial,#000080>Heading][j:<1");
    EXPECT_EQ(document.paragraphs[3].text(), "link\tend");
    EXPECT_EQ(document.paragraphs[3].runs[0].format.colour, (RtfColour{128, 0, 0}));
}

// Cutting the file anywhere keeps what came before the cut, and nothing else.
TEST(RtfSample, EveryTruncationKeepsAPrefix) {
    const std::string full = joinedText(readRtf(sample));
    // Shorter than "{\rtf" it is plain text.
    for (size_t length = 5; length <= sample.size(); ++length) {
        const std::string input = sample.substr(0, length);
        const RtfDocument document = readRtf(input);
        expectSound(document, input);
        std::string text = joinedText(document);
        if (!text.empty() && !full.starts_with(text))
            text.pop_back(); // the unfinished last paragraph carries no line end in the full text
        ASSERT_TRUE(full.starts_with(text)) << "cut after " << length << " bytes: " << text;
    }
}

TEST(RtfFuzz, RandomMutationsOfAValidDocument) {
    std::mt19937 random(4711);
    const std::string pieces[] = {"{",         "}",   "\\",   "\\'",  "\\u", "\\bin",
                                  "\\*",       "-",   "9",    " ",    ";",   "\\par",
                                  "\\fonttbl", "\\f", "\\cf", "\\uc", "\xFF"};
    for (int round = 0; round < 3000; ++round) {
        std::string input = sample;
        const int edits = 1 + int(random() % 4);
        for (int e = 0; e < edits; ++e) {
            const size_t at = random() % (input.size() + 1);
            switch (random() % 4) {
            case 0:
                input.erase(at, random() % 12);
                break;
            case 1:
                input.insert(at, pieces[random() % std::size(pieces)]);
                break;
            case 2:
                if (at < input.size())
                    input[at] = char(random() % 256);
                break;
            default:
                if (!input.empty())
                    input.insert(at, input.substr(random() % input.size(), random() % 40));
                break;
            }
        }
        const RtfDocument document = readRtf(input);
        ASSERT_NO_FATAL_FAILURE(expectSound(document, input)) << input;
    }
}

TEST(RtfFuzz, RandomBytes) {
    std::mt19937 random(1996);
    const std::string alphabet = "{}\\\\\\\\'*abcdfilnpqrstuvx0123456789- ;\r\n\t";
    for (int round = 0; round < 4000; ++round) {
        std::string input = round % 2 == 0 ? "{\\rtf1 " : "";
        const size_t length = random() % 300;
        for (size_t i = 0; i < length; ++i)
            input +=
                random() % 5 == 0 ? char(random() % 256) : alphabet[random() % alphabet.size()];
        const RtfDocument document = readRtf(input);
        ASSERT_NO_FATAL_FAILURE(expectSound(document, input)) << input;
    }
}

// The help file that ships with the program: it must read as rich text, cleanly, and explain
// every operation under the caption the user sees first.
TEST(HelpFile, ReadsCleanlyAndNamesEveryOperation) {
    const auto path = std::filesystem::path(QUORVANE_RESOURCES_DIR) / "Quorvane.rtf";
    std::ifstream file(path, std::ios::binary);
    ASSERT_TRUE(file) << path;
    const std::string bytes{std::istreambuf_iterator<char>(file), {}};
    const RtfDocument document = readRtf(bytes);
    ASSERT_TRUE(document.richText);
    expectSound(document, bytes);

    const std::string text = joinedText(document);
    EXPECT_EQ(text.find(REPLACEMENT), std::string::npos);
    EXPECT_EQ(text.find_first_of("{}"), std::string::npos) << "a stray brace or a typo";
    for (const Operation& operation : operations())
        EXPECT_NE(text.find(operation.defaultCaption), std::string::npos)
            << operation.defaultCaption;

    int headings = 0;
    for (const RtfParagraph& paragraph : document.paragraphs)
        if (!paragraph.runs.empty() && paragraph.runs.front().format.bold &&
            paragraph.runs.front().format.halfPoints > 24)
            ++headings;
    EXPECT_GE(headings, 8);
}

} // namespace
} // namespace quorvane
