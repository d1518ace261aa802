#include "settings/KeyPath.h"

namespace quorvane {

namespace {

// The settings key path, scrambled. The extension reads the same key.
constexpr char scrambledKeyPath[] =
    "\x62\x86\x80\x83\x87\x72\x7f\x76\x64\x79\x76\x7d\x7d\x56\x89\x85\x6d\x64\x76\x85\x85\x7a"
    "\x7f\x78\x84";

std::string shifted(std::string_view text, int by) {
    std::string result(text);
    for (std::size_t i = result.size(); i-- > 0;)
        result[i] = static_cast<char>(static_cast<unsigned char>(result[i]) + by);
    return result;
}

} // namespace

std::string descramble(std::string_view scrambled) {
    return shifted(scrambled, -17);
}

std::string scramble(std::string_view plain) {
    return shifted(plain, 17);
}

std::string settingsKeyPath() {
    return descramble(std::string_view(scrambledKeyPath, sizeof scrambledKeyPath - 1));
}

} // namespace quorvane
