#pragma once

#include <string>
#include <string_view>

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
// show state the program is asked to start in; hosts without it ignore it. A Windows program
// reads its own command line; here the program gets what follows its name as one argument,
// exactly as written, and reads it the same way.
int RunCommand(std::string_view commandLine, int showState);

// A command line cut after the program's name, as Windows cuts it: the name runs to the first
// blank, or between quotes, taken literally; the arguments are the rest after the blanks that
// follow the name, left exactly as they stand.
struct CommandLine {
    std::string program;
    std::string arguments;
    friend bool operator==(const CommandLine&, const CommandLine&) = default;
};
CommandLine splitProgramName(std::string_view commandLine);

// Finds the program as Windows does when it starts one by command line, but never in the current
// folder, where anyone who can write there could leave a program of that name: a name with a
// directory is taken as it is; a bare name is looked for in the program directory, then in each
// directory of PATH that is given as an absolute path. Empty when it is found nowhere.
std::string findProgram(std::string_view name, const std::string& programDir);

} // namespace quorvane
