#include "settings/MenuFile.h"

#include "menu/CommaText.h"
#include "platform/AtomicFile.h"
#include "platform/Failure.h"
#include "platform/FileBytes.h"
#include "settings/SettingsKey.h"

#include <cerrno>
#include <system_error>
#include <vector>

namespace quorvane {

namespace {

bool isExcluded(std::string_view name) {
    return name.empty() || name == "ItemsAvailable" || name == "v" || name == "DisplayRef";
}

bool fitsOnALine(std::string_view text) {
    return text.find_first_of("\r\n") == std::string_view::npos;
}

struct Line {
    bool integer;
    std::string name;
    std::string text;
    std::int32_t number = 0;
};

std::vector<std::string_view> splitLines(std::string_view text) {
    std::vector<std::string_view> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = text.find_first_of("\r\n", start);
        if (end == std::string_view::npos) {
            lines.push_back(text.substr(start));
            break;
        }
        lines.push_back(text.substr(start, end - start));
        start = end + (text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n' ? 2 : 1);
    }
    return lines;
}

} // namespace

std::string menuFileText(Registry& registry) {
    SettingsKey key(registry);
    std::string text;
    text.append(menuFileHeader).append("\r\n#\r\n");
    const auto names = key.valueNames();
    for (auto it = names.rbegin(); it != names.rend(); ++it) {
        const std::string& name = *it;
        if (isExcluded(name) || name.find(':') != std::string::npos || !fitsOnALine(name))
            continue;
        switch (key.valueType(name)) {
        case ValueType::String: {
            const std::string value = key.readString(name);
            if (fitsOnALine(value))
                text.append("s:").append(name).append(":").append(value).append("\r\n");
            break;
        }
        case ValueType::Integer:
            text.append("i:")
                .append(name)
                .append(":")
                .append(std::to_string(key.readInteger(name)))
                .append("\r\n");
            break;
        case ValueType::Missing:
        case ValueType::Other:
            break;
        }
    }
    return text;
}

void saveMenuFile(Registry& registry, const std::filesystem::path& file) {
    const std::string text = menuFileText(registry);
    try {
        writeFileAtomically(file, text);
    } catch (const std::system_error& error) {
        throw Failure("Cannot create file " + file.string() + ": " + error.code().message());
    }
}

std::string readMenuFile(const std::filesystem::path& file) {
    try {
        if (auto bytes = readFileBytes(file))
            return std::move(*bytes);
        throw std::system_error(ENOENT, std::generic_category());
    } catch (const std::system_error& error) {
        throw Failure("Cannot open file " + file.string() + ": " + error.code().message());
    }
}

bool loadMenuFile(Registry& registry, std::string_view text) {
    std::vector<Line> lines;
    for (std::string_view line : splitLines(text)) {
        if (line.size() < 2)
            continue;
        const std::string_view prefix = line.substr(0, 2);
        if (prefix != "i:" && prefix != "s:")
            continue;
        std::string_view rest = line.substr(2);
        while (!rest.empty() && static_cast<unsigned char>(rest.front()) <= 32)
            rest.remove_prefix(1);
        const auto colon = rest.find(':');
        if (colon == std::string_view::npos)
            continue; // no name/value split: nothing to write
        Line parsed{prefix == "i:", std::string(rest.substr(0, colon)),
                    std::string(rest.substr(colon + 1))};
        if (parsed.integer) {
            const auto number = parseInteger(parsed.text);
            if (!number)
                throw Failure(formatMessage(messages::notAnInteger, parsed.text));
            parsed.number = *number;
        }
        lines.push_back(std::move(parsed));
    }
    if (lines.empty())
        return false;

    SettingsKey key(registry);
    for (const auto& line : lines) {
        if (line.integer)
            key.writeInteger(line.name, line.number);
        else
            key.writeString(line.name, line.text);
    }
    key.close();
    return true;
}

} // namespace quorvane
