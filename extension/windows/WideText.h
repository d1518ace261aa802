#pragma once

#include <string>
#include <string_view>

namespace quorvane::ext {

// The shell speaks UTF-16; the settings hold Windows-1252 and the extension's library UTF-8.
std::wstring ansiToWide(std::string_view ansi);
std::wstring utf8ToWide(std::string_view utf8);
std::string wideToUtf8(std::wstring_view wide);

} // namespace quorvane::ext
