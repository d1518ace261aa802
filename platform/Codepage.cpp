#include "platform/Codepage.h"

#include "platform/Failure.h"

#include <algorithm>
#include <array>
#include <cstdio>

namespace quorvane {

namespace {

// Bytes 0x80 to 0x9F. Windows-1252 leaves 0x81, 0x8D, 0x8F, 0x90 and 0x9D undefined; Windows
// reads them as the C1 controls of the same number, and so do we.
constexpr std::array<char32_t, 32> highControls{
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

struct Decoded {
    char32_t character;
    std::size_t length; // 0 when the bytes at that point are not UTF-8
};

// Strict: no overlong forms, no surrogates, nothing past U+10FFFF. A lenient reading would let
// two different byte strings name the same text.
Decoded decodeAt(std::string_view text, std::size_t at) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[at + i]); };
    const unsigned char lead = byte(0);
    if (lead < 0x80)
        return {lead, 1};
    std::size_t length = 0;
    char32_t c = 0;
    char32_t smallest = 0;
    if ((lead & 0xE0) == 0xC0) {
        length = 2, c = lead & 0x1F, smallest = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3, c = lead & 0x0F, smallest = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4, c = lead & 0x07, smallest = 0x10000;
    } else {
        return {0, 0};
    }
    if (text.size() - at < length)
        return {0, 0};
    for (std::size_t i = 1; i < length; ++i) {
        if ((byte(i) & 0xC0) != 0x80)
            return {0, 0};
        c = (c << 6) | (byte(i) & 0x3F);
    }
    if (c < smallest || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF))
        return {0, 0};
    return {c, length};
}

// The byte Windows-1252 stores `c` as, or -1 when it has none.
int ansiByte(char32_t c) {
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF))
        return static_cast<int>(c);
    const auto found = std::find(highControls.begin(), highControls.end(), c);
    if (found == highControls.end())
        return -1;
    return 0x80 + static_cast<int>(found - highControls.begin());
}

std::string codePoint(char32_t c) {
    char text[16];
    std::snprintf(text, sizeof text, "U+%04X", static_cast<unsigned>(c));
    return text;
}

} // namespace

void appendUtf8(std::string& out, char32_t c) {
    if ((c >= 0xD800 && c <= 0xDFFF) || c > 0x10FFFF)
        c = 0xFFFD;
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

bool isUtf8(std::string_view text) {
    for (std::size_t at = 0; at < text.size();) {
        const Decoded d = decodeAt(text, at);
        if (d.length == 0)
            return false;
        at += d.length;
    }
    return true;
}

char32_t ansiCharacter(unsigned char byte) {
    return byte >= 0x80 && byte < 0xA0 ? highControls[byte - 0x80] : byte;
}

std::string ansiToUtf8(std::string_view ansi) {
    std::string out;
    out.reserve(ansi.size());
    for (const char byte : ansi)
        appendUtf8(out, ansiCharacter(static_cast<unsigned char>(byte)));
    return out;
}

std::string utf8ToAnsi(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    for (std::size_t at = 0; at < utf8.size();) {
        const Decoded d = decodeAt(utf8, at);
        if (d.length == 0) {
            char byte[8];
            std::snprintf(byte, sizeof byte, "0x%02X", static_cast<unsigned char>(utf8[at]));
            throw Failure("The text is not valid UTF-8 (byte " + std::to_string(at + 1) + " is " +
                          byte + ").");
        }
        const int stored = ansiByte(d.character);
        if (stored < 0)
            throw Failure("The character \"" + std::string(utf8.substr(at, d.length)) + "\" (" +
                          codePoint(d.character) +
                          ") cannot be stored: the settings hold only Windows-1252 text.");
        out += static_cast<char>(stored);
        at += d.length;
    }
    return out;
}

std::string failureTextToUtf8(std::string_view text) {
    return isUtf8(text) ? std::string(text) : ansiToUtf8(text);
}

} // namespace quorvane
