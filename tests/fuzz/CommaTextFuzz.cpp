// The comma-text reader on any text, and the item-list writer on any entries: what the writer
// produces must read back as the entries it kept, and it may only drop entries at the limit.

#include "FuzzSupport.h"
#include "menu/CommaText.h"

#include <algorithm>

using namespace quorvane;

namespace {

std::string joined(const std::vector<std::string>& entries) {
    std::string text;
    for (const std::string& entry : entries)
        text += "[" + fuzz::escaped(entry) + "]";
    return text;
}

// Writes `entries` with `limit` and checks what splitting the text gives back.
void checkWriter(const std::vector<std::string>& entries, std::size_t limit) {
    const std::string text = writeItemList(entries, limit);
    fuzz::require(text.size() <= limit, "the written list is longer than its limit", text);
    const std::vector<std::string> back = splitCommaText(text);

    // Only whole entries at the end may be missing; a cut leaves the comma written before the
    // first entry it dropped, which reads as one empty entry.
    const bool cut = writeItemList(entries, std::string::npos).size() > limit;
    if (!cut) {
        fuzz::require(back == entries, "a list within the limit did not read back",
                      joined(entries) + " -> " + text + " -> " + joined(back));
        return;
    }
    // A trailing empty entry is either the last entry kept or the comma of the cut.
    auto keeps = [&](std::size_t kept) {
        return kept < entries.size() &&
               std::equal(back.begin(), back.begin() + kept, entries.begin()) &&
               // The cut is as late as the limit allows: one entry more would not have fitted.
               writeItemList({entries.begin(), entries.begin() + kept + 1}, std::string::npos)
                       .size() > limit;
    };
    const bool cutComma = !back.empty() && back.back().empty() && text.ends_with(',');
    fuzz::require(keeps(back.size()) || (cutComma && keeps(back.size() - 1)),
                  "a cut list does not read back as the longest run of entries that fits",
                  joined(entries) + " -> " + text + " -> " + joined(back));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input = fuzz::bytes(data, size);

    // Any text as a stored list: whatever it splits into is written and read back the same.
    const std::vector<std::string> tokens = splitCommaText(input);
    for (const std::string& token : tokens)
        fuzz::require(token.find('\0') == std::string::npos, "a token holds a NUL", input);
    checkWriter(tokens, commaTextLimit);

    // The input as entries of its own, NULs aside (a stored text ends at its first NUL), with a
    // limit taken from its first two bytes so that cuts fall everywhere.
    if (size >= 2) {
        const std::size_t limit = 2 + (data[0] << 8 | data[1]) % commaTextLimit;
        std::string rest(input.substr(2));
        std::replace(rest.begin(), rest.end(), '\0', ' ');
        checkWriter(fuzz::fields(rest, 10000), limit);
    }
    return 0;
}
