#pragma once

#include "platform/Registry.h"

#include <cstdint>
#include <string>

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

// Reads the stored options over `into`: a value that is not stored leaves its field as it was,
// except Stamp's dates, which are all set when nothing is stored. Throws Failure when the
// settings cannot be read.
void readProperties(Registry& registry, Properties& into);
// Stores every option, in one commit.
void writeProperties(Registry& registry, const Properties& properties);

} // namespace quorvane
