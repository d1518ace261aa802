#include "platform/System.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <optional>

namespace quorvane {
namespace {

void set(const char* name, const char* value) {
    if (value)
        ::setenv(name, value, 1);
    else
        ::unsetenv(name);
}

TEST(SystemDirectory, FollowsTheEnvironment) {
    struct Row {
        const char* xdgDataHome; // nullptr: unset
        const char* home;
        std::string expected;
    };
    const Row rows[] = {
        {"/xdg", "/home/u", "/xdg/quorvane"},
        {"/xdg/", "/home/u", "/xdg/quorvane"},
        {"", "/home/u", "/home/u/.local/share/quorvane"},
        {nullptr, "/home/u/", "/home/u/.local/share/quorvane"},
        {nullptr, "/", "/.local/share/quorvane"},
        {"/", "/home/u", "/quorvane"},
    };
    std::optional<std::string> saved[2];
    const char* names[2] = {"XDG_DATA_HOME", "HOME"};
    for (int i = 0; i < 2; ++i)
        if (const char* value = std::getenv(names[i]))
            saved[i] = value;
    for (const Row& row : rows) {
        set("XDG_DATA_HOME", row.xdgDataHome);
        set("HOME", row.home);
        EXPECT_EQ(systemDirectory(), row.expected)
            << (row.xdgDataHome ? row.xdgDataHome : "(unset)") << " " << row.home;
    }
    for (int i = 0; i < 2; ++i)
        set(names[i], saved[i] ? saved[i]->c_str() : nullptr);
}

} // namespace
} // namespace quorvane
