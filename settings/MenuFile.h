#pragma once

#include "store/Registry.h"

#include <filesystem>
#include <string>
#include <string_view>

namespace quorvane {

// A menu file is a text snapshot of the settings key: two header lines, then one "s:name:text" or
// "i:name:number" line per value, CR LF after each.
inline constexpr std::string_view menuFileHeader = "# This is a menu-file for Quorvane";

// The menu file of what the settings key holds now. A value that a line cannot hold faithfully (a
// text or a name with a line break, a name with a colon) is never left out or saved changed: it
// throws Failure naming the value, and nothing is saved.
std::string menuFileText(Registry& registry);

// Writes menuFileText to `file` through a temporary file, so a failed save leaves the old file.
// Throws Failure naming the file when it cannot be written or is the settings file itself.
void saveMenuFile(Registry& registry, const std::filesystem::path& file);

// Reads a menu file's bytes; throws Failure naming the file when it cannot be read.
std::string readMenuFile(const std::filesystem::path& file);

// Writes every value the text names, all in one commit, and tells whether it named any. The whole
// text is checked first, and nothing is written when any of it is refused: UTF-16 text; a number
// that does not read ("'%s' is not a valid integer value" followed by the value and the line); a
// value of the type the program does not read it as (an "s:" line for an option it reads as a
// number, an "i:" line for one it reads as text); a menu string or an item list longer than the
// reader keeps; and settings that the menu load could not read afterwards (a targets list shorter
// than its captions), with the load's own message. A UTF-8 byte-order mark is read past, and the
// text after it is read as UTF-8.
bool loadMenuFile(Registry& registry, std::string_view text);

} // namespace quorvane
