#pragma once

#include "settings/Messages.h"

#include <string>
#include <vector>

namespace quorvane::test {

// Keeps what the core tells the user, for tests to look at.
class RecordingMessages : public Messages {
public:
    void message(std::string_view text) override { messages.emplace_back(text); }
    void installedNotice() override { ++notices; }

    std::vector<std::string> messages;
    int notices = 0;
};

} // namespace quorvane::test
