#pragma once

#include "menu/ShownMenu.h"
#include "store/Registry.h"

namespace quorvane {

// The stored menu (TheMenu with the operation captions and the item lists) as the extension shows
// it. Only reads: the key is never committed, so nothing is created or written. Throws Failure
// with the load's own text when the stored menu cannot be read.
ShownMenu readShownMenu(Registry& registry);

} // namespace quorvane
