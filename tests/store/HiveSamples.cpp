#include "HiveSamples.h"

#include "store/Registry.h"

using namespace std::string_literals;

namespace quorvane::test {

namespace {

std::string longText() {
    std::string text;
    for (int i = 0; i < 20000; ++i)
        text += static_cast<char>('a' + i % 26);
    return text + "\\\"";
}

} // namespace

std::vector<ValueSample> valueSamples() {
    const std::string longString = longText();
    return {
        {"PlainString", "Name", regtype::sz, "text", R"("Name"="text")"},
        {"UnnamedValue", "", regtype::sz, "default", R"(@="default")"},
        {"EmptyString", "Empty", regtype::sz, "", R"("Empty"="")"},
        {"QuotesAndBackslashes", R"(a"b\c)", regtype::sz, R"(C:\dir\"x"\)",
         R"("a\"b\\c"="C:\\dir\\\"x\"\\")"},
        {"EqualsAndBrackets", "k=v]", regtype::sz, "[x]=\"=\"", R"("k=v]"="[x]=\"=\"")"},
        {"HighBytes", "\xe9t\xe9", regtype::sz, "\xff\x80\xa0", "\"\xe9t\xe9\"=\"\xff\x80\xa0\""},
        {"StringWithCarriageReturn", "cr", regtype::sz, "a\rb", R"("cr"=hex(1):61,0d,62,00)"},
        {"StringWithLineFeed", "lf", regtype::sz, "a\nb", R"("lf"=hex(1):61,0a,62,00)"},
        {"StringWithNul", "nul", regtype::sz, "a\0b"s, R"("nul"=hex(1):61,00,62,00)"},
        {"StringEndingInNul", "end", regtype::sz, "a\0"s, R"("end"=hex(1):61,00,00)"},
        {"UnnamedStringAsHex", "", regtype::sz, "\n", R"(@=hex(1):0a,00)"},
        {"LongString", "Long", regtype::sz, longString,
         "\"Long\"=\"" + longString.substr(0, 20000) + R"(\\\"")"},
        {"Dword", "Year", regtype::dword, dwordData(2010), R"("Year"=dword:000007da)"},
        {"DwordZero", "Zero", regtype::dword, dwordData(0), R"("Zero"=dword:00000000)"},
        {"DwordMinusOne", "Neg", regtype::dword, dwordData(static_cast<std::uint32_t>(-1)),
         R"("Neg"=dword:ffffffff)"},
        {"DwordMinimum", "Min", regtype::dword, dwordData(0x80000000u), R"("Min"=dword:80000000)"},
        {"DwordShort", "Short", regtype::dword, "\x01\x02\x03", R"("Short"=hex(4):01,02,03)"},
        {"DwordLong", "Long8", regtype::dword, "\x01\x02\x03\x04\x05",
         R"("Long8"=hex(4):01,02,03,04,05)"},
        {"DwordEmpty", "None4", regtype::dword, "", R"("None4"=hex(4):)"},
        {"Binary", "Bin", regtype::binary, "\x00\xff\x10\x7f"s, R"("Bin"=hex:00,ff,10,7f)"},
        {"BinaryEmpty", "BinEmpty", regtype::binary, "", R"("BinEmpty"=hex:)"},
        {"ExpandString", "Path", regtype::expandSz, "%HOME%\\x",
         R"("Path"=hex(2):25,48,4f,4d,45,25,5c,78,00)"},
        {"ExpandStringEmpty", "NoPath", regtype::expandSz, "", R"("NoPath"=hex(2):00)"},
        {"ExpandStringEndingInNul", "Nul2", regtype::expandSz, "\0"s, R"("Nul2"=hex(2):00,00)"},
        {"MultiString", "Multi", regtype::multiSz, "a\0bc\0\0"s,
         R"("Multi"=hex(7):61,00,62,63,00,00)"},
        {"Qword", "Q", 11, "\x01\0\0\0\0\0\0\x80"s, R"("Q"=hex(11):01,00,00,00,00,00,00,80)"},
        {"LargeTypeNumber", "Odd", 0x12345, "\x01", R"("Odd"=hex(74565):01)"},
        {"HighestTypeNumber", "Max", 0xffffffffu, "", R"("Max"=hex(4294967295):)"},
        {"TypeNone", "Nothing", regtype::none, "", R"("Nothing"=hex(0):)"},
    };
}

std::vector<BrokenHiveSample> brokenHiveSamples() {
    const std::string head = "REGEDIT4\r\n\r\n[HKEY_CLASSES_ROOT\\k]\r\n";
    return {
        {"EmptyFile", "", 1, "REGEDIT4"},
        {"WrongHeader", "REGEDIT5\r\n\r\n", 1, "REGEDIT4"},
        {"MissingHeader", "[HKEY_CLASSES_ROOT\\k]\r\n\"a\"=\"b\"\r\n", 1, "REGEDIT4"},
        {"HeaderNotFirst", "\r\nREGEDIT4\r\n", 1, "REGEDIT4"},
        {"CrOnlyLineEnds", "REGEDIT4\r\r[HKEY_CLASSES_ROOT\\k]\r", 1, "CR alone"},
        {"ValueBeforeKey", "REGEDIT4\n\n\"a\"=\"b\"\n", 3, "before the first key"},
        {"OtherRoot", "REGEDIT4\n\n[HKEY_CURRENT_USER\\k]\n", 3, "HKEY_CLASSES_ROOT"},
        {"RootPrefixOnly", "REGEDIT4\n\n[HKEY_CLASSES_ROOTS\\k]\n", 3, "HKEY_CLASSES_ROOT"},
        {"DeletedKey", "REGEDIT4\n\n[-HKEY_CLASSES_ROOT\\k]\n", 3, "deleting"},
        {"UnclosedKey", head + "[HKEY_CLASSES_ROOT\\other\r\n", 4, "']'"},
        {"TextAfterKey", head + "[HKEY_CLASSES_ROOT\\other] x\r\n", 4, "after the key"},
        {"EmptyKeyComponent", head + "[HKEY_CLASSES_ROOT\\a\\\\b]\r\n", 4, "invalid key path"},
        {"TrailingBackslashKey", head + "[HKEY_CLASSES_ROOT\\]\r\n", 4, "invalid key path"},
        {"BadEscapeInText", head + "\"a\"=\"b\\n\"\r\n", 4, "escape"},
        {"BadEscapeInName", head + "\"a\\x\"=\"b\"\r\n", 4, "escape"},
        {"UnterminatedText", head + "\r\n; note\r\n\"a\"=\"b\r\n", 6, "unterminated string"},
        {"UnterminatedName", head + "\"abc=1\r\n", 4, "unterminated string"},
        {"NulInName", head + "\"a\0b\"=\"c\"\r\n"s, 4, "NUL"},
        {"CarriageReturnInName", head + "\"a\rb\"=\"c\"\r\n", 4, "line break"},
        {"UnescapedQuoteInName", head + "\"a\"b\"=\"c\"\r\n", 4, "expected '='"},
        {"EscapedFinalQuote", head + "\"a\"=\"b\\\"\r\n", 4, "unterminated string"},
        {"NoEquals", head + "\"a\" \"b\"\r\n", 4, "expected '='"},
        {"BareWord", head + "a=\"b\"\r\n", 4, "expected a key or a value"},
        {"UnknownData", head + "\"a\"=word:1\r\n", 4, "unrecognised value data"},
        {"TextAfterString", head + "\"a\"=\"b\" x\r\n", 4, "after the value"},
        {"TextAfterDword", head + "\"a\"=dword:1 x\r\n", 4, "after the value"},
        {"DwordTooLong", head + "\"a\"=dword:000000001\r\n", 4, "1 to 8 hex digits"},
        {"DwordEmpty", head + "\"a\"=dword:\r\n", 4, "1 to 8 hex digits"},
        {"DwordNotHex", head + "\"a\"=dword:xyz\r\n", 4, "1 to 8 hex digits"},
        {"HexBadDigit", head + "\"a\"=hex:0g\r\n", 4, "invalid hex"},
        {"HexThreeDigits", head + "\"a\"=hex:123\r\n", 4, "invalid hex"},
        {"HexTrailingComma", head + "\"a\"=hex:01,\r\n", 4, "invalid hex"},
        {"HexDoubleComma", head + "\"a\"=hex:01,,02\r\n", 4, "invalid hex"},
        {"HexLeadingComma", head + "\"a\"=hex:,01\r\n", 4, "invalid hex"},
        {"HexBadOnContinuation", head + "\"a\"=hex:01,\\\r\n  02,zz\r\n", 5, "invalid hex"},
        {"HexContinuationAtEnd", head + "\"a\"=hex:01,\\\r\n", 4, "end of the file"},
        {"HexTypeNotNumber", head + "\"a\"=hex(b):01\r\n", 4, "invalid value type"},
        {"HexTypeTooLarge", head + "\"a\"=hex(4294967296):01\r\n", 4, "invalid value type"},
        {"HexTypeUnclosed", head + "\"a\"=hex(4:01\r\n", 4, "invalid value type"},
        {"LaterLineAfterLfOnly", "REGEDIT4\n\n[HKEY_CLASSES_ROOT\\k]\n\"a\"=\"1\"\n\n\"b\"=x\n", 6,
         "unrecognised value data"},
    };
}

} // namespace quorvane::test
