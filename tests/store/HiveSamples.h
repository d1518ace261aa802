#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace quorvane::test {

// A value and the line that stores it in a REGEDIT4 file.
struct ValueSample {
    std::string label;
    std::string name;
    std::uint32_t type;
    std::string data;
    std::string line;
};

// Values that stress the format: every type, escapes, line breaks, NULs, high bytes.
std::vector<ValueSample> valueSamples();

// A file the reader must refuse, the line it must blame, and part of the reason it gives.
struct BrokenHiveSample {
    std::string label;
    std::string text;
    int line;
    std::string reason;
};

std::vector<BrokenHiveSample> brokenHiveSamples();

} // namespace quorvane::test
