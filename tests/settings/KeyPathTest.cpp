#include "settings/KeyPath.h"

#include <gtest/gtest.h>
#include <utility>

namespace quorvane {
namespace {

TEST(Descramble, KnownScrambledTextsReadBackAsTheirPlainText) {
    const std::pair<std::string, std::string> rows[] = {
        {"", ""},         {"b\x86\x80\x83\x87r\x7fv", "Quorvane"},
        {"m", "\\"},      {std::string("\x00\x10\x11", 3), std::string("\xef\xff\x00", 3)},
        {"\xff", "\xee"},
    };
    for (const auto& [scrambled, plain] : rows)
        EXPECT_EQ(descramble(scrambled), plain) << plain;
}

TEST(Descramble, UndoesScramblingByteForByte) {
    std::string all;
    for (int byte = 0; byte < 256; ++byte)
        all += static_cast<char>(byte);
    EXPECT_EQ(descramble(scramble(all)), all);
    EXPECT_EQ(descramble(""), "");
    // Bytes below 17 wrap round to the top of the byte range when scrambled back.
    EXPECT_EQ(descramble(std::string("\x00\x10\x11", 3)), std::string("\xef\xff\x00", 3));
}

TEST(SettingsKeyPath, IsARelativeKeyPathKeptOnlyScrambled) {
    const std::string path = settingsKeyPath();
    ASSERT_FALSE(path.empty());
    EXPECT_NE(path.front(), '\\');
    EXPECT_NE(path.back(), '\\');
    for (unsigned char c : path)
        EXPECT_TRUE(c >= 32 && c < 127) << "byte " << int(c);
}

} // namespace
} // namespace quorvane
