// Token values against a reading of the same rules written independently, on any token.

#include "FuzzSupport.h"
#include "menu/CommaText.h"

#include <charconv>
#include <limits>
#include <optional>

using namespace quorvane;

namespace {

// Spaces, an optional sign, then decimal digits or "$" and hexadecimal digits, nothing else,
// within the 32-bit signed range.
std::optional<std::int32_t> reference(std::string_view token) {
    token.remove_prefix(std::min(token.find_first_not_of(' '), token.size()));
    bool negative = false;
    if (!token.empty() && (token.front() == '-' || token.front() == '+')) {
        negative = token.front() == '-';
        token.remove_prefix(1);
    }
    int base = 10;
    if (!token.empty() && token.front() == '$') {
        base = 16;
        token.remove_prefix(1);
    }
    const std::string_view digits = base == 16 ? "0123456789abcdefABCDEF" : "0123456789";
    if (token.empty() || token.find_first_not_of(digits) != std::string_view::npos)
        return std::nullopt;
    std::uint64_t magnitude = 0;
    const auto [end, error] =
        std::from_chars(token.data(), token.data() + token.size(), magnitude, base);
    if (error != std::errc() || end != token.data() + token.size())
        return std::nullopt; // more than 64 bits: far out of range
    const std::int64_t value =
        negative ? -static_cast<std::int64_t>(std::min<std::uint64_t>(magnitude, 1ull << 62))
                 : static_cast<std::int64_t>(std::min<std::uint64_t>(magnitude, 1ull << 62));
    if (value < std::numeric_limits<std::int32_t>::min() ||
        value > std::numeric_limits<std::int32_t>::max())
        return std::nullopt;
    return static_cast<std::int32_t>(value);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view token = fuzz::bytes(data, size);
    const std::optional<std::int32_t> value = parseInteger(token);
    fuzz::require(value == reference(token), "parseInteger disagrees with the rules", token);
    fuzz::require(tokenValue(token) == value.value_or(-3), "a token that is no integer is not -3",
                  token);
    if (value) {
        // What the writer stores for a code reads back as that code.
        fuzz::require(parseInteger(std::to_string(*value)) == value, "a number does not read back",
                      token);
    }
    return 0;
}
