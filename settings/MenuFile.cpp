#include "settings/MenuFile.h"

#include "menu/CommaText.h"
#include "platform/AtomicFile.h"
#include "platform/Failure.h"
#include "platform/FileBytes.h"
#include "platform/MemoryRegistry.h"
#include "settings/FirstRun.h"
#include "settings/KeyPath.h"
#include "settings/MenuLoad.h"
#include "settings/Messages.h"
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

// Hands out the lines of a text one at a time (CR LF, LF or a lone CR end a line), so that a huge
// file is looked at line by line instead of being split up front.
class LineReader {
public:
    explicit LineReader(std::string_view text) : m_rest(text) {}

    bool next(std::string_view& line) {
        if (m_rest.empty())
            return false;
        const std::size_t end = m_rest.find_first_of("\r\n");
        if (end == std::string_view::npos) {
            line = m_rest;
            m_rest = {};
            return true;
        }
        line = m_rest.substr(0, end);
        const bool crlf = m_rest[end] == '\r' && end + 1 < m_rest.size() && m_rest[end + 1] == '\n';
        m_rest.remove_prefix(end + (crlf ? 2 : 1));
        return true;
    }

private:
    std::string_view m_rest;
};

std::vector<Line> parseLines(std::string_view text) {
    std::vector<Line> lines;
    LineReader reader(text);
    for (std::string_view line; reader.next(line);) {
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
            // Menu files hold numbers in decimal only; "$10" is text, not sixteen.
            const auto number = parseDecimal(parsed.text);
            if (!number)
                throw Failure(formatMessage(messages::notAnInteger, parsed.text));
            parsed.number = *number;
        }
        lines.push_back(std::move(parsed));
    }
    return lines;
}

class SilentMessages : public Messages {
public:
    void message(std::string_view) override {}
    void installedNotice() override {}
};

// Runs the load that follows a menu file on a copy of the key as the file leaves it, first-run
// set-up included (without its installer), so that a file which would leave settings that no
// longer load is refused before it is stored.
void checkThatItLoads(const RegistryKey& key) {
    MemoryRegistry copy;
    {
        auto copied = copy.openKey(settingsKeyPath());
        for (const std::string& name : key.valueNames())
            if (auto value = key.value(name))
                copied->setValue(value->name, value->type, std::move(value->data));
        copied->commit();
    }
    SilentMessages silent;
    const Installer noInstaller{
        PlatformFamily::Other, {}, '/', [](std::string_view, int) { return 0; }};
    RecordPool pool;
    MenuTree tree(pool.rootRecord());
    TreeSource source;
    try {
        Load(copy, pool, tree, source, LoadMode::Stored, {},
             [&](Registry& registry) { runFirstRunSetup(registry, noInstaller, silent); });
    } catch (const Failure& failure) {
        throw Failure(std::string(failure.what()) +
                      "\nThe menu file was not loaded: the settings it would leave cannot be "
                      "read back. Nothing was written.");
    }
}

bool sameFile(const std::filesystem::path& a, const std::filesystem::path& b) {
    std::error_code error;
    return std::filesystem::equivalent(a, b, error);
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
        // Expandable strings and other types are left out; so is an integer that cannot be read
        // (not four bytes long), like any value the registry cannot report.
        if (key.isPlainString(name)) {
            const std::string value = key.readString(name);
            if (fitsOnALine(value))
                text.append("s:").append(name).append(":").append(value).append("\r\n");
        } else if (const auto number = key.integerIfReadable(name)) {
            text.append("i:")
                .append(name)
                .append(":")
                .append(std::to_string(*number))
                .append("\r\n");
        }
    }
    return text;
}

void saveMenuFile(Registry& registry, const std::filesystem::path& file) {
    if (const auto store = registry.storeFile(); store && sameFile(file, *store))
        throw Failure("Cannot create file " + file.string() +
                      ": it is the file that holds the settings themselves. Choose another name.");
    const std::string text = menuFileText(registry);
    try {
        // The user picked a folder that exists; one that has gone meanwhile is an error to
        // report, not a folder to make up.
        writeFileAtomically(file, text, MissingFolder::Fail);
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
    const std::vector<Line> lines = parseLines(text);
    if (lines.empty())
        return false;

    registry.update(settingsKeyPath(), [&lines](RegistryKey& raw) {
        SettingsKey key(raw);
        for (const auto& line : lines) {
            if (line.integer)
                key.writeInteger(line.name, line.number);
            else
                key.writeString(line.name, line.text);
        }
        checkThatItLoads(raw);
    });
    return true;
}

} // namespace quorvane
