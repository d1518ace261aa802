#pragma once

#include "menu/MenuTree.h"
#include "menu/TreeSource.h"
#include "platform/Registry.h"

namespace quorvane {

class Messages;

// Writes the edited menu where the extension reads it: the 21 operation captions, TheMenu and the
// nine item lists, all in one commit. Refuses with a message, writing nothing, when a load stopped
// part-way, when the tree holds only the root or when what it would store could not be read back
// as it stands. Returns whether it wrote.
bool Apply(Registry& registry, const MenuTree& tree, const TreeSource& source, Messages& messages);

} // namespace quorvane
