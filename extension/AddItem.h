#pragma once

#include "menu/Catalog.h"
#include "store/Registry.h"

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace quorvane::ext {

// An item an "Add" operation puts into the menu; caption and target as stored (the store's code
// page). Extension items have no target.
struct NewItem {
    Kind kind = Kind::Extension;
    std::string caption;
    std::string target;
};

// What every refusal of an "Add" operation ends with.
inline constexpr std::string_view nothingAdded = "Nothing was added to the menu.";

// The caption an added object gets, as the "Adding" options say: without the folders before its
// name (`withoutPath`), without a file's last extension (`withoutExtension`; a folder keeps its
// name whole). "/usr/bin/gcalctool.sh" with both becomes "gcalctool".
std::string addedCaption(const std::filesystem::path& object, bool isDirectory, bool withoutPath,
                         bool withoutExtension);

// Adds the items in one commit through the store: each to the end of its lists and its token
// into TheMenu after the last item of its kind that the menu shows, or at the end of the top
// level when it shows none. Items of the lists that the menu does not show stay as they are.
// Throws Failure, writing nothing, when the stored menu cannot be read (adding to it would lose
// what cannot be read), when the menu or a list would grow past what the extension reads, and
// when the store cannot be written.
void addItems(Registry& store, const std::vector<NewItem>& items);

} // namespace quorvane::ext
