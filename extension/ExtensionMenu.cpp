#include "extension/ExtensionMenu.h"

#include "platform/Codepage.h"
#include "platform/Failure.h"
#include "platform/ReadOnlyRegistry.h"
#include "settings/KeyPath.h"
#include "settings/SettingsKey.h"
#include "settings/StoredMenu.h"

#include <sys/stat.h>

namespace quorvane::ext {

namespace {

constexpr int configure = 8;
constexpr std::size_t longestProblem = 80;
constexpr std::string_view unreadableFile = "Cannot read the settings file '";

} // namespace

ExtensionMenu readExtensionMenu(Registry& store) {
    ExtensionMenu result;
    try {
        // Opening a pipe or a device to read it may wait for good, and this runs on the file
        // manager's main thread: a look at what the file is cannot wait.
        struct stat status {};
        if (const auto file = store.storeFile();
            file && ::stat(file->c_str(), &status) == 0 && !S_ISREG(status.st_mode)) {
            result.problem = "Cannot read the settings file: it is no regular file.";
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
        result.problem = shortProblem(text);
    } catch (...) {
        result.menu = {};
        result.problem = "The settings cannot be read.";
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

std::string shortProblem(std::string_view failure) {
    std::string line(failure.substr(0, failure.find('\n')));
    if (line.size() > longestProblem) {
        std::size_t cut = longestProblem;
        // Never in the middle of a UTF-8 sequence.
        while (cut > 0 && (static_cast<unsigned char>(line[cut]) & 0xC0) == 0x80)
            --cut;
        line = line.substr(0, cut) + "…";
    }
    return line;
}

} // namespace quorvane::ext
