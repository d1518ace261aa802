#include "menu/CommaText.h"

#include <algorithm>
#include <array>
#include <limits>

namespace quorvane {

namespace {

bool isBlank(unsigned char c) {
    return c >= 1 && c <= 32;
}

} // namespace

std::vector<std::string> splitCommaText(std::string_view text) {
    // The stored lists were always handed over as NUL-terminated text of at most 4095 characters,
    // so a NUL ends the text just as the limit does.
    text = text.substr(0, commaTextLimit);
    if (auto nul = text.find('\0'); nul != std::string_view::npos)
        text = text.substr(0, nul);

    std::vector<std::string> tokens;
    std::size_t p = 0;
    const std::size_t end = text.size();
    auto skipBlanks = [&] {
        while (p < end && isBlank(static_cast<unsigned char>(text[p])))
            ++p;
    };

    skipBlanks();
    while (p < end) {
        std::string token;
        if (text[p] == '"') {
            ++p;
            while (p < end) {
                if (text[p] == '"') {
                    if (p + 1 < end && text[p + 1] == '"') {
                        token += '"';
                        p += 2;
                        continue;
                    }
                    ++p;
                    break;
                }
                token += text[p++];
            }
        } else {
            const std::size_t start = p;
            while (p < end && !isBlank(static_cast<unsigned char>(text[p])) && text[p] != ',')
                ++p;
            token.assign(text.substr(start, p - start));
        }
        tokens.push_back(std::move(token));

        skipBlanks();
        if (p < end && text[p] == ',') {
            ++p;
            skipBlanks();
            if (p == end)
                tokens.emplace_back();
        }
    }
    return tokens;
}

namespace {

// What makes an entry quoted: a blank, a quote or a comma.
constexpr std::array<bool, 256> quotedCharacters() {
    std::array<bool, 256> table{};
    for (int c = 1; c <= 32; ++c)
        table[static_cast<std::size_t>(c)] = true;
    table['"'] = true;
    table[','] = true;
    return table;
}

constexpr std::array<bool, 256> quotedCharacter = quotedCharacters();

bool needsQuotes(std::string_view entry) {
    for (unsigned char c : entry)
        if (quotedCharacter[c])
            return true;
    return false;
}

// Measured before it is written, so that an entry costs no copy of its own.
std::size_t writtenSize(std::string_view entry, bool quoted) {
    if (!quoted)
        return entry.size();
    std::size_t size = entry.size() + 2;
    for (char c : entry)
        size += c == '"' ? 1 : 0;
    return size;
}

} // namespace

// Whole runs between quotes at a time: the menu string and the item lists are written for every
// Apply and after every edit, for the comparison with what is stored.
void appendQuoted(std::string& out, std::string_view text) {
    out += '"';
    for (std::size_t quote; (quote = text.find('"')) != std::string_view::npos;
         text.remove_prefix(quote + 1)) {
        out.append(text.data(), quote + 1);
        out += '"';
    }
    out += text;
    out += '"';
}

std::string writeItemList(const std::vector<std::string>& entries, std::size_t limit) {
    if (entries.size() == 1 && entries.front().empty())
        return "\"\"";
    std::string text;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const bool quoted = needsQuotes(entries[i]);
        const std::size_t size = writtenSize(entries[i], quoted);
        const std::size_t separator = i > 0 ? 1 : 0;
        if (text.size() + separator + size > limit) {
            if (separator != 0 && text.size() < limit)
                text += ',';
            break;
        }
        if (separator != 0)
            text += ',';
        if (quoted)
            appendQuoted(text, entries[i]);
        else
            text += entries[i];
    }
    return text;
}

TextBuilder::TextBuilder(std::size_t room) : m_text(room, '\0') {}

char* TextBuilder::grow(std::size_t most) {
    // A list of items takes a few hundred characters, a full one 4095.
    m_text.resize(std::max({m_size + most, 2 * m_text.size(), std::size_t{1024}}));
    return m_text.data() + m_size;
}

std::string TextBuilder::take() {
    m_text.resize(m_size);
    std::string text = std::move(m_text);
    m_text = std::string();
    m_size = 0;
    return text;
}

char* writeQuoted(char* out, std::string_view text) {
    *out++ = '"';
    for (const char c : text) {
        // Written twice, and kept twice only when it is a quote: no branch per character.
        out[0] = c;
        out[1] = c;
        out += c == '"' ? 2 : 1;
    }
    *out++ = '"';
    return out;
}

void ItemListText::append(std::string_view entry) {
    char* out = m_text.room(2 * entry.size() + 3); // a comma, the quotes, every quote doubled
    if (m_entries++ > 0)
        *out++ = ',';
    if (needsQuotes(entry))
        out = writeQuoted(out, entry);
    else
        out = std::copy(entry.begin(), entry.end(), out);
    m_text.advance(out);
}

std::string ItemListText::take() {
    std::string text = m_text.take();
    // A list of one empty entry would read back as no entry at all.
    if (m_entries == 1 && text.empty())
        text = "\"\"";
    m_entries = 0;
    return text;
}

namespace {

std::optional<std::int32_t> parseNumber(std::string_view token, bool allowHex) {
    constexpr std::nullopt_t notAnInteger = std::nullopt;
    std::size_t p = 0;
    while (p < token.size() && token[p] == ' ')
        ++p;
    bool negative = false;
    if (p < token.size() && (token[p] == '+' || token[p] == '-')) {
        negative = token[p] == '-';
        ++p;
    }
    int base = 10;
    if (allowHex && p < token.size() && token[p] == '$') {
        base = 16;
        ++p;
    }
    if (p == token.size())
        return notAnInteger;

    // Accumulate the magnitude in 64 bits and stop as soon as it leaves the 32-bit range, so that
    // any number of digits is safe.
    const std::int64_t limit = negative ? -std::int64_t{std::numeric_limits<std::int32_t>::min()}
                                        : std::int64_t{std::numeric_limits<std::int32_t>::max()};
    std::int64_t magnitude = 0;
    for (; p < token.size(); ++p) {
        const char c = token[p];
        int digit;
        if (c >= '0' && c <= '9')
            digit = c - '0';
        else if (base == 16 && c >= 'a' && c <= 'f')
            digit = c - 'a' + 10;
        else if (base == 16 && c >= 'A' && c <= 'F')
            digit = c - 'A' + 10;
        else
            return notAnInteger;
        magnitude = magnitude * base + digit;
        if (magnitude > limit)
            return notAnInteger;
    }
    return static_cast<std::int32_t>(negative ? -magnitude : magnitude);
}

} // namespace

std::optional<std::int32_t> parseInteger(std::string_view token) {
    return parseNumber(token, true);
}

std::optional<std::int32_t> parseDecimal(std::string_view text) {
    return parseNumber(text, false);
}

std::int32_t tokenValue(std::string_view token) {
    return parseInteger(token).value_or(-3);
}

} // namespace quorvane
