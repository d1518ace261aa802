#pragma once

#include <string>
#include <string_view>

namespace quorvane {

// Recovers a path kept scrambled: every byte lowered by 17, modulo 256.
std::string descramble(std::string_view scrambled);

// The inverse of descramble: every byte raised by 17, modulo 256.
std::string scramble(std::string_view plain);

// The settings key below HKEY_CLASSES_ROOT, recovered afresh on every call; the program keeps
// no plain copy of it.
std::string settingsKeyPath();

} // namespace quorvane
