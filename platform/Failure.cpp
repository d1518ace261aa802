#include "platform/Failure.h"

namespace quorvane {

std::string formatMessage(std::string_view pattern, std::string_view argument) {
    std::string result(pattern);
    if (auto at = result.find("%s"); at != std::string::npos)
        result.replace(at, 2, argument);
    return result;
}

} // namespace quorvane
