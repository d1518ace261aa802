#include "store/HiveFile.h"

#include "platform/Failure.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <iterator>
#include <optional>
#include <stdexcept>

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
    return std::any_of(text.begin(), text.end(),
                       [](char c) { return c == '\r' || c == '\n' || c == '\0'; });
}

// A path the file can hold and read back: no line breaks, no empty components.
bool isWritableKeyPath(std::string_view path) {
    if (path.empty())
        return true;
    if (holdsLineBreakOrNul(path) || path.front() == '\\' || path.back() == '\\')
        return false;
    return path.find("\\\\") == std::string_view::npos;
}

// Hands out the lines of a text one at a time, so that a file of any size is refused at its first
// bad line without first being cut into all of its lines.
class LineCursor {
public:
    explicit LineCursor(std::string_view text) : m_rest(text) {}

    // The next line without its line end; false past the last one. A line end at the very end
    // of the text does not start another line.
    bool next(std::string_view& line) {
        if (m_rest.empty())
            return false;
        const std::size_t end = m_rest.find('\n');
        line = m_rest.substr(0, end);
        m_rest = end == std::string_view::npos ? std::string_view() : m_rest.substr(end + 1);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        ++m_number;
        return true;
    }
    std::size_t number() const { return m_number; }

private:
    std::string_view m_rest;
    std::size_t m_number = 0;
};

class Parser {
public:
    Parser(std::string_view text, std::string_view fileName)
        : m_lines(text), m_fileName(fileName) {}

    Hive run();
    std::vector<std::string> takeTopComments() { return std::move(m_topComments); }

private:
    [[noreturn]] void fail(std::size_t line, std::string_view what) const;
    // Comments waiting for the line they stand before.
    void keepPendingComments(std::size_t before);
    void parseKeyLine(std::string_view text, std::size_t line);
    void parseValueLine(std::string_view text, std::size_t line);
    std::string parseQuoted(std::string_view& text, std::size_t line);
    std::string parseDword(std::string_view text, std::size_t line) const;
    std::string parseHex(std::string_view text, std::size_t& line);

    Hive m_hive;
    LineCursor m_lines;
    HiveKey* m_currentKey = nullptr;
    std::string_view m_fileName;
    std::string m_unquoted;
    std::vector<std::string> m_pendingComments;
    std::vector<std::string> m_topComments;
};

void Parser::fail(std::size_t line, std::string_view what) const {
    throw Failure("Cannot read the settings file '" + std::string(m_fileName) + "': line " +
                  std::to_string(line) + ": " + std::string(what));
}

Hive Parser::run() {
    std::string_view text;
    // With CR alone ending its lines, the whole file reads as its first line.
    if (m_lines.next(text) && text.find('\r') != std::string_view::npos)
        fail(1, "the lines end in CR alone; the file needs CR LF or LF line ends");
    if (text.substr(0, header.size()) != header || !isAllBlank(text.substr(header.size())))
        fail(1, "the file does not start with REGEDIT4");
    while (m_lines.next(text)) {
        const std::string_view trimmed = trimLeft(text);
        if (trimmed.empty())
            continue;
        if (trimmed.front() == ';')
            m_pendingComments.emplace_back(text);
        else if (trimmed.front() == '[')
            parseKeyLine(trimmed, m_lines.number());
        else
            parseValueLine(trimmed, m_lines.number());
    }
    keepPendingComments(HiveKey::endOfSection);
    return std::move(m_hive);
}

void Parser::keepPendingComments(std::size_t before) {
    if (m_pendingComments.empty())
        return;
    if (m_currentKey) {
        m_currentKey->addComments(before, m_pendingComments);
    } else {
        m_topComments.insert(m_topComments.end(), m_pendingComments.begin(),
                             m_pendingComments.end());
        m_pendingComments.clear();
    }
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

    keepPendingComments(HiveKey::endOfSection);
    // A key listed twice is one key: the later block adds to and overrides the earlier one.
    m_currentKey = &m_hive.ensureKey(path);
}

std::string Parser::parseQuoted(std::string_view& text, std::size_t line) {
    // A stored menu quotes every token, so its value is mostly escapes: the characters go one by
    // one into a buffer kept from line to line rather than as an append per run between escapes.
    if (m_unquoted.size() < text.size())
        m_unquoted.resize(text.size());
    const char* in = text.data() + 1; // past the opening quote
    const char* const end = text.data() + text.size();
    char* out = m_unquoted.data();
    for (;;) {
        if (in == end)
            fail(line, "unterminated string");
        char c = *in++;
        if (c == '"')
            break;
        if (c == '\\') {
            if (in == end)
                fail(line, "unterminated string");
            c = *in++;
            if (c != '\\' && c != '"')
                fail(line, "invalid escape sequence");
        }
        *out++ = c;
    }
    text.remove_prefix(static_cast<std::size_t>(in - text.data()));
    return std::string(m_unquoted.data(), out);
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
    return dwordData(number);
}

// Reads comma-separated hex bytes; a backslash ending a line continues them on the next one.
std::string Parser::parseHex(std::string_view text, std::size_t& line) {
    auto peek = [&]() -> int {
        for (;;) {
            text = trimLeft(text);
            if (!text.empty() && text.front() == '\\' && isAllBlank(text.substr(1))) {
                if (!m_lines.next(text))
                    fail(line, "the hex data continues past the end of the file");
                line = m_lines.number();
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
    if (!canStoreValueName(name))
        fail(line, unstorableValueName);
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
    const std::size_t at = m_currentKey->values().size();
    m_currentKey->setValue(name, type, std::move(data));
    // A value listed again keeps its first place, so its comments wait for the next new line.
    if (m_currentKey->values().size() > at)
        keepPendingComments(at);
}

// How a character goes into a quoted string: as it is, escaped, or not at all (a line break or
// NUL, which only the hex form can hold).
enum class Quoting : unsigned char { Plain, Escaped, Impossible };

constexpr std::array<Quoting, 256> quotingTable() {
    std::array<Quoting, 256> table{};
    table[static_cast<unsigned char>('"')] = Quoting::Escaped;
    table[static_cast<unsigned char>('\\')] = Quoting::Escaped;
    table[static_cast<unsigned char>('\r')] = Quoting::Impossible;
    table[static_cast<unsigned char>('\n')] = Quoting::Impossible;
    table[0] = Quoting::Impossible;
    return table;
}

constexpr std::array<Quoting, 256> quoting = quotingTable();

// Quotes `text` onto `out`, or leaves `out` as it was and returns false when the text holds a
// character a quoted string cannot carry. Written into room made up front: a stored menu has an
// escape every few characters, and an append each would cost more than the text.
bool appendQuoted(std::string& out, std::string_view text) {
    const std::size_t start = out.size();
    out.resize(start + 2 * text.size() + 2);
    char* to = out.data() + start;
    *to++ = '"';
    for (const char c : text) {
        if (const Quoting how = quoting[static_cast<unsigned char>(c)]; how != Quoting::Plain) {
            if (how == Quoting::Impossible) {
                out.resize(start);
                return false;
            }
            *to++ = '\\';
        }
        *to++ = c;
    }
    *to++ = '"';
    out.resize(static_cast<std::size_t>(to - out.data()));
    return true;
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

// What a quoted string cannot hold: a dword, or the bytes in hex.
void appendUnquotedData(std::string& out, const RegistryValue& value) {
    if (const auto number = value.type == regtype::dword ? dwordNumber(value.data) : std::nullopt) {
        char text[16];
        std::snprintf(text, sizeof text, "dword:%08x", static_cast<unsigned>(*number));
        out += text;
        return;
    }
    const bool isString = value.type == regtype::sz || value.type == regtype::expandSz;
    appendHex(out, value.type, value.data, isString);
}

void appendValue(std::string& out, const RegistryValue& value) {
    if (value.name.empty())
        out += '@';
    else if (!appendQuoted(out, value.name))
        throw UnstorableName(std::string(unstorableValueName));
    out += '=';
    if (value.type != regtype::sz || !appendQuoted(out, value.data))
        appendUnquotedData(out, value);
    out += lineEnd;
}

} // namespace

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return lowerAscii(x) == lowerAscii(y);
           });
}

namespace {

std::uint32_t hashIgnoringCase(std::string_view text) {
    // FNV-1a over the lower-cased bytes, then mixed so that names differing only in their last
    // characters, as numbered names do, spread over the low bits that pick a slot.
    std::uint32_t hash = 2166136261u;
    for (char c : text) {
        hash ^= static_cast<unsigned char>(lowerAscii(c));
        hash *= 16777619u;
    }
    hash ^= hash >> 16;
    hash *= 0x85ebca6bu;
    hash ^= hash >> 13;
    hash *= 0xc2b2ae35u;
    hash ^= hash >> 16;
    return hash;
}

} // namespace

NameIndex::Name::Name(std::string_view name) : text(name), hash(hashIgnoringCase(name)) {}

template <typename NameAt> std::size_t NameIndex::find(Name name, NameAt nameAt) const {
    if (m_slots.empty())
        return npos;
    const std::size_t mask = m_slots.size() - 1;
    for (std::size_t i = name.hash & mask;; i = (i + 1) & mask) {
        const Slot& slot = m_slots[i];
        if (slot.position == empty)
            return npos;
        if (slot.hash == name.hash && equalsIgnoringCase(nameAt(slot.position), name.text))
            return slot.position;
    }
}

std::size_t NameIndex::find(Name name, const std::vector<RegistryValue>& values) const {
    return find(name, [&](std::size_t at) -> std::string_view { return values[at].name; });
}

std::size_t NameIndex::find(Name name, const std::vector<HiveKey>& keys) const {
    return find(name, [&](std::size_t at) -> std::string_view { return keys[at].path(); });
}

void NameIndex::add(Name name, std::size_t position) {
    if (position >= empty)
        throw std::length_error("too many names for one index");
    // At most half full, so that a probe ends soon.
    if (2 * (m_count + 1) > m_slots.size())
        grow();
    const std::uint32_t hash = name.hash;
    const std::size_t mask = m_slots.size() - 1;
    std::size_t i = hash & mask;
    while (m_slots[i].position != empty)
        i = (i + 1) & mask;
    m_slots[i] = {hash, static_cast<std::uint32_t>(position)};
    ++m_count;
}

void NameIndex::grow() {
    std::vector<Slot> old(std::max<std::size_t>(16, 2 * m_slots.size()));
    old.swap(m_slots);
    const std::size_t mask = m_slots.size() - 1;
    for (const Slot& slot : old) {
        if (slot.position == empty)
            continue;
        std::size_t i = slot.hash & mask;
        while (m_slots[i].position != empty)
            i = (i + 1) & mask;
        m_slots[i] = slot;
    }
}

void NameIndex::clear() {
    m_slots.clear();
    m_count = 0;
}

bool canStoreValueName(std::string_view name) {
    return !holdsLineBreakOrNul(name);
}

HiveKey::HiveKey(std::string path, const std::vector<RegistryValue>& values)
    : m_path(std::move(path)) {
    m_values.reserve(values.size());
    for (const RegistryValue& value : values)
        setValue(value.name, value.type, value.data);
}

const RegistryValue* HiveKey::findValue(std::string_view name) const {
    const std::size_t at = m_index.find(NameIndex::Name(name), m_values);
    return at == NameIndex::npos ? nullptr : &m_values[at];
}

template <typename Data> void HiveKey::set(std::string_view name, std::uint32_t type, Data&& data) {
    const NameIndex::Name indexed(name);
    if (const std::size_t at = m_index.find(indexed, m_values); at != NameIndex::npos) {
        RegistryValue& value = m_values[at];
        if (value.type == type && value.data == data)
            return;
        value.type = type;
        value.data = std::forward<Data>(data);
        m_lines[at] = {};
        return;
    }
    m_values.push_back({std::string(name), type, std::string(std::forward<Data>(data))});
    try {
        m_lines.emplace_back();
        m_index.add(indexed, m_values.size() - 1);
    } catch (...) {
        m_values.pop_back();
        m_lines.resize(m_values.size());
        throw;
    }
}

void HiveKey::setValue(std::string_view name, std::uint32_t type, std::string data) {
    set(name, type, std::move(data));
}

void HiveKey::setValue(const RegistryValue& value) {
    set(value.name, value.type, value.data);
}

void HiveKey::setValues(HiveKey&& writes) {
    for (RegistryValue& value : writes.m_values)
        set(value.name, value.type, std::move(value.data));
    writes.clearValues();
}

void HiveKey::clearValues() {
    m_values.clear();
    m_lines.clear();
    m_index.clear();
    for (Comment& comment : m_comments)
        comment.before = endOfSection;
}

void HiveKey::addComments(std::size_t before, std::vector<std::string>& lines) {
    auto at =
        std::upper_bound(m_comments.begin(), m_comments.end(), before,
                         [](std::size_t place, const Comment& c) { return place < c.before; });
    for (std::string& line : lines)
        at = std::next(m_comments.insert(at, Comment{before, std::move(line)}));
    lines.clear();
}

Hive Hive::parse(std::string_view text, std::string_view fileName) {
    if (text.ends_with('\x1a'))
        text.remove_suffix(1);
    Parser parser(text, fileName);
    Hive hive = parser.run();
    hive.m_topComments = parser.takeTopComments();
    return hive;
}

namespace {

void appendKeyLine(std::string& out, const HiveKey& key) {
    if (!isWritableKeyPath(key.path()))
        throw UnstorableName("the key '" + key.path() + "' cannot be stored");
    out += '[';
    out += rootName;
    if (!key.path().empty()) {
        out += '\\';
        out += key.path();
    }
    out += ']';
    out += lineEnd;
}

// Writes the comments of `comments` that stand before the value at `before`, from `next` on.
void appendComments(std::string& out, const std::vector<HiveKey::Comment>& comments,
                    std::size_t& next, std::size_t before) {
    for (; next < comments.size() && comments[next].before == before; ++next) {
        out += comments[next].line;
        out += lineEnd;
    }
}

} // namespace

std::string Hive::startText(std::size_t room) const {
    std::string out;
    out.reserve(room);
    out += header;
    out += lineEnd;
    out += lineEnd;
    if (!m_topComments.empty()) {
        for (const std::string& comment : m_topComments)
            out.append(comment).append(lineEnd);
        out += lineEnd;
    }
    return out;
}

std::string Hive::serialize() const {
    std::string out = startText(0);
    for (const HiveKey& key : m_keys) {
        appendKeyLine(out, key);
        std::size_t comment = 0;
        for (std::size_t i = 0; i < key.values().size(); ++i) {
            appendComments(out, key.m_comments, comment, i);
            appendValue(out, key.values()[i]);
        }
        appendComments(out, key.m_comments, comment, HiveKey::endOfSection);
        out += lineEnd;
    }
    return out;
}

std::string Hive::reserialize(std::string_view previous) {
    // Room made up front for the copied lines and for the lines written anew (quoting doubles
    // a text at most, the hex form triples it), so that the text is not moved while it grows.
    // The comments were in `previous` too, where there was one.
    std::size_t room = previous.size();
    for (const HiveKey& key : m_keys)
        for (std::size_t i = 0; i < key.m_values.size(); ++i)
            if (key.m_lines[i].size == 0)
                room += 2 * key.m_values[i].name.size() + 3 * key.m_values[i].data.size() + 32;
    std::string out = startText(room);
    try {
        for (HiveKey& key : m_keys) {
            appendKeyLine(out, key);
            std::size_t comment = 0;
            for (std::size_t i = 0; i < key.m_values.size(); ++i) {
                appendComments(out, key.m_comments, comment, i);
                HiveKey::Line& line = key.m_lines[i];
                const std::size_t at = out.size();
                if (line.size > 0 && line.at + line.size <= previous.size())
                    out.append(previous.substr(line.at, line.size));
                else
                    appendValue(out, key.m_values[i]);
                line = {at, out.size() - at};
            }
            appendComments(out, key.m_comments, comment, HiveKey::endOfSection);
            out += lineEnd;
        }
    } catch (...) {
        // Some lines now point into a text that is not coming back.
        for (HiveKey& key : m_keys)
            std::fill(key.m_lines.begin(), key.m_lines.end(), HiveKey::Line{});
        throw;
    }
    return out;
}

const HiveKey* Hive::findKey(std::string_view path) const {
    const std::size_t at = m_index.find(NameIndex::Name(path), m_keys);
    return at == NameIndex::npos ? nullptr : &m_keys[at];
}

HiveKey& Hive::ensureKey(std::string_view path) {
    const NameIndex::Name indexed(path);
    if (const std::size_t at = m_index.find(indexed, m_keys); at != NameIndex::npos)
        return m_keys[at];
    m_keys.emplace_back(std::string(path));
    try {
        m_index.add(indexed, m_keys.size() - 1);
    } catch (...) {
        m_keys.pop_back();
        throw;
    }
    return m_keys.back();
}

std::optional<HiveKey> Hive::takeKey(std::string_view path) && {
    const std::size_t at = m_index.find(NameIndex::Name(path), m_keys);
    if (at == NameIndex::npos)
        return std::nullopt;
    return std::move(m_keys[at]);
}

} // namespace quorvane
