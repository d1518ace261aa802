#pragma once

#include "menu/MenuTree.h"

#include <string>
#include <string_view>

namespace quorvane {

// What the status bar says about a node with this record: for the items with a target, what the
// item does with it and how to change it; for every other kind, the description alone.
std::string statusText(const TAssoc& record);

// The caption an item takes from the file it was given: the name after the last "\", ":" or "/",
// cut to the 255 characters a tree caption holds.
std::string captionOfTarget(std::string_view path);

// True while some node of `tree` refers to `record`.
bool isReferenced(const MenuTree& tree, const TAssoc* record);

} // namespace quorvane
