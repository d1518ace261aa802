#pragma once

#include "settings/Properties.h"

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

// What the operations need from the system they run on, one file per host (HostFiles.cpp for
// POSIX systems, HostFilesWin.cpp for Windows): the file system's primitives, and how programs,
// documents and prompts are started there.

namespace quorvane::ext {

// An object's path as messages quote it.
std::string quoted(const std::filesystem::path& path);
// What an error number means, to end a sentence with.
std::string reason(int error);

// A symbolic link's target with every link on the way resolved (as far as it goes, for one that
// leads nowhere); nothing for an object that is no symbolic link.
std::optional<std::string> symbolicLinkTarget(const std::filesystem::path& object);

// 0 when nothing is at `path`, EEXIST when something is, the system's error when it cannot tell
// (a name too long, a folder it may not look into): never a guess either way.
int presence(const std::filesystem::path& path);
// Renames without ever replacing what is at `to`. Returns 0 or the error number: EEXIST for a
// name that is taken, EXDEV when `to` is on another volume.
int renameNoReplace(const std::filesystem::path& from, const std::filesystem::path& to);
// Removes an object for good, a folder with everything in it, without asking; a symbolic link
// goes, never what it leads to. Empty when it is gone, otherwise why not ("it no longer exists"
// when there was nothing to remove).
std::string removeTree(const std::filesystem::path& object);
// The longest name `folder` takes.
std::size_t longestName(const std::filesystem::path& folder);

// The top of the file system ("/", or the system's drive), where the C Prompt opens and what
// starts in no particular folder starts.
std::filesystem::path rootFolder();
// The user's own folder, where Quorvane Setup is started.
std::filesystem::path homeFolder();

// Why Stamp set to `dates` can change nothing on this system; empty when it can.
std::string stampRefusal(const StampDates& dates);

// Whether `file` is a program, which a Run/Open item starts with the selection as its arguments
// (anything else is opened with the program it belongs to).
bool isProgram(const std::filesystem::path& file);
// The command that opens `target` with the program it belongs to.
std::vector<std::string> openCommand(const std::string& target);

// The prompt to start: its command, or why there is none.
struct PromptCommand {
    std::vector<std::string> command;
    std::string problem;
};
// A prompt that first runs `file` (when not empty), then stays open; with `start`, the
// alternative prompt's own start-up command takes the place of the system's shell.
PromptCommand promptCommand(const std::string& file, const std::string* start);

} // namespace quorvane::ext
