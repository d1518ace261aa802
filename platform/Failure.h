#pragma once

#include <stdexcept>
#include <string>
#include <string_view>

namespace quorvane {

// A failure raised inside an operation. It ends the operation where it occurs and carries the
// exact text the user sees; each front end shows it at its event boundary and goes on.
class Failure : public std::runtime_error {
public:
    explicit Failure(const std::string& text) : std::runtime_error(text) {}
};

// The text a front end shows for anything that ended an operation: a Failure's own text, the
// system's words for a system error, and plain words, never a type's name, for the rest.
std::string userMessage(const std::exception& error);

// Fills the one %s of a message template, as the program's texts are written.
std::string formatMessage(std::string_view pattern, std::string_view argument);

// Why `error` happened, fit to follow a message on its next line: the program's own texts and
// the system's reasons as they stand, and plain words where the library would give an internal
// name ("std::bad_alloc").
std::string reasonOf(const std::exception& error);

namespace messages {
inline constexpr std::string_view failedToGetData = "Failed to get data for '%s'";
inline constexpr std::string_view invalidDataType = "Invalid data type for '%s'";
inline constexpr std::string_view failedToSetData = "Failed to set data for '%s'";
inline constexpr std::string_view notAnInteger = "'%s' is not a valid integer value";
inline constexpr std::string_view listIndexOutOfBounds = "List index out of bounds";
} // namespace messages

} // namespace quorvane
