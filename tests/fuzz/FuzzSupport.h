#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace quorvane::fuzz {

// Reports a broken property with the input's own words and stops the run, so that libFuzzer
// keeps the input that broke it.
[[noreturn]] void fail(std::string_view what, std::string_view detail = {});

inline void require(bool holds, std::string_view what, std::string_view detail = {}) {
    if (!holds)
        fail(what, detail);
}

inline std::string_view bytes(const std::uint8_t* data, std::size_t size) {
    return {reinterpret_cast<const char*>(data), size};
}

// Splits an input into fields at the record separator (0x1e), so that seeds stay readable and
// a mutation can move text from one field to the next. Missing fields are absent, not empty.
std::vector<std::string> fields(std::string_view input, std::size_t most);

inline constexpr char fieldSeparator = '\x1e';

// A text in C escapes, for reports.
std::string escaped(std::string_view text);

} // namespace quorvane::fuzz
