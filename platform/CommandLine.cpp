#include "platform/System.h"

namespace quorvane {

namespace {

bool isCommandBlank(char c) {
    return c == ' ' || c == '\t';
}

} // namespace

std::filesystem::path pathFromUtf8(std::string_view text) {
    return std::filesystem::path(std::u8string(text.begin(), text.end()));
}

CommandLine splitProgramName(std::string_view line) {
    std::size_t p = 0;
    while (p < line.size() && isCommandBlank(line[p]))
        ++p;
    CommandLine command;
    if (p < line.size() && line[p] == '"') {
        const std::size_t close = line.find('"', p + 1);
        command.program = line.substr(
            p + 1, close == std::string_view::npos ? std::string_view::npos : close - p - 1);
        p = close == std::string_view::npos ? line.size() : close + 1;
    } else {
        while (p < line.size() && !isCommandBlank(line[p]))
            command.program += line[p++];
    }
    while (p < line.size() && isCommandBlank(line[p]))
        ++p;
    command.arguments = line.substr(p);
    return command;
}

} // namespace quorvane
