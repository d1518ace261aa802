#include "extension/ExtensionMenu.h"

#include "platform/Codepage.h"
#include "platform/Failure.h"
#include "settings/KeyPath.h"
#include "settings/SettingsKey.h"
#include "settings/StoredMenu.h"
#include "store/ReadOnlyRegistry.h"

#include <filesystem>
#include <system_error>
#include <vector>

namespace quorvane::ext {

namespace {

constexpr int configure = 8;
// Nemo cuts a longer line of an entry short with an ellipsis.
constexpr std::size_t longestProblemLine = 40;
constexpr std::size_t mostProblemLines = 4;
constexpr std::string_view unreadableFile = "Cannot read the settings file '";

// Looking at a file's kind only asks the file system about it, never opens it.
bool isOtherThanRegularFile(const std::filesystem::file_status& status,
                            const std::error_code& error) {
    return !error && status.type() != std::filesystem::file_type::regular &&
           status.type() != std::filesystem::file_type::not_found;
}

} // namespace

ExtensionMenu readExtensionMenu(Registry& store) {
    ExtensionMenu result;
    try {
        // Opening a pipe or a device to read it may wait for good, and this runs on the file
        // manager's main thread: a look at what the file is cannot wait.
        std::error_code error;
        if (const auto file = store.storeFile();
            file && isOtherThanRegularFile(std::filesystem::status(*file, error), error)) {
            result.reason = "Cannot read the settings file: it is no regular file.";
            result.problem = problemLines(result.reason);
            return result;
        }
        ReadOnlyRegistry reader(store);
        result.menu = readShownMenu(reader);
        if (result.menu.entries.empty()) {
            const SettingsKey key(reader);
            std::string caption = key.readString(operations()[configure].valueName);
            if (caption.empty())
                caption = operations()[configure].defaultCaption;
            result.menu.entries.push_back({Kind::Operation, caption, configure, {}, {}});
        }
    } catch (const std::exception& error) {
        result.menu = {};
        std::string text = failureTextToUtf8(userMessage(error));
        // The file's name is long and the same every time; the reason is what helps.
        if (const auto reason = text.find("': ");
            text.starts_with(unreadableFile) && reason != std::string::npos)
            text = "Cannot read the settings file: " + text.substr(reason + 3);
        else
            text = "Cannot read the menu: " + text;
        // One line for the tip, which some file managers show in a status bar.
        for (char& c : text)
            if (c == '\n')
                c = ' ';
        result.reason = text;
        result.problem = problemLines(text);
    } catch (...) {
        result.menu = {};
        result.problem = result.reason = "The settings cannot be read.";
    }
    return result;
}

std::string menuLabel(std::string_view caption) {
    std::string label;
    for (char c : ansiToUtf8(caption)) {
        if (c == '_')
            label += '_';
        label += c;
    }
    return label;
}

std::string problemLines(std::string_view failure) {
    const auto characters = [](std::string_view text) {
        std::size_t count = 0;
        for (char c : text)
            count += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
        return count;
    };
    std::vector<std::string> lines(1);
    std::size_t at = 0;
    while (at < failure.size()) {
        const std::size_t space = failure.find_first_of(" \n", at);
        const std::string_view word = failure.substr(at, space - at);
        std::string& line = lines.back();
        if (!line.empty() && characters(line) + 1 + characters(word) > longestProblemLine)
            lines.emplace_back(word);
        else
            line += (line.empty() ? "" : " ") + std::string(word);
        if (space == std::string_view::npos)
            break;
        at = space + 1;
    }
    std::string text;
    for (std::size_t i = 0; i < lines.size() && i < mostProblemLines; ++i)
        text += (i ? "\n" : "") + lines[i];
    if (lines.size() > mostProblemLines)
        text += "…";
    return text;
}

} // namespace quorvane::ext
