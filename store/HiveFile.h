#pragma once

#include "platform/Failure.h"
#include "store/Registry.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quorvane {

bool equalsIgnoringCase(std::string_view a, std::string_view b);

class HiveKey;

// Where each name of a list is, found ignoring ASCII case, as the registry compares key paths and
// value names; it lets a key or a file of many entries be read and written in linear time rather
// than searched once per entry. The names stay in the list: the index holds only hashes and
// positions, so copying it is copying one block.
class NameIndex {
public:
    static constexpr std::size_t npos = static_cast<std::size_t>(-1);

    // A name with its hash, so that a look-up and the add after it hash the name once.
    struct Name {
        explicit Name(std::string_view name);
        std::string_view text;
        std::uint32_t hash;
    };

    // The position of `name` in the list this index describes, or npos.
    std::size_t find(Name name, const std::vector<RegistryValue>& values) const;
    std::size_t find(Name name, const std::vector<HiveKey>& keys) const;
    // Records that `name`, not in the index yet, is at `position`.
    void add(Name name, std::size_t position);
    void clear();

private:
    struct Slot {
        std::uint32_t hash = 0;
        std::uint32_t position = empty;
    };
    static constexpr std::uint32_t empty = 0xffffffffu;

    template <typename NameAt> std::size_t find(Name name, NameAt nameAt) const;
    void grow();

    std::vector<Slot> m_slots;
    std::size_t m_count = 0;
};

// One key of a REGEDIT4 file: its path without the "HKEY_CLASSES_ROOT\" prefix and its values in
// enumeration order. Value names keep the case they were created with.
//
// The file is one users may edit by hand, so the comment lines (";") of a key's section are kept
// too: each before the value line it stood before, and those after the section's last value at
// the section's end, after any value added later. A line that the next write drops (a value or a
// key listed a second time, taken into its first entry) hands its comments down to the next
// value of the section that stays, or to the section's end.
class HiveKey {
public:
    // A comment line as it was written, kept before the value at `before`.
    struct Comment {
        std::size_t before;
        std::string line;
    };
    static constexpr std::size_t endOfSection = static_cast<std::size_t>(-1);

    HiveKey() = default;
    // Later values of `values` replace earlier ones of the same name, in the earlier one's place.
    HiveKey(std::string path, const std::vector<RegistryValue>& values = {});

    const std::string& path() const { return m_path; }
    const std::vector<RegistryValue>& values() const { return m_values; }
    const RegistryValue* findValue(std::string_view name) const;
    // Sets a value, keeping its place and the case of its name when it exists (even when the type
    // changes) and appending it otherwise. Setting what is there already changes nothing.
    void setValue(std::string_view name, std::uint32_t type, std::string data);
    // The same for a value given whole, whose data is copied only when it changes something.
    void setValue(const RegistryValue& value);
    // Sets the values of `writes` in their order as setValue does, moving their data over;
    // `writes` is left without values.
    void setValues(HiveKey&& writes);
    void clearValues();
    // Keeps `lines` before the value at `before` (or at endOfSection), after the comments that
    // are there already; `lines` is left empty.
    void addComments(std::size_t before, std::vector<std::string>& lines);

    // The same path and values; comments do not count, as they mean nothing to a reader.
    friend bool operator==(const HiveKey& a, const HiveKey& b) {
        return a.m_path == b.m_path && a.m_values == b.m_values;
    }

private:
    friend class Hive;
    // Where a value's line is in the text the hive was last reserialized into; size 0 when
    // unknown or the value changed since.
    struct Line {
        std::size_t at = 0;
        std::size_t size = 0;
    };

    template <typename Data> void set(std::string_view name, std::uint32_t type, Data&& data);

    std::string m_path;
    std::vector<RegistryValue> m_values;
    std::vector<Line> m_lines; // one per value
    NameIndex m_index;
    std::vector<Comment> m_comments; // by `before`, in file order where it is the same
};

// Why the file cannot keep a value of this name: it holds one value per line.
inline constexpr std::string_view unstorableValueName =
    "a value name cannot hold a line break or a NUL character";
bool canStoreValueName(std::string_view name);

// A key path or value name that a REGEDIT4 file cannot hold; what() says which, in plain words.
class UnstorableName : public Failure {
public:
    using Failure::Failure;
};

// The contents of a REGEDIT4 file: keys in file order, and the comment lines before the first key,
// which stay at the top. Blank lines are not kept: the writer spaces the file its own way.
class Hive {
public:
    // Parses REGEDIT4 text (CR LF or LF line ends; a final Ctrl+Z, as DOS editors end a file,
    // is read past). Throws Failure naming `fileName` and the line of the first thing it cannot
    // read, lines ended by CR alone included; a file it refuses must never be overwritten.
    static Hive parse(std::string_view text, std::string_view fileName);
    // The REGEDIT4 text, CR LF line ends; parse(serialize()) gives back the same keys and values.
    // Throws UnstorableName for a key path or value name the file cannot hold.
    std::string serialize() const;
    // The same text, where `previous` is what the last reserialize() of this hive gave (anything
    // when there was none): the lines of values unchanged since are copied from it rather than
    // written again, which matters for a file of long strings that a commit changes one value
    // of. Any other `previous` makes a wrong text.
    std::string reserialize(std::string_view previous);

    const std::vector<HiveKey>& keys() const { return m_keys; }
    const HiveKey* findKey(std::string_view path) const;
    // The key at `path`, appended when missing. Adding a key may move the others.
    HiveKey& ensureKey(std::string_view path);
    // Moves the key at `path` out of a hive that is not needed any more, sparing a copy.
    std::optional<HiveKey> takeKey(std::string_view path) &&;

    friend bool operator==(const Hive& a, const Hive& b) { return a.m_keys == b.m_keys; }

private:
    // The header and the top comments, in a string with room for `room` bytes.
    std::string startText(std::size_t room) const;

    std::vector<std::string> m_topComments;
    std::vector<HiveKey> m_keys;
    NameIndex m_index;
};

} // namespace quorvane
