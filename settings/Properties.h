#pragma once

#include "store/Registry.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace quorvane {

// Which of an object's dates the Stamp operation sets to now; StampOptions stores them as bits.
struct StampDates {
    bool creation = true;
    bool lastAccessed = true;
    bool lastModified = true;

    friend bool operator==(const StampDates&, const StampDates&) = default;
};

std::int32_t stampBits(const StampDates& dates);
StampDates stampDates(std::int32_t bits);

// The options of single operations, as the properties dialog edits them and the extension reads
// them: the prompts' programs, the clipboard's line ends, Stamp's dates and how added items are
// named.
struct Properties {
    std::string dosPromptFile;
    std::string altPromptFile;
    std::string altPromptStart;
    std::string cPromptFile;
    StampDates stamp;
    bool copyCrLf = false;
    bool appendCrLf = false;
    bool addPrePath = false;
    bool addFileExt = false;

    friend bool operator==(const Properties&, const Properties&) = default;
};

// The options one by one, in the order they are read and written, for a caller that reads or
// stores some of them alone. Stamp's three dates are one option, as they are one stored value.
enum class Property {
    DosPromptFile,
    AltPromptFile,
    AltPromptStart,
    CPromptFile,
    Stamp,
    CopyCrLf,
    AppendCrLf,
    AddPrePath,
    AddFileExt,
};
inline constexpr std::array allProperties{
    Property::DosPromptFile, Property::AltPromptFile, Property::AltPromptStart,
    Property::CPromptFile,   Property::Stamp,         Property::CopyCrLf,
    Property::AppendCrLf,    Property::AddPrePath,    Property::AddFileExt};

// Reads the stored options over `into`: a value that is not stored leaves its field as it was,
// except Stamp's dates, which are all set when nothing is stored. Throws Failure when the
// settings cannot be read.
void readProperties(Registry& registry, Properties& into);
// Reads each option as readProperties does, but on its own: one that does not read keeps its
// field, and the options after it are read all the same. Returns the failures' texts, in order.
// Throws Failure only when the settings cannot be read at all.
std::vector<std::string> readEachProperty(Registry& registry, Properties& into);
// Stores every option, in one commit.
void writeProperties(Registry& registry, const Properties& properties);
// Stores the options in `which` alone, in one commit; every other stored value stays as it is.
void writeProperties(Registry& registry, const Properties& properties,
                     const std::vector<Property>& which);

} // namespace quorvane
