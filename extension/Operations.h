#pragma once

#include "extension/Host.h"
#include "extension/Selection.h"
#include "menu/ShownMenu.h"
#include "store/Registry.h"

#include <string>
#include <vector>

namespace quorvane::ext {

// Where the extension finds the programs it starts.
struct Programs {
    // The folder quorvane-setup is installed in, tried before PATH.
    std::string setupFolder;
};

// Carries out what `entry` stands for on the selection: an operation by its code, an item by its
// kind and target. The options are read from `store` as they are stored now; the "Add"
// operations write through it in one commit. Every failure reaches the user through
// `host.message`; nothing throws.
void activate(const ShownEntry& entry, const Selection& selection, Host& host, Registry& store,
              const Programs& programs);

} // namespace quorvane::ext
