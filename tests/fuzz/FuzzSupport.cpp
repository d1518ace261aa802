#include "FuzzSupport.h"

#include <cstdio>
#include <cstdlib>

namespace quorvane::fuzz {

void fail(std::string_view what, std::string_view detail) {
    std::fprintf(stderr, "\nBROKEN: %.*s\n", static_cast<int>(what.size()), what.data());
    if (!detail.empty())
        std::fprintf(stderr, "  %s\n", escaped(detail.substr(0, 2000)).c_str());
    std::abort();
}

std::vector<std::string> fields(std::string_view input, std::size_t most) {
    std::vector<std::string> result;
    while (result.size() + 1 < most) {
        const std::size_t end = input.find(fieldSeparator);
        if (end == std::string_view::npos)
            break;
        result.emplace_back(input.substr(0, end));
        input.remove_prefix(end + 1);
    }
    result.emplace_back(input);
    return result;
}

std::string escaped(std::string_view text) {
    std::string out;
    for (unsigned char c : text) {
        if (c == '\\' || c == '"') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c >= 32 && c < 127) {
            out += static_cast<char>(c);
        } else {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02x", c);
            out += hex;
        }
    }
    return out;
}

} // namespace quorvane::fuzz
