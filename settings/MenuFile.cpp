#include "settings/MenuFile.h"

#include "menu/Catalog.h"
#include "menu/CommaText.h"
#include "platform/AtomicFile.h"
#include "platform/Codepage.h"
#include "platform/Failure.h"
#include "platform/FileBytes.h"
#include "settings/Apply.h"
#include "settings/FirstRun.h"
#include "settings/KeyPath.h"
#include "settings/MenuLoad.h"
#include "settings/Messages.h"
#include "settings/Schema.h"
#include "settings/SettingsKey.h"
#include "store/HiveFile.h"
#include "store/MemoryRegistry.h"

#include <algorithm>
#include <cerrno>
#include <system_error>
#include <vector>

namespace quorvane {

namespace {

bool isExcluded(std::string_view name) {
    return name.empty() || name == value::itemsAvailable || name == value::installMark ||
           name == value::displayRef;
}

// Why a stored value cannot go into a menu file, or nothing when it can.
std::optional<std::string> unsavable(std::string_view name, std::optional<std::string_view> text) {
    std::string_view problem;
    if (name.find(':') != std::string_view::npos)
        problem = "its name holds a colon, which would end the name there";
    else if (holdsLineBreak(name))
        problem = "its name holds a line break, and a menu file keeps each value on one line";
    else if (text && holdsLineBreak(*text))
        problem = "its text holds a line break, and a menu file keeps each value on one line";
    else
        return std::nullopt;
    std::string shown;
    for (const char c : name)
        shown += c == '\r' ? "\\r" : c == '\n' ? "\\n" : std::string(1, c);
    return "The value '" + shown + "' cannot be saved in a menu file: " + std::string(problem) +
           ". Nothing was saved.";
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

// How the program reads a value: as an integer, as text, or not at all (any type is kept then).
enum class ReadAs { Integer, Text, Anything };

ReadAs readAs(std::string_view name) {
    const auto named = [name](std::string_view known) { return equalsIgnoringCase(known, name); };
    if (std::any_of(value::integerValues.begin(), value::integerValues.end(), named))
        return ReadAs::Integer;
    if (std::any_of(value::textValues.begin(), value::textValues.end(), named) ||
        std::any_of(value::itemLists.begin(), value::itemLists.end(), named) ||
        named(toggleCrLfValueName) ||
        std::any_of(operations().begin(), operations().end(),
                    [&named](const Operation& op) { return named(op.valueName); }))
        return ReadAs::Text;
    return ReadAs::Anything;
}

// Which value and line a refusal concerns.
std::string where(std::string_view name, std::size_t number) {
    return "'" + std::string(name.substr(0, name.find('\0'))) + "' on line " +
           std::to_string(number);
}

// A value the program could not read back as the file gives it: of the other type, or a menu
// string or item list longer than the reader keeps (Apply never writes one).
void checkValue(const Line& line, std::size_t number) {
    const ReadAs expected = readAs(line.name);
    if (expected == ReadAs::Integer && !line.integer)
        throw Failure(formatMessage(messages::invalidDataType, line.name) + " on line " +
                      std::to_string(number) +
                      ": the program reads it as a number, so its line must begin with \"i:\"");
    if (expected == ReadAs::Text && line.integer)
        throw Failure(formatMessage(messages::invalidDataType, line.name) + " on line " +
                      std::to_string(number) +
                      ": the program reads it as text, so its line must begin with \"s:\"");
    // ItemsAvailable is a number held as text, read as stored numbers are.
    if (!line.integer && equalsIgnoringCase(line.name, value::itemsAvailable) &&
        !parseInteger(line.text))
        throw Failure(formatMessage(messages::notAnInteger, line.text) + " for " +
                      where(line.name, number));
    if (line.integer || line.text.size() <= commaTextLimit)
        return;
    if (equalsIgnoringCase(line.name, value::theMenu))
        throw Failure(menuTooLarge(where(line.name, number), line.text.size()));
    for (std::size_t i = 0; i < value::itemLists.size(); ++i)
        if (equalsIgnoringCase(line.name, value::itemLists[i]))
            throw Failure(itemListTooLong(i, where(line.name, number), line.text.size()));
}

// A text of a UTF-8 file in the bytes the settings hold.
std::string fromUtf8(std::string_view text, std::string_view name, std::size_t number) {
    try {
        return utf8ToAnsi(text);
    } catch (const Failure& failure) {
        throw Failure(where(name, number) + ": " + failure.what());
    }
}

// `utf8`: the file said it is UTF-8, so names and texts are converted as they are read.
std::vector<Line> parseLines(std::string_view text, bool utf8) {
    std::vector<Line> lines;
    LineReader reader(text);
    std::size_t number = 0;
    for (std::string_view line; reader.next(line);) {
        ++number;
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
        if (utf8) {
            parsed.name = fromUtf8(parsed.name, parsed.name, number);
            parsed.text = fromUtf8(parsed.text, parsed.name, number);
        }
        checkValue(parsed, number);
        if (parsed.integer) {
            // Menu files hold numbers in decimal only; "$10" is text, not sixteen.
            const auto value = parseDecimal(parsed.text);
            if (!value)
                throw Failure(formatMessage(messages::notAnInteger, parsed.text) + " for " +
                              where(parsed.name, number));
            parsed.number = *value;
        }
        lines.push_back(std::move(parsed));
    }
    return lines;
}

constexpr std::string_view utf8Mark = "\xEF\xBB\xBF";

// Text in UTF-16: with its byte-order mark, or without it as text of mostly ASCII characters,
// each with a NUL beside it.
bool isUtf16(std::string_view text) {
    if (text.starts_with("\xFF\xFE") || text.starts_with("\xFE\xFF"))
        return true;
    const std::size_t pairs = std::min<std::size_t>(text.size(), 512) / 2;
    if (pairs < 2)
        return false;
    std::size_t nulFirst = 0;
    std::size_t nulSecond = 0;
    for (std::size_t i = 0; i < pairs; ++i) {
        nulFirst += text[2 * i] == '\0' ? 1 : 0;
        nulSecond += text[2 * i + 1] == '\0' ? 1 : 0;
    }
    const auto most = [pairs](std::size_t n) { return 4 * n >= 3 * pairs; };
    const auto few = [pairs](std::size_t n) { return 4 * n < pairs; };
    return (most(nulSecond) && few(nulFirst)) || (most(nulFirst) && few(nulSecond));
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
    AvailableEntries source;
    try {
        loadMenu(copy, pool, tree, source, LoadMode::Stored, {},
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
        if (isExcluded(name))
            continue;
        // Expandable strings and other types are left out; so is an integer that cannot be read
        // (not four bytes long), like any value the registry cannot report.
        if (key.isPlainString(name)) {
            const std::string value = key.readString(name);
            if (auto problem = unsavable(name, value))
                throw Failure(*problem);
            text.append("s:").append(name).append(":").append(value).append("\r\n");
        } else if (const auto number = key.integerIfReadable(name)) {
            if (auto problem = unsavable(name, std::nullopt))
                throw Failure(*problem);
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
    if (isUtf16(text))
        throw Failure("The menu file is UTF-16 text, which the program does not read: a menu file "
                      "is single-byte text (Windows-1252). Save it in that encoding and load it "
                      "again.");
    // A file that says it is UTF-8 is read as such: its mark hides no line, and its characters
    // are stored as the settings hold them, or refused where they cannot be.
    const bool utf8 = text.starts_with(utf8Mark);
    if (utf8)
        text.remove_prefix(utf8Mark.size());
    const std::vector<Line> lines = parseLines(text, utf8);
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
