#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace quorvane {

enum class PlatformFamily { WindowsNT, Other };

// The Windows NT family or anything else; every host but Windows NT counts as "other".
PlatformFamily platformFamily();

// The directory of the program's own executable, with its trailing separator.
std::string programDirectory();

// The separator between a directory and a file name on this host.
char pathSeparator();

// Where this host keeps what Windows keeps in its system directory (the extension's help file
// below "ShellExt"): $XDG_DATA_HOME/quorvane, or ~/.local/share/quorvane when XDG_DATA_HOME is
// unset or empty. No trailing separator, as Windows reports its own.
std::string systemDirectory();

// Starts the program that a Windows-style command line names, without waiting for it to end.
// Returns 0 when it started, otherwise the system error number. `showState` is the window
// show state the program is asked to start in; hosts without it ignore it.
int RunCommand(std::string_view commandLine, int showState);

// Splits a command line the way Windows programs split theirs: the program name runs to the first
// blank (or between quotes, taken literally); in the arguments, blanks separate, quotes group, and
// backslashes escape a quote only when they stand right before one.
std::vector<std::string> splitCommandLine(std::string_view commandLine);

// Finds the program as Windows does when it starts one by command line: a name with a directory
// is taken as it is; a bare name is looked for in the program directory, then the current
// directory, then each directory of PATH. Empty when it is found nowhere.
std::string findProgram(std::string_view name, const std::string& programDir);

} // namespace quorvane
