#include "platform/Failure.h"

namespace quorvane {

std::string formatMessage(std::string_view pattern, std::string_view argument) {
    // Messages travel as C strings (what(), a message box), where a NUL from a binary file would
    // cut off the rest of the text; the argument ends there instead, as every stored text does.
    argument = argument.substr(0, argument.find('\0'));
    std::string result(pattern);
    if (auto at = result.find("%s"); at != std::string::npos)
        result.replace(at, 2, argument);
    return result;
}

} // namespace quorvane
