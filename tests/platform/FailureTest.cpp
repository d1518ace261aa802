#include "platform/Failure.h"

#include <gtest/gtest.h>
#include <new>
#include <stdexcept>
#include <system_error>

using namespace std::string_literals;

namespace quorvane {
namespace {

TEST(FailureTest, MessageTextsReachTheUserWhole) {
    struct Row {
        std::string argument;
        std::string text;
    };
    const Row rows[] = {
        {"abc", "'abc' is not a valid integer value"},
        {"", "'' is not a valid integer value"},
        {"%s", "'%s' is not a valid integer value"},
        // A binary file's NUL would otherwise end the text the user sees right there.
        {"se\xe3\0\0en"s, "'se\xe3' is not a valid integer value"},
        {"\0tail"s, "'' is not a valid integer value"},
    };
    for (const Row& row : rows) {
        const Failure failure(formatMessage(messages::notAnInteger, row.argument));
        EXPECT_EQ(std::string(failure.what()), row.text);
    }
}

// Whatever ends an operation reaches the user in words, never as the name of a type.
TEST(FailureTest, UserMessagesNameNoInternals) {
    std::string tooLong;
    try {
        tooLong.resize(tooLong.max_size() + 1);
    } catch (const std::length_error& error) {
        EXPECT_EQ(userMessage(error), "There is not enough memory.");
    }
    EXPECT_EQ(userMessage(std::bad_alloc()), "There is not enough memory.");
    EXPECT_EQ(userMessage(Failure("Failed to set data for 'v'")), "Failed to set data for 'v'");
    EXPECT_EQ(userMessage(std::system_error(ENOSPC, std::generic_category(), "write")),
              "The operation failed: No space left on device");
    EXPECT_EQ(userMessage(std::logic_error("vector::_M_range_check")),
              "An unexpected error stopped the operation.");
}

} // namespace
} // namespace quorvane
