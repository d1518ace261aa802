#include "platform/Codepage.h"

#include "platform/Failure.h"
#include "platform/LocaleText.h"

#include <gtest/gtest.h>

#ifndef _WIN32
#include <iconv.h>
#endif

using namespace std::string_literals;

namespace quorvane {
namespace {

// Every byte from 0x80 to 0x9F with the character Windows reads it as.
TEST(CodepageTest, HighControlBytesReadAsWindowsReadsThem) {
    const std::pair<unsigned char, const char*> rows[] = {
        {0x80, "€"},      {0x81, "\u0081"}, {0x82, "‚"}, {0x83, "ƒ"},      {0x84, "„"},
        {0x85, "…"},      {0x86, "†"},      {0x87, "‡"}, {0x88, "ˆ"},      {0x89, "‰"},
        {0x8A, "Š"},      {0x8B, "‹"},      {0x8C, "Œ"}, {0x8D, "\u008D"}, {0x8E, "Ž"},
        {0x8F, "\u008F"}, {0x90, "\u0090"}, {0x91, "‘"}, {0x92, "’"},      {0x93, "“"},
        {0x94, "”"},      {0x95, "•"},      {0x96, "–"}, {0x97, "—"},      {0x98, "˜"},
        {0x99, "™"},      {0x9A, "š"},      {0x9B, "›"}, {0x9C, "œ"},      {0x9D, "\u009D"},
        {0x9E, "ž"},      {0x9F, "Ÿ"},
    };
    for (const auto& [byte, character] : rows) {
        const std::string ansi(1, static_cast<char>(byte));
        EXPECT_EQ(ansiToUtf8(ansi), character) << int(byte);
        EXPECT_EQ(utf8ToAnsi(character), ansi) << int(byte);
    }
}

#ifndef _WIN32
// Every high byte against the system's own converter: where it knows the byte, we read the same
// character; the five bytes it leaves undefined are the C1 controls above.
TEST(CodepageTest, HighBytesReadAsTheSystemsWindows1252) {
    const iconv_t converter = iconv_open("UTF-8", "CP1252");
    if (converter == reinterpret_cast<iconv_t>(-1))
        GTEST_SKIP() << "this system has no CP1252 converter";
    int undefined = 0;
    for (int byte = 0x80; byte <= 0xFF; ++byte) {
        char in = static_cast<char>(byte);
        char out[8] = {};
        char* from = &in;
        char* to = out;
        std::size_t inLeft = 1;
        std::size_t outLeft = sizeof out;
        iconv(converter, nullptr, nullptr, nullptr, nullptr);
        if (iconv(converter, &from, &inLeft, &to, &outLeft) == static_cast<std::size_t>(-1)) {
            ++undefined;
            EXPECT_EQ(ansiCharacter(static_cast<unsigned char>(byte)), char32_t(byte)) << byte;
            continue;
        }
        EXPECT_EQ(ansiToUtf8(std::string(1, in)), std::string(out, to)) << byte;
    }
    iconv_close(converter);
    EXPECT_EQ(undefined, 5);
}
#endif

TEST(CodepageTest, TextsBothWays) {
    const std::pair<std::string, std::string> rows[] = {
        {"", ""},
        {"plain ASCII, with NUL\0!"s, "plain ASCII, with NUL\0!"s},
        {"Caf\xE9 \xDCn\xEF"
         "c\xF6"
         "d\xE9",
         "Café Ünïcödé"},
        {"\xA0\xA9\xBF\xFF", "\u00A0©¿ÿ"},
        {"Preis: 5 \x80, \x99, \x8C"
         "uvre",
         "Preis: 5 €, ™, Œuvre"},
    };
    for (const auto& [ansi, utf8] : rows) {
        EXPECT_EQ(ansiToUtf8(ansi), utf8);
        EXPECT_EQ(utf8ToAnsi(utf8), ansi);
    }
}

TEST(CodepageTest, EveryByteComesBackAsItWas) {
    std::string every;
    for (int c = 0; c < 256; ++c)
        every += static_cast<char>(c);
    EXPECT_EQ(utf8ToAnsi(ansiToUtf8(every)), every);
}

TEST(CodepageTest, WhatTheCodePageCannotHoldIsRefusedByName) {
    const std::pair<std::string, std::string> rows[] = {
        {"漢字", "The character \"漢\" (U+6F22) cannot be stored"},
        {"Ŝoso", "The character \"Ŝ\" (U+015C) cannot be stored"},
        {"a\u0080b", "The character \"\u0080\" (U+0080) cannot be stored"}, // byte 0x80 is €
        {"ok 😀", "The character \"😀\" (U+1F600) cannot be stored"},
        {"caf\xE9", "not valid UTF-8 (byte 4 is 0xE9)"},
        {"ab\xC0\xAF", "not valid UTF-8 (byte 3 is 0xC0)"},       // overlong "/"
        {"\xED\xA0\x80", "not valid UTF-8 (byte 1 is 0xED)"},     // a surrogate
        {"\xF4\x90\x80\x80", "not valid UTF-8 (byte 1 is 0xF4)"}, // past U+10FFFF
        {"cut \xE6\xBC", "not valid UTF-8 (byte 5 is 0xE6)"},
        {"\x80", "not valid UTF-8 (byte 1 is 0x80)"},
    };
    for (const auto& [utf8, message] : rows) {
        try {
            utf8ToAnsi(utf8);
            ADD_FAILURE() << utf8 << " was taken";
        } catch (const Failure& refusal) {
            EXPECT_NE(std::string(refusal.what()).find(message), std::string::npos)
                << refusal.what();
        }
    }
}

TEST(CodepageTest, FailureTextsReadAsUtf8WhereTheyCan) {
    EXPECT_EQ(failureTextToUtf8("Cannot open file /tmp/été.drm"), "Cannot open file /tmp/été.drm");
    EXPECT_EQ(failureTextToUtf8("'se\xE3' is not a valid integer value"),
              "'seã' is not a valid integer value");
    EXPECT_EQ(failureTextToUtf8("\"5 \x80\""), "\"5 €\"");
}

TEST(LocaleTextTest, ConvertsBetweenTheLocaleAndUtf8) {
    EXPECT_TRUE(LocaleText("UTF-8").isUtf8());
    EXPECT_TRUE(LocaleText("").isUtf8());
    EXPECT_TRUE(LocaleText("no such codeset").isUtf8());

    const LocaleText latin9("ISO-8859-15");
    ASSERT_FALSE(latin9.isUtf8());
    EXPECT_EQ(latin9.toUtf8("Caf\xE9 \xA4"), "Café €");
    EXPECT_EQ(latin9.fromUtf8("Café €"), "Caf\xE9 \xA4");
    // Only shown, never stored: what the locale has no letter for still shows as something.
    EXPECT_EQ(latin9.fromUtf8("漢 ok"), "? ok");

    const LocaleText japanese("EUC-JP");
    EXPECT_EQ(japanese.toUtf8("\xB4\xC1"), "漢");
    EXPECT_THROW(japanese.toUtf8("\xB4"), Failure);
}

} // namespace
} // namespace quorvane
