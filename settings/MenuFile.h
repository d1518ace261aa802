#pragma once

#include "platform/Registry.h"

#include <filesystem>
#include <string>
#include <string_view>

namespace quorvane {

// A menu file is a text snapshot of the settings key: two header lines, then one "s:name:text" or
// "i:name:number" line per value, CR LF after each.
inline constexpr std::string_view menuFileHeader = "# This is a menu-file for Quorvane";

// The menu file of what the settings key holds now. Values that a line cannot hold faithfully (a
// text with a line break, a name with a colon) are left out rather than saved changed.
std::string menuFileText(Registry& registry);

// Writes menuFileText to `file` through a temporary file, so a failed save leaves the old file.
// Throws Failure naming the file when it cannot be written or is the settings file itself.
void saveMenuFile(Registry& registry, const std::filesystem::path& file);

// Reads a menu file's bytes; throws Failure naming the file when it cannot be read.
std::string readMenuFile(const std::filesystem::path& file);

// Writes every value the text names, all in one commit, and tells whether it named any. The whole
// text is checked first: a number that does not read raises "'%s' is not a valid integer value",
// and settings that the menu load could not read afterwards (a targets list shorter than its
// captions, a value of the wrong type) raise the load's own message; nothing is written then.
bool loadMenuFile(Registry& registry, std::string_view text);

} // namespace quorvane
