#pragma once

#include <string>
#include <vector>

namespace quorvane::ext {

// The text Copy Name and Append Name put into the clipboard: each name followed by a line end
// when `lineEnds` is set and by a space otherwise; several names always one to a line. The line
// end is this platform's.
std::string clipboardText(const std::vector<std::string>& names, bool lineEnds);

} // namespace quorvane::ext
