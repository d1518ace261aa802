#pragma once

#include "menu/AvailableEntries.h"
#include "menu/MenuTree.h"
#include "store/Registry.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace quorvane {

class Messages;

// Writes the edited menu where the extension reads it: the 21 operation captions, TheMenu and the
// nine item lists, all in one commit. Refuses with a message, writing nothing, when a load stopped
// part-way, when the menu holds no entry once its empty submenus are left out (at every depth),
// when what it would store could not be read back as it stands, or when a caption or a target
// holds a line break, which a menu file could not save. Returns whether it wrote.
bool applyMenu(Registry& registry, const MenuTree& tree, const AvailableEntries& source,
               Messages& messages);

// The first sentence of the refusal of a menu string longer than the reader keeps: `what` (as
// "it") takes `length` characters. Apply, the command line and menu files say it alike.
std::string menuTooLarge(std::string_view what, std::size_t length);
// The same for item list `list` (in the order of value::itemLists).
std::string itemListTooLong(std::size_t list, std::string_view what, std::size_t length);

// Apply's own refusal of a menu string given as text by the user, longer than the reader keeps,
// or nothing when the reader keeps all of it. Such a text is refused, never cut.
std::optional<std::string> givenMenuRefusal(std::string_view menu);

} // namespace quorvane
