#include "extension/ClipboardText.h"

namespace quorvane::ext {

std::string clipboardText(const std::vector<std::string>& names, bool lineEnds) {
    const char after = lineEnds || names.size() > 1 ? '\n' : ' ';
    std::string text;
    for (const std::string& name : names)
        text += name + after;
    return text;
}

} // namespace quorvane::ext
