#include "installer/InfFile.h"

#include "platform/Failure.h"

#include <gtest/gtest.h>

namespace quorvane {
namespace {

using Fields = std::vector<std::string>;

struct LineCase {
    const char* name;
    std::string text; // one line of a section
    std::optional<std::string> key;
    Fields fields;
};

class InfLines : public testing::TestWithParam<LineCase> {};

TEST_P(InfLines, SplitIntoKeyAndFields) {
    const InfFile inf = InfFile::parse("[S]\r\n" + GetParam().text + "\r\n", "t.inf");
    ASSERT_NE(inf.section("S"), nullptr);
    ASSERT_EQ(inf.section("S")->lines.size(), 1u);
    const InfLine& line = inf.section("S")->lines.front();
    EXPECT_EQ(line.number, 2u);
    EXPECT_EQ(line.key, GetParam().key);
    EXPECT_EQ(line.fields, GetParam().fields);
}

INSTANTIATE_TEST_SUITE_P(
    Syntax, InfLines,
    testing::Values(
        LineCase{"KeyAndList", "CopyFiles = A , B", "CopyFiles", {"A", "B"}},
        LineCase{
            "EmptyFieldsKept", R"(HKCR,Key,,,"x")", std::nullopt, {"HKCR", "Key", "", "", "x"}},
        LineCase{"QuotesKeepBlanksCommasAndSemicolons", R"(k=" a, b; c ")", "k", {" a, b; c "}},
        LineCase{"DoubledQuoteIsOneQuote", R"(k="say ""hi""")", "k", {R"(say "hi")"}},
        LineCase{"CommentEndsTheLine", "k=a ; b, c", "k", {"a"}},
        LineCase{"OnlyTheFirstEqualsSeparates", "k=a=b", "k", {"a=b"}},
        LineCase{"InnerBlanksStay",
                 "HKCR,Some Key\\Sub,,,x",
                 std::nullopt,
                 {"HKCR", "Some Key\\Sub", "", "", "x"}},
        LineCase{"PercentsAreLeftForLater", "k=%11%\\x", "k", {"%11%\\x"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(InfFile, BackslashAtTheEndContinuesTheLine) {
    const InfFile inf = InfFile::parse("[S]\nk=a,\\\n  b ; note\nnext\n", "t.inf");
    const auto& lines = inf.section("S")->lines;
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].fields, (Fields{"a", "b"}));
    EXPECT_EQ(lines[0].number, 2u);
    EXPECT_EQ(lines[1].number, 4u);
}

TEST(InfFile, SectionNamesIgnoreCaseAndRepeatedSectionsJoin) {
    const InfFile inf =
        InfFile::parse("; head\n[Files] ; note\na\n[Other]\nx\n[ files ]\nb\n", "t.inf");
    ASSERT_NE(inf.section("FILES"), nullptr);
    EXPECT_EQ(inf.section("FILES")->lines.size(), 2u);
    EXPECT_EQ(inf.section("files")->lines[1].fields, Fields{"b"});
    EXPECT_EQ(inf.section("Missing"), nullptr);
}

struct BadCase {
    const char* name;
    std::string text;
    std::string message;
};

class BadInf : public testing::TestWithParam<BadCase> {};

TEST_P(BadInf, NamesFileAndLine) {
    try {
        InfFile::parse(GetParam().text, "bad.inf");
        FAIL() << "parsed";
    } catch (const Failure& failure) {
        EXPECT_EQ(std::string(failure.what()), GetParam().message);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Refusals, BadInf,
    testing::Values(BadCase{"LineBeforeAnySection", "; x\nk=v\n[S]\n",
                            "bad.inf, line 2: the line lies outside every section"},
                    BadCase{"UnclosedSectionName", "[S]\n[Strings\n",
                            "bad.inf, line 2: a section name lacks its closing ']'"},
                    BadCase{"TextAfterSectionName", "[S] x\n",
                            "bad.inf, line 1: text follows the section name"},
                    BadCase{"UnclosedQuote", "[S]\n\nk=\"abc\n",
                            "bad.inf, line 3: a quoted text is not closed"}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace quorvane
