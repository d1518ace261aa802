#include "platform/HiveFile.h"

#include "platform/Failure.h"

#include <algorithm>
#include <cstdio>
#include <optional>
#include <stdexcept>
#include <unordered_map>

namespace quorvane {

namespace {

constexpr std::string_view header = "REGEDIT4";
constexpr std::string_view rootName = "HKEY_CLASSES_ROOT";
constexpr std::string_view lineEnd = "\r\n";

char lowerAscii(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool startsWithIgnoringCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() &&
           equalsIgnoringCase(text.substr(0, prefix.size()), prefix);
}

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

std::string_view trimLeft(std::string_view text) {
    while (!text.empty() && isBlank(text.front()))
        text.remove_prefix(1);
    return text;
}

bool isAllBlank(std::string_view text) {
    return trimLeft(text).empty();
}

int hexDigitValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    c = lowerAscii(c);
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

bool holdsLineBreakOrNul(std::string_view text) {
    return text.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos;
}

// A path the file can hold and read back: no line breaks, no empty components.
bool isWritableKeyPath(std::string_view path) {
    if (path.empty())
        return true;
    if (holdsLineBreakOrNul(path) || path.front() == '\\' || path.back() == '\\')
        return false;
    return path.find("\\\\") == std::string_view::npos;
}

struct Line {
    std::string_view text;
    std::size_t number;
};

std::vector<Line> splitLines(std::string_view text) {
    std::vector<Line> lines;
    std::size_t number = 1;
    while (!text.empty()) {
        std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        lines.push_back({line, number++});
        if (end == std::string_view::npos)
            break;
        text.remove_prefix(end + 1);
    }
    return lines;
}

std::string lowered(std::string_view text) {
    std::string result(text);
    for (char& c : result)
        c = lowerAscii(c);
    return result;
}

class Parser {
public:
    Parser(std::string_view text, std::string_view fileName)
        : m_lines(splitLines(text)), m_fileName(fileName) {}

    std::vector<HiveKey> run();

private:
    [[noreturn]] void fail(std::size_t line, std::string_view what) const;
    void parseKeyLine(std::string_view text, std::size_t line);
    void parseValueLine(std::string_view text, std::size_t line);
    std::string parseQuoted(std::string_view& text, std::size_t line) const;
    std::string parseDword(std::string_view text, std::size_t line) const;
    std::string parseHex(std::string_view text, std::size_t& line);

    std::vector<HiveKey> m_keys;
    // Lower-cased key paths and value names, as the registry compares them, to their positions.
    std::unordered_map<std::string, std::size_t> m_keyIndex;
    std::vector<std::unordered_map<std::string, std::size_t>> m_valueIndex;
    std::vector<Line> m_lines;
    std::size_t m_index = 0;
    std::optional<std::size_t> m_currentKey;
    std::string_view m_fileName;
};

void Parser::fail(std::size_t line, std::string_view what) const {
    throw Failure("Cannot read the settings file '" + std::string(m_fileName) + "': line " +
                  std::to_string(line) + ": " + std::string(what));
}

std::vector<HiveKey> Parser::run() {
    if (m_lines.empty() || m_lines.front().text.substr(0, header.size()) != header ||
        !isAllBlank(m_lines.front().text.substr(header.size())))
        fail(1, "the file does not start with REGEDIT4");
    for (m_index = 1; m_index < m_lines.size(); ++m_index) {
        std::string_view text = trimLeft(m_lines[m_index].text);
        std::size_t line = m_lines[m_index].number;
        if (text.empty() || text.front() == ';')
            continue;
        if (text.front() == '[')
            parseKeyLine(text, line);
        else
            parseValueLine(text, line);
    }
    return std::move(m_keys);
}

void Parser::parseKeyLine(std::string_view text, std::size_t line) {
    if (text.size() > 1 && text[1] == '-')
        fail(line, "deleting keys is not supported");
    std::size_t close = text.rfind(']');
    if (close == std::string_view::npos)
        fail(line, "the key name has no closing ']'");
    if (!isAllBlank(text.substr(close + 1)))
        fail(line, "unexpected text after the key name");
    std::string_view name = text.substr(1, close - 1);
    std::string_view path;
    if (equalsIgnoringCase(name, rootName))
        path = {};
    else if (startsWithIgnoringCase(name, rootName) && name.size() > rootName.size() &&
             name[rootName.size()] == '\\')
        path = name.substr(rootName.size() + 1);
    else
        fail(line, "only keys under HKEY_CLASSES_ROOT are supported");
    if (path.empty() && name.size() > rootName.size())
        fail(line, "invalid key path");
    if (!isWritableKeyPath(path))
        fail(line, "invalid key path");

    // A key listed twice is one key: the later block adds to and overrides the earlier one.
    const auto [found, added] = m_keyIndex.try_emplace(lowered(path), m_keys.size());
    if (added) {
        m_keys.push_back({std::string(path), {}});
        m_valueIndex.emplace_back();
        m_currentKey = m_keys.size() - 1;
    } else {
        m_currentKey = found->second;
    }
}

std::string Parser::parseQuoted(std::string_view& text, std::size_t line) const {
    std::string result;
    std::size_t at = 1; // past the opening quote
    for (;;) {
        if (at >= text.size())
            fail(line, "unterminated string");
        char c = text[at++];
        if (c == '"')
            break;
        if (c == '\\') {
            if (at >= text.size())
                fail(line, "unterminated string");
            char escaped = text[at++];
            if (escaped != '\\' && escaped != '"')
                fail(line, "invalid escape sequence");
            c = escaped;
        }
        result += c;
    }
    text.remove_prefix(at);
    return result;
}

std::string Parser::parseDword(std::string_view text, std::size_t line) const {
    std::size_t digits = 0;
    std::uint32_t number = 0;
    while (digits < text.size() && hexDigitValue(text[digits]) >= 0) {
        if (digits == 8)
            fail(line, "a dword needs 1 to 8 hex digits");
        number = number << 4 | static_cast<std::uint32_t>(hexDigitValue(text[digits]));
        ++digits;
    }
    if (digits == 0)
        fail(line, "a dword needs 1 to 8 hex digits");
    if (!isAllBlank(text.substr(digits)))
        fail(line, "unexpected text after the value");
    std::string data(4, '\0');
    for (int i = 0; i < 4; ++i)
        data[i] = static_cast<char>(number >> (8 * i) & 0xff);
    return data;
}

// Reads comma-separated hex bytes; a backslash ending a line continues them on the next one.
std::string Parser::parseHex(std::string_view text, std::size_t& line) {
    auto peek = [&]() -> int {
        for (;;) {
            text = trimLeft(text);
            if (!text.empty() && text.front() == '\\' && isAllBlank(text.substr(1))) {
                if (m_index + 1 >= m_lines.size())
                    fail(line, "the hex data continues past the end of the file");
                ++m_index;
                text = m_lines[m_index].text;
                line = m_lines[m_index].number;
                continue;
            }
            return text.empty() ? -1 : static_cast<unsigned char>(text.front());
        }
    };
    std::string data;
    if (peek() < 0)
        return data;
    for (;;) {
        if (hexDigitValue(text.front()) < 0)
            fail(line, "invalid hex data");
        int byte = hexDigitValue(text.front());
        text.remove_prefix(1);
        if (!text.empty() && hexDigitValue(text.front()) >= 0) {
            byte = byte * 16 + hexDigitValue(text.front());
            text.remove_prefix(1);
        }
        data += static_cast<char>(byte);
        int next = peek();
        if (next < 0)
            return data;
        if (next != ',')
            fail(line, "invalid hex data");
        text.remove_prefix(1);
        if (peek() < 0)
            fail(line, "invalid hex data");
    }
}

void Parser::parseValueLine(std::string_view text, std::size_t line) {
    std::string name;
    if (text.front() == '@')
        text.remove_prefix(1);
    else if (text.front() == '"')
        name = parseQuoted(text, line);
    else
        fail(line, "expected a key or a value");
    // Such a name could never be written back, so every later commit would fail.
    if (holdsLineBreakOrNul(name))
        fail(line, "a value name cannot hold a line break or a NUL character");
    if (!m_currentKey)
        fail(line, "a value before the first key");
    if (text.empty() || text.front() != '=')
        fail(line, "expected '=' after the value name");
    text.remove_prefix(1);

    std::uint32_t type;
    std::string data;
    if (!text.empty() && text.front() == '"') {
        type = regtype::sz;
        data = parseQuoted(text, line);
        if (!isAllBlank(text))
            fail(line, "unexpected text after the value");
    } else if (startsWithIgnoringCase(text, "dword:")) {
        type = regtype::dword;
        data = parseDword(text.substr(6), line);
    } else if (startsWithIgnoringCase(text, "hex:")) {
        type = regtype::binary;
        data = parseHex(text.substr(4), line);
    } else if (startsWithIgnoringCase(text, "hex(")) {
        text.remove_prefix(4);
        std::uint64_t number = 0;
        std::size_t digits = 0;
        while (digits < text.size() && text[digits] >= '0' && text[digits] <= '9' &&
               number <= 0xffffffffu) {
            number = number * 10 + static_cast<std::uint64_t>(text[digits] - '0');
            ++digits;
        }
        if (digits == 0 || number > 0xffffffffu || text.substr(digits, 2) != "):")
            fail(line, "invalid value type");
        type = static_cast<std::uint32_t>(number);
        data = parseHex(text.substr(digits + 2), line);
        // Strings in hex form carry their terminating NUL, which the value itself does not.
        if ((type == regtype::sz || type == regtype::expandSz) && !data.empty() &&
            data.back() == '\0')
            data.pop_back();
    } else {
        fail(line, "unrecognised value data");
    }
    // Looked up through an index rather than Hive::setValue's search, so that a file of many
    // values reads in linear time.
    auto& values = m_keys[*m_currentKey].values;
    const auto [found, added] =
        m_valueIndex[*m_currentKey].try_emplace(lowered(name), values.size());
    if (added)
        values.push_back({std::move(name), type, std::move(data)});
    else
        values[found->second] = {values[found->second].name, type, std::move(data)};
}

void appendQuoted(std::string& out, std::string_view text) {
    out += '"';
    for (char c : text) {
        if (c == '\\' || c == '"')
            out += '\\';
        out += c;
    }
    out += '"';
}

void appendHex(std::string& out, std::uint32_t type, std::string_view data, bool addNul) {
    static constexpr char digits[] = "0123456789abcdef";
    if (type == regtype::binary)
        out += "hex:";
    else
        out += "hex(" + std::to_string(type) + "):";
    bool first = true;
    auto appendByte = [&](unsigned char byte) {
        if (!first)
            out += ',';
        first = false;
        out += digits[byte >> 4];
        out += digits[byte & 0xf];
    };
    for (char c : data)
        appendByte(static_cast<unsigned char>(c));
    if (addNul)
        appendByte(0);
}

void appendValue(std::string& out, const RegistryValue& value) {
    if (holdsLineBreakOrNul(value.name))
        throw std::invalid_argument("the value name '" + value.name + "' cannot be stored");
    if (value.name.empty())
        out += '@';
    else
        appendQuoted(out, value.name);
    out += '=';
    if (value.type == regtype::sz && !holdsLineBreakOrNul(value.data)) {
        appendQuoted(out, value.data);
    } else if (value.type == regtype::dword && value.data.size() == 4) {
        std::uint32_t number = 0;
        for (int i = 3; i >= 0; --i)
            number = number << 8 | static_cast<unsigned char>(value.data[i]);
        char text[16];
        std::snprintf(text, sizeof text, "dword:%08x", static_cast<unsigned>(number));
        out += text;
    } else {
        bool isString = value.type == regtype::sz || value.type == regtype::expandSz;
        appendHex(out, value.type, value.data, isString);
    }
    out += lineEnd;
}

} // namespace

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return lowerAscii(x) == lowerAscii(y);
           });
}

Hive Hive::parse(std::string_view text, std::string_view fileName) {
    Hive hive;
    hive.m_keys = Parser(text, fileName).run();
    return hive;
}

std::string Hive::serialize() const {
    std::string out(header);
    out += lineEnd;
    out += lineEnd;
    for (const HiveKey& key : m_keys) {
        if (!isWritableKeyPath(key.path))
            throw std::invalid_argument("the key '" + key.path + "' cannot be stored");
        out += '[';
        out += rootName;
        if (!key.path.empty()) {
            out += '\\';
            out += key.path;
        }
        out += ']';
        out += lineEnd;
        for (const RegistryValue& value : key.values)
            appendValue(out, value);
        out += lineEnd;
    }
    return out;
}

const HiveKey* Hive::findKey(std::string_view path) const {
    for (const HiveKey& key : m_keys)
        if (equalsIgnoringCase(key.path, path))
            return &key;
    return nullptr;
}

HiveKey& Hive::ensureKey(std::string_view path) {
    for (HiveKey& key : m_keys)
        if (equalsIgnoringCase(key.path, path))
            return key;
    m_keys.push_back({std::string(path), {}});
    return m_keys.back();
}

void Hive::setValue(HiveKey& key, std::string_view name, std::uint32_t type, std::string data) {
    for (RegistryValue& value : key.values) {
        if (equalsIgnoringCase(value.name, name)) {
            value.type = type;
            value.data = std::move(data);
            return;
        }
    }
    key.values.push_back({std::string(name), type, std::move(data)});
}

const RegistryValue* Hive::findValue(const HiveKey& key, std::string_view name) {
    for (const RegistryValue& value : key.values)
        if (equalsIgnoringCase(value.name, name))
            return &value;
    return nullptr;
}

bool operator==(const Hive& a, const Hive& b) {
    return std::equal(a.m_keys.begin(), a.m_keys.end(), b.m_keys.begin(), b.m_keys.end(),
                      [](const HiveKey& x, const HiveKey& y) {
                          return x.path == y.path && x.values == y.values;
                      });
}

} // namespace quorvane
