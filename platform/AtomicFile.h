#pragma once

#include <filesystem>
#include <string_view>

namespace quorvane {

// Writes a temporary file in the target's folder, flushes it to disk, renames it over the target
// and flushes the folder: readers see the old file or the new one, never a mixture. Creates the
// folder when missing. Throws std::system_error; on failure the target is left as it was.
void writeFileAtomically(const std::filesystem::path& target, std::string_view bytes);

} // namespace quorvane
