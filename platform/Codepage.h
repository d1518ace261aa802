#pragma once

#include <string>
#include <string_view>

namespace quorvane {

// The settings hold byte strings in the ANSI code page, which off Windows is Windows-1252; front
// ends speak UTF-8. These convert between the two at the boundary.

// Appends `c` in UTF-8; what no UTF-8 text may hold (a surrogate, a code point past U+10FFFF)
// becomes U+FFFD.
void appendUtf8(std::string& out, char32_t c);

// Strict: overlong forms, surrogates and code points past U+10FFFF make a text not UTF-8, so that
// Windows-1252 text with a few accented letters is never taken for it.
bool isUtf8(std::string_view text);

// The character of one Windows-1252 byte; every byte has one, and all lie in the Basic
// Multilingual Plane.
char32_t ansiCharacter(unsigned char byte);

// Never fails: the five bytes Windows-1252 leaves undefined become the C1 controls of the same
// number, as Windows reads them, so every stored byte string survives a round trip.
std::string ansiToUtf8(std::string_view ansi);

// Throws a Failure that names the first character the code page cannot hold, or the first byte
// that is not UTF-8. Nothing is ever stored with a stand-in in its place.
std::string utf8ToAnsi(std::string_view utf8);

// A failure's text quotes both file names, which the system hands out as UTF-8, and stored
// texts, which are Windows-1252; a text that reads as UTF-8 is taken as such, any other as
// Windows-1252.
std::string failureTextToUtf8(std::string_view text);

} // namespace quorvane
