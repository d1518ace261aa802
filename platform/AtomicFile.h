#pragma once

#include <filesystem>
#include <string_view>

namespace quorvane {

// What a save does when the folder it is to write in does not exist.
enum class MissingFolder { Create, Fail };

// Writes a temporary file beside the target, flushes it to disk, renames it over the target and
// flushes the folder: readers see the old file or the new one, never a mixture. A target that is
// a symbolic link stays one: the file at the end of its links is the one replaced. A file or
// folder the user may not write is refused (EACCES, also for root when no write bit is set), and
// so is anything but a regular file (see notARegularFile), wherever the links lead.
// Temporaries that earlier saves of the same file left when they were killed are removed first.
// Throws std::system_error; on failure the target is left as it was.
void writeFileAtomically(const std::filesystem::path& target, std::string_view bytes,
                         MissingFolder missingFolder = MissingFolder::Create);

// The file a save to `target` replaces: `target` with its symbolic links followed.
std::filesystem::path followLinks(const std::filesystem::path& target);

// Removes every temporary that saves to `target` left, whether or not their process still runs.
// Only for a caller that holds a lock every writer of `target` takes, so that none is running.
void removeAllTemporaries(const std::filesystem::path& target);

} // namespace quorvane
