#include "menu/CommaText.h"

#include <gtest/gtest.h>

namespace quorvane {
namespace {

using Tokens = std::vector<std::string>;

struct SplitCase {
    const char* name;
    std::string text;
    Tokens tokens;
};

class Split : public ::testing::TestWithParam<SplitCase> {};

TEST_P(Split, Tokens) {
    EXPECT_EQ(splitCommaText(GetParam().text), GetParam().tokens);
}

INSTANTIATE_TEST_SUITE_P(
    Rules, Split,
    ::testing::Values(
        SplitCase{"Empty", "", {}}, SplitCase{"OnlyBlanks", " \t\r\n", {}},
        SplitCase{"LeadingBlanksSkipped", "\x01\x1f  a", {"a"}},
        SplitCase{"Plain", "a,b,c", {"a", "b", "c"}},
        SplitCase{"TrailingCommaAddsEmpty", "a,b,", {"a", "b", ""}},
        SplitCase{"TrailingCommaAndBlanksAddsEmpty", "a,  ", {"a", ""}},
        SplitCase{"DoubleCommaEmptyMiddle", "a,,b", {"a", "", "b"}},
        SplitCase{"LeadingComma", ",a", {"", "a"}},
        SplitCase{"BlanksAroundComma", "a  ,  b", {"a", "b"}},
        SplitCase{"BlankSeparatesWithoutComma", "a b", {"a", "b"}},
        SplitCase{"QuotedKeepsCommasAndBlanks", R"("a, b",c)", {"a, b", "c"}},
        SplitCase{"DoubledQuote", R"("say ""hi""")", {R"(say "hi")"}},
        SplitCase{"UnclosedQuoteRunsToEnd", R"("abc, def)", {"abc, def"}},
        SplitCase{"CharacterAfterClosingQuoteStartsToken", R"("ab"cd)", {"ab", "cd"}},
        SplitCase{"QuotedEmpty", R"("")", {""}},
        SplitCase{"QuoteInsideBareToken", R"(ab"c,d)", {R"(ab"c)", "d"}},
        SplitCase{"HighBytesAreNotBlanks", "\xe9t\xe9,\xff", {"\xe9t\xe9", "\xff"}},
        SplitCase{"NulEndsText", std::string("a,b\0,c", 6), {"a", "b"}},
        SplitCase{"DefaultMoveTargets", R"(a:\,"Unset Move Item")", {"a:\\", "Unset Move Item"}},
        SplitCase{"MenuMixedQuoting",
                  R"("Explore",0,1,-2,"-1", 16)",
                  {"Explore", "0", "1", "-2", "-1", "16"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SplitLimit, OnlyTheFirst4095CharactersCount) {
    // 4094 characters of "a", then "bc": the cut falls inside the second token.
    std::string text(4093, 'a');
    text += ",bc,d";
    EXPECT_EQ(splitCommaText(text), (Tokens{std::string(4093, 'a'), "b"}));

    const std::string exact = std::string(4094, 'x') + ",";
    EXPECT_EQ(splitCommaText(exact), (Tokens{std::string(4094, 'x'), ""}));
}

struct WriteCase {
    const char* name;
    Tokens entries;
    std::string text;
};

class Write : public ::testing::TestWithParam<WriteCase> {};

TEST_P(Write, TextAndReadBack) {
    const auto& c = GetParam();
    EXPECT_EQ(writeItemList(c.entries), c.text);
    EXPECT_EQ(splitCommaText(c.text), c.entries);
}

// Apply writes its lists entry by entry; what it stores must be what writeItemList gives, also
// for a writer that has just handed over a list of its own.
TEST_P(Write, EntryByEntryGivesTheSameText) {
    const auto& c = GetParam();
    ItemListText list;
    for (const char* before : {"earlier \"list\"", ""})
        list.append(before);
    EXPECT_EQ(list.take(), "\"earlier \"\"list\"\"\",");
    for (const std::string& entry : c.entries)
        list.append(entry);
    EXPECT_EQ(list.take(), c.text);
}

INSTANTIATE_TEST_SUITE_P(
    Rules, Write,
    ::testing::Values(WriteCase{"EmptyList", {}, ""}, WriteCase{"OneEmptyEntry", {""}, R"("")"},
                      WriteCase{"PlainJoined", {"exe", "txt"}, "exe,txt"},
                      WriteCase{"EmptyEntryWrittenAsNothing", {"a", "", "b"}, "a,,b"},
                      WriteCase{"BlankQuoted", {"Drive A:", "x"}, R"("Drive A:",x)"},
                      WriteCase{"CommaQuoted", {"a,b"}, R"("a,b")"},
                      WriteCase{"QuoteDoubled", {R"(say "hi")"}, R"("say ""hi""")"},
                      WriteCase{"ControlCharacterQuoted", {"a\tb"}, "\"a\tb\""},
                      WriteCase{"BackslashAndColonBare", {"a:\\"}, "a:\\"},
                      WriteCase{"HighBytesBare", {"\xe9t\xe9"}, "\xe9t\xe9"},
                      WriteCase{"LongEntriesGrowTheText",
                                {std::string(300, '"'), std::string(700, 'x'), "a b"},
                                "\"" + std::string(600, '"') + "\"," + std::string(700, 'x') +
                                    ",\"a b\""}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(WriteLimit, EntryThatDoesNotFitIsLeftOutWithAllAfterIt) {
    const std::string big(4000, 'a');
    const std::string b(90, 'b');
    // 4000 + 1 + 90 = 4091; ",ccccc" would make 4097, so "ccccc" and "d" are left out and the
    // comma written before "ccccc" ends the text.
    EXPECT_EQ(writeItemList({big, b, "ccccc", "d"}), big + "," + b + ",");
}

TEST(WriteLimit, NeverLongerThanTheLimit) {
    // Filled to exactly 4095 characters: no room is left even for the comma.
    const std::string big(4000, 'a');
    const std::string b(94, 'b');
    EXPECT_EQ(writeItemList({big, b, "c"}), big + "," + b);
    std::vector<std::string> many(3000, "xy");
    EXPECT_LE(writeItemList(many).size(), commaTextLimit);
}

TEST(WriteLimit, FirstEntryTooLongGivesEmptyText) {
    EXPECT_EQ(writeItemList({std::string(4096, 'a'), "b"}), "");
    EXPECT_EQ(writeItemList({std::string(4095, 'a')}), std::string(4095, 'a'));
}

TEST(WriteLimit, QuotingCountsTowardsTheLimit) {
    const std::string blanks(4094, ' ');
    // Quoted it needs 4096 characters, one too many.
    EXPECT_EQ(writeItemList({blanks}), "");
    EXPECT_EQ(writeItemList({std::string(4093, ' ')}), "\"" + std::string(4093, ' ') + "\"");
}

struct ValueCase {
    std::string token;
    std::int32_t value;
};

class TokenValue : public ::testing::TestWithParam<ValueCase> {};

TEST_P(TokenValue, Reads) {
    EXPECT_EQ(tokenValue(GetParam().token), GetParam().value);
}

INSTANTIATE_TEST_SUITE_P(
    Integers, TokenValue,
    ::testing::Values(ValueCase{"0", 0}, ValueCase{"16", 16}, ValueCase{"-2", -2},
                      ValueCase{"+7", 7}, ValueCase{" 7", 7}, ValueCase{"   -9", -9},
                      ValueCase{"007", 7}, ValueCase{"$10", 16}, ValueCase{"$ff", 255},
                      ValueCase{"$FF", 255}, ValueCase{"-$10", -16},
                      ValueCase{"2147483647", 2147483647},
                      ValueCase{"-2147483648", -2147483647 - 1}, ValueCase{"$7FFFFFFF", 2147483647},
                      ValueCase{"00000000000000000000000012", 12}));

INSTANTIATE_TEST_SUITE_P(
    NotIntegers, TokenValue,
    ::testing::Values(ValueCase{"", -3}, ValueCase{" ", -3}, ValueCase{"7 ", -3},
                      ValueCase{"Explore", -3}, ValueCase{"1a", -3}, ValueCase{"-", -3},
                      ValueCase{"+", -3}, ValueCase{"$", -3}, ValueCase{"$g", -3},
                      ValueCase{"2147483648", -3}, ValueCase{"-2147483649", -3},
                      ValueCase{"$80000000", -3}, ValueCase{"99999999999999999999", -3},
                      ValueCase{"\t7", -3}, ValueCase{"0x10", -3}, ValueCase{"1.0", -3},
                      ValueCase{"--1", -3}, ValueCase{"1e3", -3}));

TEST(TokenValue, QuotedAndBareReadTheSame) {
    for (const char* text : {R"("Prompt",5,-2,-2)", "Prompt,5,-2,-2"}) {
        const auto tokens = splitCommaText(text);
        ASSERT_EQ(tokens.size(), 4u);
        EXPECT_EQ(tokenValue(tokens[0]), -3);
        EXPECT_EQ(tokens[0], "Prompt");
        EXPECT_EQ(tokenValue(tokens[1]), 5);
    }
}

TEST(TokenValue, QuotedSpaceThenSevenIsAnOperationButSevenThenSpaceIsACaption) {
    const auto tokens = splitCommaText(R"(" 7","7 ")");
    ASSERT_EQ(tokens.size(), 2u);
    EXPECT_EQ(tokenValue(tokens[0]), 7);
    EXPECT_EQ(tokenValue(tokens[1]), -3);
}

} // namespace
} // namespace quorvane
