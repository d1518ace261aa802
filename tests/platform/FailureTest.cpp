#include "platform/Failure.h"

#include <gtest/gtest.h>

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

} // namespace
} // namespace quorvane
