#include "help/RtfReader.h"

#include "platform/Codepage.h"

#include <algorithm>
#include <array>
#include <limits>
#include <unordered_map>

namespace quorvane {

namespace {

// Upper halves of Windows-1250 and -1251, generated from the published mappings; U+FFFD marks a
// byte the code page leaves undefined. Windows-1252 is the settings' own code page
// (platform/Codepage.h).
constexpr std::array<char16_t, 128> cp1250From80 = {
    0x20AC, 0xFFFD, 0x201A, 0xFFFD, 0x201E, 0x2026, 0x2020, 0x2021, 0xFFFD, 0x2030, 0x0160, 0x2039,
    0x015A, 0x0164, 0x017D, 0x0179, 0xFFFD, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0xFFFD, 0x2122, 0x0161, 0x203A, 0x015B, 0x0165, 0x017E, 0x017A, 0x00A0, 0x02C7, 0x02D8, 0x0141,
    0x00A4, 0x0104, 0x00A6, 0x00A7, 0x00A8, 0x00A9, 0x015E, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x017B,
    0x00B0, 0x00B1, 0x02DB, 0x0142, 0x00B4, 0x00B5, 0x00B6, 0x00B7, 0x00B8, 0x0105, 0x015F, 0x00BB,
    0x013D, 0x02DD, 0x013E, 0x017C, 0x0154, 0x00C1, 0x00C2, 0x0102, 0x00C4, 0x0139, 0x0106, 0x00C7,
    0x010C, 0x00C9, 0x0118, 0x00CB, 0x011A, 0x00CD, 0x00CE, 0x010E, 0x0110, 0x0143, 0x0147, 0x00D3,
    0x00D4, 0x0150, 0x00D6, 0x00D7, 0x0158, 0x016E, 0x00DA, 0x0170, 0x00DC, 0x00DD, 0x0162, 0x00DF,
    0x0155, 0x00E1, 0x00E2, 0x0103, 0x00E4, 0x013A, 0x0107, 0x00E7, 0x010D, 0x00E9, 0x0119, 0x00EB,
    0x011B, 0x00ED, 0x00EE, 0x010F, 0x0111, 0x0144, 0x0148, 0x00F3, 0x00F4, 0x0151, 0x00F6, 0x00F7,
    0x0159, 0x016F, 0x00FA, 0x0171, 0x00FC, 0x00FD, 0x0163, 0x02D9,
};

// From 0xC0 on, Windows-1251 is the Russian alphabet in order.
constexpr std::array<char16_t, 64> cp1251From80 = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021, 0x20AC, 0x2030, 0x0409,
    0x2039, 0x040A, 0x040C, 0x040B, 0x040F, 0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0xFFFD, 0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F, 0x00A0,
    0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6, 0x00A7, 0x0401, 0x00A9, 0x0404, 0x00AB,
    0x00AC, 0x00AD, 0x00AE, 0x0407, 0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6,
    0x00B7, 0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457,
};

enum class CodePage { Windows1250, Windows1251, Windows1252 };

char32_t decodeByte(unsigned char byte, CodePage page) {
    if (byte < 0x80)
        return byte;
    switch (page) {
    case CodePage::Windows1250:
        return cp1250From80[byte - 0x80];
    case CodePage::Windows1251:
        return byte >= 0xC0 ? char32_t(0x0410 + (byte - 0xC0)) : cp1251From80[byte - 0x80];
    case CodePage::Windows1252:
        break;
    }
    // Windows reads the five bytes Windows-1252 leaves undefined as C1 controls; help text shows
    // them as the other code pages' undefined bytes.
    const char32_t c = ansiCharacter(byte);
    return c < 0xA0 && c >= 0x80 ? 0xFFFD : c;
}

RtfDocument readPlainText(std::string_view bytes) {
    RtfDocument document;
    const bool utf8 = isUtf8(bytes);
    if (utf8 && bytes.starts_with("\xEF\xBB\xBF"))
        bytes.remove_prefix(3);
    std::string line;
    auto endLine = [&] {
        RtfParagraph& paragraph = document.paragraphs.emplace_back();
        if (!line.empty())
            paragraph.runs.push_back({std::move(line), {}});
        line.clear();
    };
    for (size_t i = 0; i < bytes.size(); ++i) {
        const auto byte = static_cast<unsigned char>(bytes[i]);
        if (byte == '\r' || byte == '\n') {
            if (byte == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n')
                ++i;
            endLine();
        } else if ((byte < 0x20 && byte != '\t') || byte == 0x7F) {
            continue;
        } else if (utf8 || byte < 0x80) {
            line.push_back(char(byte));
        } else {
            appendUtf8(line, decodeByte(byte, CodePage::Windows1252));
        }
    }
    // A last line without its line end is still a line; a final line end opens no new one.
    if (!line.empty())
        endLine();
    return document;
}

enum class Action : std::uint8_t {
    FontTable,
    ColourTable,
    SkipDestination,
    Bold,
    Italic,
    Underline,
    UnderlineNone,
    Hidden,
    Plain,
    FontSize,
    Font,
    Colour,
    Red,
    Green,
    Blue,
    DefaultFont,
    AnsiCodePage,
    UnicodeSkip,
    Unicode,
    Binary,
    ParagraphDefaults,
    AlignLeft,
    AlignCentre,
    AlignRight,
    AlignJustified,
    LeftIndent,
    FirstLineIndent,
    SpaceBefore,
    SpaceAfter,
    TabStop,
    ParagraphEnd,
    Character,
};

struct Keyword {
    Action action;
    char32_t character = 0;
};

// Destinations whose text is not part of the document. Any destination marked with \* is skipped
// too; these are the ones writers leave unmarked. \pntext and \listtext are kept on purpose: they
// hold the list markers as a reader without list support shows them.
constexpr std::string_view skippedDestinations =
    "info stylesheet pict object objdata header headerl headerr headerf footer footerl footerr "
    "footerf footnote fldinst annotation atnid atnauthor atndate atnref xe tc txe rxe bkmkstart "
    "bkmkend listtable listoverridetable rsidtbl revtbl filetbl generator themedata "
    "colorschememapping latentstyles datastore xmlnstbl nonshppict shp shpinst shprslt pn pntxta "
    "pntxtb ftnsep ftnsepc ftncn aftnsep aftnsepc aftncn template userprops docvar private "
    "pgdsctbl mmathPr";

const std::unordered_map<std::string_view, Keyword>& keywords() {
    static const std::unordered_map<std::string_view, Keyword> table = [] {
        std::unordered_map<std::string_view, Keyword> words = {
            {"fonttbl", {Action::FontTable}},
            {"colortbl", {Action::ColourTable}},
            {"b", {Action::Bold}},
            {"i", {Action::Italic}},
            {"ul", {Action::Underline}},
            {"uld", {Action::Underline}},
            {"uldb", {Action::Underline}},
            {"uldash", {Action::Underline}},
            {"ulth", {Action::Underline}},
            {"ulw", {Action::Underline}},
            {"ulwave", {Action::Underline}},
            {"ulnone", {Action::UnderlineNone}},
            {"v", {Action::Hidden}},
            {"plain", {Action::Plain}},
            {"fs", {Action::FontSize}},
            {"f", {Action::Font}},
            {"cf", {Action::Colour}},
            {"red", {Action::Red}},
            {"green", {Action::Green}},
            {"blue", {Action::Blue}},
            {"deff", {Action::DefaultFont}},
            {"ansicpg", {Action::AnsiCodePage}},
            {"uc", {Action::UnicodeSkip}},
            {"u", {Action::Unicode}},
            {"bin", {Action::Binary}},
            {"pard", {Action::ParagraphDefaults}},
            {"ql", {Action::AlignLeft}},
            {"qc", {Action::AlignCentre}},
            {"qr", {Action::AlignRight}},
            {"qj", {Action::AlignJustified}},
            {"qd", {Action::AlignJustified}},
            {"li", {Action::LeftIndent}},
            {"fi", {Action::FirstLineIndent}},
            {"sb", {Action::SpaceBefore}},
            {"sa", {Action::SpaceAfter}},
            {"tx", {Action::TabStop}},
            // Sections, pages and table rows have no place in a help window: each ends a
            // paragraph, and a table cell becomes a tab.
            {"par", {Action::ParagraphEnd}},
            {"sect", {Action::ParagraphEnd}},
            {"page", {Action::ParagraphEnd}},
            {"row", {Action::ParagraphEnd}},
            {"nestrow", {Action::ParagraphEnd}},
            {"tab", {Action::Character, U'\t'}},
            {"cell", {Action::Character, U'\t'}},
            {"nestcell", {Action::Character, U'\t'}},
            {"line", {Action::Character, 0x2028}},
            {"emdash", {Action::Character, 0x2014}},
            {"endash", {Action::Character, 0x2013}},
            {"emspace", {Action::Character, 0x2003}},
            {"enspace", {Action::Character, 0x2002}},
            {"qmspace", {Action::Character, 0x2005}},
            {"bullet", {Action::Character, 0x2022}},
            {"lquote", {Action::Character, 0x2018}},
            {"rquote", {Action::Character, 0x2019}},
            {"ldblquote", {Action::Character, 0x201C}},
            {"rdblquote", {Action::Character, 0x201D}},
            {"zwj", {Action::Character, 0x200D}},
            {"zwnj", {Action::Character, 0x200C}},
        };
        for (size_t start = 0; start < skippedDestinations.size();) {
            const size_t end =
                std::min(skippedDestinations.find(' ', start), skippedDestinations.size());
            words.emplace(skippedDestinations.substr(start, end - start),
                          Keyword{Action::SkipDestination});
            start = end + 1;
        }
        return words;
    }();
    return table;
}

// Font names on Windows stop at 31 characters; the cap keeps a damaged table from costing more
// than a fixed amount per run.
constexpr size_t maxFontName = 255;
// Groups nested deeper than this still read their text, but their formatting is not undone when
// they close. Real documents nest a few levels; the cap bounds memory on hostile input.
constexpr size_t maxSavedGroups = 1000;
// The largest size rich-text writers offer, 1638 points.
constexpr int maxHalfPoints = 3276;
// 22 inches, the widest page rich-text writers offer.
constexpr int maxTwips = 31680;
// Writers allow 64; a help file needs a handful. The cap keeps saving a group cheap.
constexpr size_t maxTabStops = 32;

enum class Destination : std::uint8_t { Text, FontTable, ColourTable };

struct CharState {
    bool bold = false;
    bool italic = false;
    bool underline = false;
    int halfPoints = 24;
    int font = -1;   // -1: the document's default font
    int colour = -1; // -1: none chosen

    bool operator==(const CharState&) const = default;
};

struct ParagraphState {
    RtfAlignment alignment = RtfAlignment::Left;
    int leftIndent = 0;
    int firstLineIndent = 0;
    int spaceBefore = 0;
    int spaceAfter = 0;
    std::vector<int> tabStops;
};

struct GroupState {
    CharState chars;
    ParagraphState paragraph;
    bool hidden = false;
    int unicodeSkip = 1;
    Destination destination = Destination::Text;
};

// Runs keep the raw font and colour numbers until the end, since the tables they refer to are
// complete only then.
struct PendingRun {
    std::string text;
    CharState format;
};

struct PendingParagraph {
    ParagraphState format;
    std::vector<PendingRun> runs;
};

struct ControlWord {
    std::string_view name;
    bool hasParameter = false;
    int parameter = 0;
};

bool isLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

int hexValue(char c) {
    if (isDigit(c))
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

int clampTwips(int value, int low) {
    return std::clamp(value, low, maxTwips);
}

void addTabStop(std::vector<int>& stops, int position) {
    const auto at = std::lower_bound(stops.begin(), stops.end(), position);
    if (stops.size() < maxTabStops && (at == stops.end() || *at != position))
        stops.insert(at, position);
}

// One pass over the bytes with an explicit stack of group states, so that neither nesting depth
// nor document size can exhaust the call stack.
class Reader {
public:
    explicit Reader(std::string_view bytes) : m_bytes(bytes) {}
    RtfDocument read();

private:
    ControlWord parseControlWord();
    void skipStep();
    void controlWord(const ControlWord& word);
    void controlSymbol(char symbol);
    void textByte(unsigned char byte);
    bool takeToken();
    void startSkipping();
    void openGroup();
    void closeGroup(bool skipped);
    void unicode(int value);
    void emit(char32_t c);
    void write(char32_t c);
    void endParagraph();
    void endLastParagraph();
    void commitFont();
    void commitColour();
    void skipBinary(int count);
    RtfCharFormat resolve(const CharState& state) const;
    RtfDocument finish();

    std::string_view m_bytes;
    size_t m_pos = 0;
    bool m_done = false;

    GroupState m_state;
    std::vector<GroupState> m_stack;
    size_t m_unsavedGroups = 0;
    size_t m_skipDepth = 0;
    bool m_ignorableNext = false;
    int m_fallbackToSkip = 0;
    char32_t m_highSurrogate = 0;

    CodePage m_codePage = CodePage::Windows1252;
    int m_defaultFont = -1;
    std::unordered_map<int, std::string> m_fonts;
    int m_fontNumber = -1;
    std::string m_fontName;
    std::vector<std::optional<RtfColour>> m_colours;
    RtfColour m_colour;
    bool m_colourGiven = false;

    std::vector<PendingParagraph> m_paragraphs;
    PendingParagraph m_current;
};

RtfDocument Reader::read() {
    while (m_pos < m_bytes.size() && !m_done) {
        if (m_skipDepth > 0) {
            skipStep();
            continue;
        }
        const char c = m_bytes[m_pos];
        if (c == '{' || c == '}') {
            // "\*" must be followed by a control word; a group or text after it leaves the
            // whole group unreadable.
            if (c == '{' && m_ignorableNext) {
                startSkipping();
                continue;
            }
            m_ignorableNext = false;
            ++m_pos;
            if (c == '{')
                openGroup();
            else
                closeGroup(false);
        } else if (c == '\\') {
            ++m_pos;
            if (m_pos >= m_bytes.size())
                break;
            if (isLetter(m_bytes[m_pos]))
                controlWord(parseControlWord());
            else
                controlSymbol(m_bytes[m_pos++]);
        } else {
            ++m_pos;
            textByte(static_cast<unsigned char>(c));
        }
    }
    return finish();
}

ControlWord Reader::parseControlWord() {
    ControlWord word;
    const size_t start = m_pos;
    while (m_pos < m_bytes.size() && isLetter(m_bytes[m_pos]))
        ++m_pos;
    word.name = m_bytes.substr(start, m_pos - start);
    // A minus sign without digits belongs to the damaged word, not to the text after it.
    const bool negative = m_pos < m_bytes.size() && m_bytes[m_pos] == '-';
    if (negative)
        ++m_pos;
    // Saturate instead of overflowing; every digit is still consumed.
    constexpr long long ceiling = 1LL << 32;
    long long value = 0;
    while (m_pos < m_bytes.size() && isDigit(m_bytes[m_pos])) {
        word.hasParameter = true;
        value = std::min(value * 10 + (m_bytes[m_pos] - '0'), ceiling);
        ++m_pos;
    }
    if (negative)
        value = -value;
    word.parameter = int(std::clamp<long long>(value, std::numeric_limits<int>::min(),
                                               std::numeric_limits<int>::max()));
    if (m_pos < m_bytes.size() && m_bytes[m_pos] == ' ')
        ++m_pos;
    return word;
}

void Reader::skipStep() {
    const char c = m_bytes[m_pos++];
    if (c == '{') {
        ++m_skipDepth;
    } else if (c == '}') {
        if (--m_skipDepth == 0)
            closeGroup(true);
    } else if (c == '\\' && m_pos < m_bytes.size()) {
        if (!isLetter(m_bytes[m_pos])) {
            ++m_pos; // an escaped brace must not count
            return;
        }
        const ControlWord word = parseControlWord();
        if (word.name == "bin")
            skipBinary(word.parameter);
    }
}

void Reader::skipBinary(int count) {
    if (count > 0)
        m_pos += std::min(size_t(count), m_bytes.size() - m_pos);
}

bool Reader::takeToken() {
    if (m_ignorableNext) {
        startSkipping();
        return false;
    }
    // The characters after \uN stand in for it in readers without Unicode; we have it already.
    if (m_fallbackToSkip > 0) {
        --m_fallbackToSkip;
        return false;
    }
    return true;
}

void Reader::startSkipping() {
    m_skipDepth = 1;
    m_ignorableNext = false;
    m_fallbackToSkip = 0;
}

void Reader::openGroup() {
    m_fallbackToSkip = 0;
    if (m_stack.size() >= maxSavedGroups) {
        ++m_unsavedGroups;
        return;
    }
    m_stack.push_back(m_state);
}

void Reader::closeGroup(bool skipped) {
    m_fallbackToSkip = 0;
    if (!skipped && m_state.destination == Destination::FontTable)
        commitFont(); // a font entry whose ';' is missing
    if (m_unsavedGroups > 0) {
        --m_unsavedGroups;
        return;
    }
    if (m_stack.empty()) {
        m_done = true;
        return;
    }
    // The document's own group closes: its last paragraph takes the formatting in force inside.
    if (m_stack.size() == 1) {
        endLastParagraph();
        m_done = true;
    }
    m_state = m_stack.back();
    m_stack.pop_back();
}

void Reader::controlWord(const ControlWord& word) {
    const auto& table = keywords();
    const auto found = table.find(word.name);
    if (found == table.end()) {
        takeToken(); // words we do not know change nothing we show, but they still count
        return;
    }
    const Action action = found->second.action;
    if (action == Action::Binary)
        skipBinary(word.parameter);
    // The tables are the two destinations we read even when a writer marks them ignorable.
    if (m_ignorableNext && (action == Action::FontTable || action == Action::ColourTable))
        m_ignorableNext = false;
    else if (!takeToken())
        return;

    const bool on = !word.hasParameter || word.parameter != 0;
    CharState& chars = m_state.chars;
    ParagraphState& paragraph = m_state.paragraph;
    switch (action) {
    case Action::FontTable:
        m_state.destination = Destination::FontTable;
        break;
    case Action::ColourTable:
        m_state.destination = Destination::ColourTable;
        break;
    case Action::SkipDestination:
        startSkipping();
        break;
    case Action::Bold:
        chars.bold = on;
        break;
    case Action::Italic:
        chars.italic = on;
        break;
    case Action::Underline:
        chars.underline = on;
        break;
    case Action::UnderlineNone:
        chars.underline = false;
        break;
    case Action::Hidden:
        m_state.hidden = on;
        break;
    case Action::Plain:
        chars = CharState{};
        m_state.hidden = false;
        break;
    case Action::FontSize:
        if (!word.hasParameter)
            chars.halfPoints = CharState{}.halfPoints;
        else if (word.parameter > 0)
            chars.halfPoints = std::min(word.parameter, maxHalfPoints);
        break;
    case Action::Font:
        if (m_state.destination == Destination::FontTable) {
            commitFont();
            m_fontNumber = word.parameter;
        } else {
            chars.font = word.parameter;
        }
        break;
    case Action::Colour:
        chars.colour = word.parameter;
        break;
    case Action::Red:
        m_colour.red = std::uint8_t(std::clamp(word.parameter, 0, 255));
        m_colourGiven = true;
        break;
    case Action::Green:
        m_colour.green = std::uint8_t(std::clamp(word.parameter, 0, 255));
        m_colourGiven = true;
        break;
    case Action::Blue:
        m_colour.blue = std::uint8_t(std::clamp(word.parameter, 0, 255));
        m_colourGiven = true;
        break;
    case Action::DefaultFont:
        m_defaultFont = word.parameter;
        break;
    case Action::AnsiCodePage:
        m_codePage = word.parameter == 1250   ? CodePage::Windows1250
                     : word.parameter == 1251 ? CodePage::Windows1251
                                              : CodePage::Windows1252;
        break;
    case Action::UnicodeSkip:
        if (word.parameter >= 0)
            m_state.unicodeSkip = word.parameter;
        break;
    case Action::Unicode:
        if (word.hasParameter)
            unicode(word.parameter);
        break;
    case Action::Binary:
        break; // its bytes are gone already
    case Action::ParagraphDefaults:
        paragraph = ParagraphState{};
        break;
    case Action::AlignLeft:
        paragraph.alignment = RtfAlignment::Left;
        break;
    case Action::AlignCentre:
        paragraph.alignment = RtfAlignment::Centre;
        break;
    case Action::AlignRight:
        paragraph.alignment = RtfAlignment::Right;
        break;
    case Action::AlignJustified:
        paragraph.alignment = RtfAlignment::Justified;
        break;
    case Action::LeftIndent:
        paragraph.leftIndent = clampTwips(word.parameter, -maxTwips);
        break;
    case Action::FirstLineIndent:
        paragraph.firstLineIndent = clampTwips(word.parameter, -maxTwips);
        break;
    case Action::SpaceBefore:
        paragraph.spaceBefore = clampTwips(word.parameter, 0);
        break;
    case Action::SpaceAfter:
        paragraph.spaceAfter = clampTwips(word.parameter, 0);
        break;
    case Action::TabStop:
        addTabStop(paragraph.tabStops, clampTwips(word.parameter, 0));
        break;
    case Action::ParagraphEnd:
        endParagraph();
        break;
    case Action::Character:
        emit(found->second.character);
        break;
    }
}

void Reader::controlSymbol(char symbol) {
    if (symbol == '*') {
        m_ignorableNext = true;
        return;
    }
    int byte = -1;
    if (symbol == '\'') {
        // A damaged escape keeps whatever follows its hex digits as text.
        const int high = m_pos < m_bytes.size() ? hexValue(m_bytes[m_pos]) : -1;
        const int low = m_pos + 1 < m_bytes.size() ? hexValue(m_bytes[m_pos + 1]) : -1;
        if (high >= 0)
            ++m_pos;
        if (high >= 0 && low >= 0) {
            ++m_pos;
            byte = high * 16 + low;
        }
    }
    if (!takeToken())
        return;
    switch (symbol) {
    case '\\':
    case '{':
    case '}':
        emit(char32_t(symbol));
        break;
    case '~':
        emit(0x00A0);
        break;
    case '-':
        emit(0x00AD); // optional hyphen: shown only where the line breaks
        break;
    case '_':
        emit(0x2011);
        break;
    case '\t':
        emit(U'\t');
        break;
    case '\r':
    case '\n':
        endParagraph();
        break;
    case '\'':
        if (byte >= 0)
            emit(decodeByte(static_cast<unsigned char>(byte), m_codePage));
        break;
    default:
        break;
    }
}

void Reader::textByte(unsigned char byte) {
    // Line ends and other control bytes are layout of the file, not text.
    if (byte < 0x20 && byte != '\t')
        return;
    if (!takeToken())
        return;
    emit(decodeByte(byte, m_codePage));
}

void Reader::unicode(int value) {
    // Writers store the upper half of the 16-bit range as negative numbers.
    if (value < 0)
        value += 0x10000;
    if (value < 0 || value > 0xFFFF) {
        emit(0xFFFD);
    } else if (value >= 0xD800 && value <= 0xDBFF) {
        if (m_highSurrogate != 0)
            write(0xFFFD);
        m_highSurrogate = char32_t(value);
    } else if (value >= 0xDC00 && value <= 0xDFFF) {
        if (m_highSurrogate != 0)
            write(0x10000 + ((m_highSurrogate - 0xD800) << 10) + (char32_t(value) - 0xDC00));
        else
            write(0xFFFD);
        m_highSurrogate = 0;
    } else {
        emit(char32_t(value));
    }
    m_fallbackToSkip = m_state.unicodeSkip;
}

void Reader::emit(char32_t c) {
    if (m_highSurrogate != 0) {
        m_highSurrogate = 0;
        write(0xFFFD);
    }
    write(c);
}

void Reader::write(char32_t c) {
    // Control characters can only come from \uN or \'hh; a viewer would show them as boxes.
    if ((c < 0x20 && c != U'\t') || c == 0x7F)
        return;
    switch (m_state.destination) {
    case Destination::Text: {
        if (m_state.hidden)
            return;
        auto& runs = m_current.runs;
        if (runs.empty() || !(runs.back().format == m_state.chars))
            runs.push_back({{}, m_state.chars});
        appendUtf8(runs.back().text, c);
        break;
    }
    case Destination::FontTable:
        if (c == U';')
            commitFont();
        else if (c >= 0x20 && m_fontName.size() < maxFontName)
            appendUtf8(m_fontName, c);
        break;
    case Destination::ColourTable:
        if (c == U';')
            commitColour();
        break;
    }
}

void Reader::endParagraph() {
    if (m_state.destination != Destination::Text)
        return;
    if (m_highSurrogate != 0) {
        m_highSurrogate = 0;
        write(0xFFFD);
    }
    m_current.format = m_state.paragraph;
    m_paragraphs.push_back(std::move(m_current));
    m_current = PendingParagraph{};
}

// Text after the last \par is a paragraph of its own; the \par that usually ends a file opens
// no empty one.
void Reader::endLastParagraph() {
    if (m_current.runs.empty() && m_highSurrogate == 0)
        return;
    m_state.destination = Destination::Text;
    endParagraph();
}

void Reader::commitFont() {
    const size_t first = m_fontName.find_first_not_of(' ');
    const size_t last = m_fontName.find_last_not_of(' ');
    if (m_fontNumber >= 0 && first != std::string::npos)
        m_fonts.try_emplace(m_fontNumber, m_fontName.substr(first, last - first + 1));
    m_fontName.clear();
}

void Reader::commitColour() {
    // An entry without components is "auto": the viewer's own colour.
    m_colours.push_back(m_colourGiven ? std::optional(m_colour) : std::nullopt);
    m_colour = RtfColour{};
    m_colourGiven = false;
}

RtfCharFormat Reader::resolve(const CharState& state) const {
    RtfCharFormat format;
    format.bold = state.bold;
    format.italic = state.italic;
    format.underline = state.underline;
    format.halfPoints = state.halfPoints;
    if (const auto font = m_fonts.find(state.font >= 0 ? state.font : m_defaultFont);
        font != m_fonts.end())
        format.fontFamily = font->second;
    if (state.colour >= 0 && size_t(state.colour) < m_colours.size())
        format.colour = m_colours[size_t(state.colour)];
    return format;
}

RtfDocument Reader::finish() {
    endLastParagraph(); // a document cut short still shows its last paragraph
    RtfDocument document;
    document.richText = true;
    document.paragraphs.reserve(m_paragraphs.size());
    for (PendingParagraph& pending : m_paragraphs) {
        RtfParagraph& paragraph = document.paragraphs.emplace_back();
        paragraph.alignment = pending.format.alignment;
        paragraph.leftIndent = pending.format.leftIndent;
        paragraph.firstLineIndent = pending.format.firstLineIndent;
        paragraph.spaceBefore = pending.format.spaceBefore;
        paragraph.spaceAfter = pending.format.spaceAfter;
        paragraph.tabStops = std::move(pending.format.tabStops);
        for (PendingRun& run : pending.runs) {
            RtfCharFormat format = resolve(run.format);
            // Different raw numbers can name the same font or colour.
            if (!paragraph.runs.empty() && paragraph.runs.back().format == format)
                paragraph.runs.back().text += run.text;
            else
                paragraph.runs.push_back({std::move(run.text), std::move(format)});
        }
    }
    return document;
}

} // namespace

std::string RtfParagraph::text() const {
    std::string joined;
    for (const RtfRun& run : runs)
        joined += run.text;
    return joined;
}

RtfDocument readRtf(std::string_view bytes) {
    if (!bytes.starts_with("{\\rtf"))
        return readPlainText(bytes);
    return Reader(bytes).read();
}

} // namespace quorvane
