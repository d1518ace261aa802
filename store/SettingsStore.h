#pragma once

#include "store/Registry.h"

#include <memory>

namespace quorvane {

// The user's settings store, HKEY_CLASSES_ROOT as this host keeps it: the real registry on
// Windows, the REGEDIT4 file of HiveRegistry elsewhere. Every part of the program that reads or
// writes the settings gets its store here.
std::unique_ptr<Registry> openSettingsStore();

} // namespace quorvane
