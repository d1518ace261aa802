#include "store/HiveFile.h"

#include "HiveSamples.h"
#include "platform/Failure.h"

#include <gtest/gtest.h>

using namespace std::string_literals;

namespace quorvane {
namespace {

constexpr std::string_view fileName = "/x/HKEY_CLASSES_ROOT.reg";

std::string fileWithOneValue(const std::string& line) {
    return "REGEDIT4\r\n\r\n[HKEY_CLASSES_ROOT\\k]\r\n" + line + "\r\n\r\n";
}

class ValueFormatTest : public testing::TestWithParam<test::ValueSample> {};

TEST_P(ValueFormatTest, WritesTheExpectedLineAndReadsTheSameValueBack) {
    const test::ValueSample& sample = GetParam();
    Hive hive;
    hive.ensureKey("k").setValue(sample.name, sample.type, sample.data);

    const std::string text = hive.serialize();
    EXPECT_EQ(text, fileWithOneValue(sample.line));

    Hive reread = Hive::parse(text, fileName);
    ASSERT_EQ(reread.keys().size(), 1u);
    ASSERT_EQ(reread.keys()[0].values().size(), 1u);
    EXPECT_EQ(reread.keys()[0].values()[0], (RegistryValue{sample.name, sample.type, sample.data}));
}

INSTANTIATE_TEST_SUITE_P(AllKinds, ValueFormatTest, testing::ValuesIn(test::valueSamples()),
                         [](const auto& info) { return info.param.label; });

TEST(HiveFileTest, AllSamplesTogetherRoundTripInOrder) {
    Hive hive;
    HiveKey& key = hive.ensureKey("k");
    for (const test::ValueSample& sample : test::valueSamples())
        key.setValue(sample.name, sample.type, sample.data);
    EXPECT_TRUE(Hive::parse(hive.serialize(), fileName) == hive);
}

TEST(HiveFileTest, SerializesASmallHiveByteForByte) {
    Hive hive;
    hive.ensureKey("").setValue("", regtype::sz, "root");
    HiveKey& shell = hive.ensureKey("*\\shell\\Quorvane");
    shell.setValue("", regtype::sz, "Open with Quorvane");
    shell.setValue("Position", regtype::dword, dwordData(7));
    hive.ensureKey("Empty]Key");
    hive.ensureKey("Directory\\Background").setValue("Icon", regtype::expandSz, "%X%");

    EXPECT_EQ(hive.serialize(), "REGEDIT4\r\n"
                                "\r\n"
                                "[HKEY_CLASSES_ROOT]\r\n"
                                "@=\"root\"\r\n"
                                "\r\n"
                                "[HKEY_CLASSES_ROOT\\*\\shell\\Quorvane]\r\n"
                                "@=\"Open with Quorvane\"\r\n"
                                "\"Position\"=dword:00000007\r\n"
                                "\r\n"
                                "[HKEY_CLASSES_ROOT\\Empty]Key]\r\n"
                                "\r\n"
                                "[HKEY_CLASSES_ROOT\\Directory\\Background]\r\n"
                                "\"Icon\"=hex(2):25,58,25,00\r\n"
                                "\r\n");
}

TEST(HiveFileTest, EmptyHiveIsJustTheHeader) {
    EXPECT_EQ(Hive().serialize(), "REGEDIT4\r\n\r\n");
    EXPECT_TRUE(Hive::parse("REGEDIT4\r\n\r\n", fileName) == Hive());
    EXPECT_TRUE(Hive::parse("REGEDIT4", fileName) == Hive());
}

struct ReadSample {
    std::string label;
    std::string text;
    std::vector<HiveKey> keys;
};

class LenientReadTest : public testing::TestWithParam<ReadSample> {};

TEST_P(LenientReadTest, ReadsWhatOtherWritersProduce) {
    Hive expected;
    for (const HiveKey& key : GetParam().keys) {
        HiveKey& into = expected.ensureKey(key.path());
        for (const RegistryValue& value : key.values())
            into.setValue(value.name, value.type, value.data);
    }
    Hive actual = Hive::parse(GetParam().text, fileName);
    EXPECT_TRUE(actual == expected) << actual.serialize();
}

INSTANTIATE_TEST_SUITE_P(
    Variants, LenientReadTest,
    testing::Values(
        ReadSample{"LfOnly",
                   "REGEDIT4\n\n[HKEY_CLASSES_ROOT\\a]\n\"x\"=\"1\"\n@=dword:2\n\n",
                   {{"a", {{"x", regtype::sz, "1"}, {"", regtype::dword, dwordData(2)}}}}},
        ReadSample{"NoFinalLineEnd",
                   "REGEDIT4\r\n[HKEY_CLASSES_ROOT\\a]\r\n\"x\"=\"1\"",
                   {{"a", {{"x", regtype::sz, "1"}}}}},
        ReadSample{"CommentsAndBlankLines",
                   "REGEDIT4\r\n; first\r\n\r\n  \r\n[HKEY_CLASSES_ROOT\\a]\r\n;\"x\"=\"no\"\r\n"
                   "\r\n\"y\"=\"yes\"\r\n",
                   {{"a", {{"y", regtype::sz, "yes"}}}}},
        ReadSample{
            "HexContinuation",
            "REGEDIT4\r\n\r\n[HKEY_CLASSES_ROOT\\a]\r\n\"b\"=hex:01,02,\\\r\n  03,\\\r\n"
            "\t04\r\n\"c\"=hex(7):61,\\\r\n00,00\r\n",
            {{"a",
              {{"b", regtype::binary, "\x01\x02\x03\x04"}, {"c", regtype::multiSz, "a\0\0"s}}}}},
        ReadSample{
            "UpperCaseAndShortHex",
            "REGEDIT4\r\n\r\n[hkey_classes_root\\A]\r\n\"d\"=DWORD:7DA\r\n\"h\"=HEX:A,Ff\r\n",
            {{"A", {{"d", regtype::dword, dwordData(2010)}, {"h", regtype::binary, "\x0a\xff"}}}}},
        ReadSample{"TrailingBlanks",
                   "REGEDIT4 \r\n\r\n[HKEY_CLASSES_ROOT\\a] \r\n\"s\"=\"x\"\t\r\n\"d\"=dword:1 \r\n"
                   "\"h\"=hex:01 , 02 \r\n",
                   {{"a",
                     {{"s", regtype::sz, "x"},
                      {"d", regtype::dword, dwordData(1)},
                      {"h", regtype::binary, "\x01\x02"}}}}},
        ReadSample{"HexStringsWithoutTerminator",
                   "REGEDIT4\r\n\r\n[HKEY_CLASSES_ROOT\\a]\r\n\"s\"=hex(1):61\r\n\"e\"=hex(2):\r\n"
                   "\"m\"=hex(7):61,00\r\n",
                   {{"a",
                     {{"s", regtype::sz, "a"},
                      {"e", regtype::expandSz, ""},
                      {"m", regtype::multiSz, "a\0"s}}}}},
        ReadSample{"QuotedEmptyNameIsTheUnnamedValue",
                   "REGEDIT4\r\n\r\n[HKEY_CLASSES_ROOT\\a]\r\n\"\"=\"x\"\r\n@=\"y\"\r\n",
                   {{"a", {{"", regtype::sz, "y"}}}}},
        ReadSample{"BracketsInKeyPath",
                   "REGEDIT4\r\n\r\n[HKEY_CLASSES_ROOT\\a]b\\[c]]\r\n[HKEY_CLASSES_ROOT]\r\n",
                   {{"a]b\\[c]", {}}, {"", {}}}},
        ReadSample{"RawCarriageReturnInsideQuotes",
                   "REGEDIT4\r\n\r\n[HKEY_CLASSES_ROOT\\a]\r\n\"s\"=\"x\ry\"\r\n",
                   {{"a", {{"s", regtype::sz, "x\ry"}}}}}),
    [](const auto& info) { return info.param.label; });

// Comments stay in their section before the line they preceded: those before a value listed
// again, which is dropped, move down, and those at a section's end stay after added values.
TEST(HiveFileTest, HandWrittenCommentsKeepTheirPlace) {
    Hive hive = Hive::parse("REGEDIT4\n; top\n[HKEY_CLASSES_ROOT\\a]\n  ; on x\n\"x\"=\"1\"\n"
                            "; on X\n\"X\"=\"2\"\n; end of a\n[HKEY_CLASSES_ROOT\\b]\n;\n\x1a",
                            fileName);
    hive.ensureKey("a").setValue("new", regtype::sz, "3");
    const std::string expected =
        "REGEDIT4\r\n\r\n; top\r\n\r\n[HKEY_CLASSES_ROOT\\a]\r\n  ; on x\r\n"
        "\"x\"=\"2\"\r\n\"new\"=\"3\"\r\n; on X\r\n; end of a\r\n\r\n"
        "[HKEY_CLASSES_ROOT\\b]\r\n;\r\n\r\n";
    EXPECT_EQ(hive.serialize(), expected);
    EXPECT_EQ(hive.reserialize(""), expected);
}

TEST(HiveFileTest, KeyListedTwiceIsMergedLaterValuesWinInPlace) {
    Hive hive = Hive::parse("REGEDIT4\r\n\r\n"
                            "[HKEY_CLASSES_ROOT\\Key]\r\n\"a\"=\"1\"\r\n\"b\"=\"2\"\r\n\r\n"
                            "[HKEY_CLASSES_ROOT\\other]\r\n\r\n"
                            "[HKEY_CLASSES_ROOT\\KEY]\r\n\"c\"=\"3\"\r\n\"A\"=dword:9\r\n",
                            fileName);
    ASSERT_EQ(hive.keys().size(), 2u);
    EXPECT_EQ(hive.keys()[0].path(), "Key");
    EXPECT_EQ(hive.keys()[0].values(),
              (std::vector<RegistryValue>{{"a", regtype::dword, dwordData(9)},
                                          {"b", regtype::sz, "2"},
                                          {"c", regtype::sz, "3"}}));
}

class BrokenHiveTest : public testing::TestWithParam<test::BrokenHiveSample> {};

TEST_P(BrokenHiveTest, RefusesNamingFileAndLine) {
    const test::BrokenHiveSample& sample = GetParam();
    try {
        Hive::parse(sample.text, fileName);
        FAIL() << "accepted";
    } catch (const Failure& failure) {
        const std::string message = failure.what();
        const std::string prefix = "Cannot read the settings file '" + std::string(fileName) +
                                   "': line " + std::to_string(sample.line) + ": ";
        EXPECT_EQ(message.substr(0, prefix.size()), prefix) << message;
        EXPECT_NE(message.find(sample.reason, prefix.size()), std::string::npos) << message;
    }
}

INSTANTIATE_TEST_SUITE_P(Samples, BrokenHiveTest, testing::ValuesIn(test::brokenHiveSamples()),
                         [](const auto& info) { return info.param.label; });

TEST(HiveFileTest, SetValueKeepsPlaceAndOriginalNameAcrossTypeChanges) {
    HiveKey key("k");
    key.setValue("First", regtype::sz, "1");
    key.setValue("Second", regtype::sz, "2");
    key.setValue("Third", regtype::sz, "3");
    key.setValue("SECOND", regtype::dword, dwordData(2));
    key.setValue("first", regtype::binary, "\x01");
    key.setValue("Fourth", regtype::sz, "4");

    EXPECT_EQ(key.values(), (std::vector<RegistryValue>{{"First", regtype::binary, "\x01"},
                                                        {"Second", regtype::dword, dwordData(2)},
                                                        {"Third", regtype::sz, "3"},
                                                        {"Fourth", regtype::sz, "4"}}));
    ASSERT_NE(key.findValue("tHIRD"), nullptr);
    EXPECT_EQ(key.findValue("tHIRD")->data, "3");
    EXPECT_EQ(key.findValue("Fifth"), nullptr);
}

TEST(HiveFileTest, KeysAreFoundIgnoringCaseAndKeepTheirCase) {
    Hive hive;
    hive.ensureKey("Folder\\Shell");
    HiveKey& again = hive.ensureKey("FOLDER\\shell");
    EXPECT_EQ(again.path(), "Folder\\Shell");
    EXPECT_EQ(hive.keys().size(), 1u);
    EXPECT_EQ(hive.findKey("folder\\SHELL"), &hive.keys()[0]);
    EXPECT_EQ(hive.findKey("Folder"), nullptr);
}

TEST(HiveFileTest, EqualityIsSensitiveToOrder) {
    Hive ab;
    ab.ensureKey("a");
    ab.ensureKey("b");
    Hive ba;
    ba.ensureKey("b");
    ba.ensureKey("a");
    EXPECT_FALSE(ab == ba);

    Hive values1 = ab;
    Hive values2 = ab;
    values1.ensureKey("a").setValue("x", regtype::sz, "1");
    values1.ensureKey("a").setValue("y", regtype::sz, "2");
    values2.ensureKey("a").setValue("y", regtype::sz, "2");
    values2.ensureKey("a").setValue("x", regtype::sz, "1");
    EXPECT_FALSE(values1 == values2);
    Hive copy = values1;
    EXPECT_TRUE(copy == values1);
    copy.ensureKey("a").setValue("y", regtype::sz, "3");
    EXPECT_FALSE(copy == values1);
}

struct UnwritableSample {
    std::string label;
    std::string keyPath;
    std::string valueName;
};

class UnwritableTest : public testing::TestWithParam<UnwritableSample> {};

// Writing these would produce a file that cannot be read back, so nothing may be written.
TEST_P(UnwritableTest, SerializeRefuses) {
    Hive hive;
    HiveKey& key = hive.ensureKey(GetParam().keyPath);
    if (!GetParam().valueName.empty())
        key.setValue(GetParam().valueName, regtype::sz, "x");
    EXPECT_THROW(hive.serialize(), UnstorableName);
}

INSTANTIATE_TEST_SUITE_P(Samples, UnwritableTest,
                         testing::Values(UnwritableSample{"LineFeedInName", "k", "a\nb"},
                                         UnwritableSample{"CarriageReturnInName", "k", "a\r"},
                                         UnwritableSample{"NulInName", "k", "a\0b"s},
                                         UnwritableSample{"LineFeedInKey", "a\nb", ""},
                                         UnwritableSample{"EmptyKeyComponent", "a\\\\b", ""},
                                         UnwritableSample{"LeadingBackslash", "\\a", ""},
                                         UnwritableSample{"TrailingBackslash", "a\\", ""}),
                         [](const auto& info) { return info.param.label; });

} // namespace
} // namespace quorvane
