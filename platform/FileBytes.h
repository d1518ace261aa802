#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace quorvane {

// The file's bytes, or nothing when it does not exist. Throws std::system_error naming the file
// when it exists but cannot be read (no permission, an I/O error) or is not a regular file (a
// folder, a named pipe, a device: see notARegularFile), which is refused at once, unread.
std::optional<std::string> readFileBytes(const std::filesystem::path& file);

} // namespace quorvane
