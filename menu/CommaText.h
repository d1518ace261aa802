#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quorvane {

// Menu strings and item lists never hold more than this many characters; the reader ignores the
// rest and the writer cuts a list before it would grow longer.
inline constexpr std::size_t commaTextLimit = 4095;

// A menu file keeps each value on one line, so no caption or target may hold a line break: it
// could be stored, but never saved and loaded back.
inline bool holdsLineBreak(std::string_view text) {
    return text.find_first_of("\r\n") != std::string_view::npos;
}

// Splits a menu string or an item list into its tokens. Quoting is not kept: a quoted "12" and a
// bare 12 come out the same.
std::vector<std::string> splitCommaText(std::string_view text);

// Writes a list of strings in the form splitCommaText reads back. The first entry that would take
// the text past `limit` is left out with all after it; the comma before it stays.
std::string writeItemList(const std::vector<std::string>& entries,
                          std::size_t limit = commaTextLimit);

// Text written a few characters at a time into room made ahead. The menu string and the item
// lists are written token by token at every Apply, and an append through std::string for each
// token costs more than its characters.
class TextBuilder {
public:
    explicit TextBuilder(std::size_t room = 0);
    // Where the next characters go, with room for at least `most` of them; advance() then takes
    // in what was written.
    char* room(std::size_t most) {
        return most <= m_text.size() - m_size ? m_text.data() + m_size : grow(most);
    }
    void advance(const char* end) { m_size = static_cast<std::size_t>(end - m_text.data()); }
    std::size_t size() const { return m_size; }
    // Takes back what was written after the first `size` characters.
    void truncate(std::size_t size) { m_size = size < m_size ? size : m_size; }
    // The text; the builder starts over empty.
    std::string take();

private:
    char* grow(std::size_t most);

    std::string m_text; // the first m_size characters are the text, the rest is room
    std::size_t m_size = 0;
};

// Writes `text` between double quotes, each quote inside doubled, at `out`, which has room for
// 2 * text.size() + 2 characters; returns where it ends. The form appendQuoted writes.
char* writeQuoted(char* out, std::string_view text);

// An item list written one entry at a time and in full: the text writeItemList gives without a
// limit, built without a list of copied entries first.
class ItemListText {
public:
    void append(std::string_view entry);
    // The text so far; the list starts over empty.
    std::string take();

private:
    TextBuilder m_text;
    std::size_t m_entries = 0;
};

// Appends `text` between double quotes, each quote inside doubled, as splitCommaText reads it.
void appendQuoted(std::string& out, std::string_view text);

// Reads an integer the way stored numbers are read everywhere: optional spaces, an optional sign,
// then decimal digits or "$" and hexadecimal digits, nothing after, within the 32-bit signed range.
std::optional<std::int32_t> parseInteger(std::string_view text);
// The same without the hexadecimal form, for the numbers of menu files.
std::optional<std::int32_t> parseDecimal(std::string_view text);

// The value of a menu-string token: its integer when it is one within the 32-bit signed range,
// otherwise -3, the code of a submenu caption.
std::int32_t tokenValue(std::string_view token);

} // namespace quorvane
