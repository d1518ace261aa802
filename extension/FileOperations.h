#pragma once

#include "settings/Properties.h"

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace quorvane::ext {

// The file operations of the menu. Each works through its objects one by one and goes on past a
// failure; it returns one line per object it could not handle, naming it and saying why (empty
// when everything went through). None replaces an existing name: a name that is taken is refused.

enum class Transfer { Move, Copy };

// Moves or copies the objects into `folder`. A move to another file system copies first and
// removes the original only once the copy is complete; a copy appears under its name only when
// complete, so an interrupted one never leaves a half copy under the real name.
std::vector<std::string> transfer(const std::vector<std::filesystem::path>& objects,
                                  const std::filesystem::path& folder, Transfer how);

// Deletes for good, folders with everything in them; symbolic links are removed, never followed.
std::vector<std::string> removeForGood(const std::vector<std::filesystem::path>& objects);

// Sets the chosen dates to now. Linux file systems keep no creation date that can be set, so the
// creation date is left alone.
std::vector<std::string> stamp(const std::vector<std::filesystem::path>& objects,
                               const StampDates& dates);

// Renames each file to `extension` in place of its last one ("a.txt" to "a.doc", "a" to "a.doc");
// a name that starts with its only dot ("/.profile") has no extension. Folders are refused.
std::vector<std::string> changeExtension(const std::vector<std::filesystem::path>& objects,
                                         std::string_view extension);

// What a link leads to: a symbolic link's target with every link on the way resolved (as far as
// it goes, for one that leads nowhere), a link launcher's URL (a path for a local one); an object
// that is no link is its own target.
std::string linkTarget(const std::filesystem::path& object);

// The last extension of a file name, without its dot; empty when it has none.
std::string extensionOf(const std::filesystem::path& object);

} // namespace quorvane::ext
