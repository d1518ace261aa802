#include "installer/InfFile.h"

#include "platform/Failure.h"
#include "platform/FileBytes.h"
#include "store/HiveFile.h"

#include <system_error>

namespace quorvane {

namespace {

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && isBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && isBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

// A physical line after continuation, with the number of the line it began on.
struct RawLine {
    std::string text;
    std::size_t number;
};

// Where the comment of a line begins: the first ';' outside quotes, or the line's end.
std::size_t commentStart(std::string_view line) {
    bool inQuotes = false;
    for (std::size_t i = 0; i < line.size(); ++i) {
        if (line[i] == '"')
            inQuotes = !inQuotes;
        else if (line[i] == ';' && !inQuotes)
            return i;
    }
    return line.size();
}

std::vector<RawLine> logicalLines(std::string_view text) {
    std::vector<RawLine> lines;
    std::size_t number = 0;
    bool continued = false;
    while (!text.empty()) {
        ++number;
        const std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        line = trimmed(line.substr(0, commentStart(line)));

        const bool continues = !line.empty() && line.back() == '\\';
        if (continues)
            line.remove_suffix(1);
        if (continued)
            lines.back().text += line;
        else
            lines.push_back({std::string(line), number});
        continued = continues;
    }
    return lines;
}

// Splits a line into its key and fields. A field keeps blanks that were inside quotes, also at its
// ends; blanks outside quotes at either end go.
InfLine splitEntry(std::string_view text, std::size_t number, const InfFile& file) {
    InfLine line{number, std::nullopt, {}};
    std::string field;
    std::size_t kept = 0; // length of `field` that trimming must not touch
    bool inQuotes = false;
    bool sawQuotes = false;
    auto finish = [&] {
        while (field.size() > kept && isBlank(field.back()))
            field.pop_back();
        std::string done = std::move(field);
        field.clear();
        kept = 0;
        sawQuotes = false;
        return done;
    };
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '"') {
            if (inQuotes && i + 1 < text.size() && text[i + 1] == '"') {
                field += '"';
                ++i;
            } else {
                inQuotes = !inQuotes;
                sawQuotes = true;
            }
            kept = field.size();
            continue;
        }
        if (inQuotes) {
            field += c;
            kept = field.size();
            continue;
        }
        if (c == '=' && !line.key && line.fields.empty()) {
            line.key = finish();
            continue;
        }
        if (c == ',') {
            line.fields.push_back(finish());
            continue;
        }
        if (isBlank(c) && field.empty() && !sawQuotes)
            continue;
        field += c;
    }
    if (inQuotes)
        file.fail(number, "a quoted text is not closed");
    line.fields.push_back(finish());
    return line;
}

} // namespace

InfFile InfFile::parse(std::string_view text, std::string fileName) {
    InfFile inf;
    inf.m_fileName = std::move(fileName);
    InfSection* current = nullptr;
    for (const RawLine& raw : logicalLines(text)) {
        const std::string_view line = raw.text;
        if (line.empty())
            continue;
        if (line.front() == '[') {
            const std::size_t close = line.find(']');
            if (close == std::string_view::npos)
                inf.fail(raw.number, "a section name lacks its closing ']'");
            if (!trimmed(line.substr(close + 1)).empty())
                inf.fail(raw.number, "text follows the section name");
            const std::string_view name = trimmed(line.substr(1, close - 1));
            if (name.empty())
                inf.fail(raw.number, "a section has no name");
            current = nullptr;
            for (InfSection& known : inf.m_sections)
                if (equalsIgnoringCase(known.name, name))
                    current = &known;
            if (!current)
                current = &inf.m_sections.emplace_back(InfSection{std::string(name), {}});
            continue;
        }
        if (!current)
            inf.fail(raw.number, "the line lies outside every section");
        current->lines.push_back(splitEntry(line, raw.number, inf));
    }
    return inf;
}

InfFile InfFile::read(const std::filesystem::path& file) {
    std::optional<std::string> bytes;
    try {
        bytes = readFileBytes(file);
    } catch (const std::system_error& error) {
        throw Failure("Cannot read the INF file '" + file.string() +
                      "': " + error.code().message());
    }
    if (!bytes)
        throw Failure("Cannot read the INF file '" + file.string() + "': it does not exist");
    return parse(*bytes, file.string());
}

const InfSection* InfFile::section(std::string_view name) const {
    for (const InfSection& known : m_sections)
        if (equalsIgnoringCase(known.name, name))
            return &known;
    return nullptr;
}

void InfFile::fail(std::size_t line, std::string_view text) const {
    throw Failure(m_fileName + ", line " + std::to_string(line) + ": " + std::string(text));
}

} // namespace quorvane
