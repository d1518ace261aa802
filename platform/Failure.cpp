#include "platform/Failure.h"

#include <new>
#include <stdexcept>
#include <system_error>

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

std::string reasonOf(const std::exception& error) {
    if (dynamic_cast<const Failure*>(&error) || dynamic_cast<const std::system_error*>(&error))
        return error.what();
    if (dynamic_cast<const std::bad_alloc*>(&error) ||
        dynamic_cast<const std::length_error*>(&error))
        return "there is not enough memory";
    return "an unexpected error stopped the operation";
}

std::string userMessage(const std::exception& error) {
    if (dynamic_cast<const Failure*>(&error))
        return error.what();
    if (const auto* system = dynamic_cast<const std::system_error*>(&error))
        return "The operation failed: " + system->code().message();
    std::string reason = reasonOf(error);
    reason.front() = static_cast<char>(reason.front() - 'a' + 'A');
    return reason + ".";
}

} // namespace quorvane
