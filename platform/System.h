#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace quorvane {

enum class PlatformFamily { WindowsNT, Other };

// The Windows NT family or anything else; every host but Windows NT counts as "other".
PlatformFamily platformFamily();

// Whether the host is Windows, where programs are known by their extension and the texts that
// send the user to Windows' own places apply as written.
bool hostIsWindows();

// Puts the null device in the place of each standard descriptor (input, output, error) that the
// program was started without, so that no file it opens later takes that number and receives
// what was meant for standard output or error. Opened the other way round (output for reading,
// input for writing), so that using it still fails as on the closed descriptor and the failure
// can be reported. Windows is left as it is.
void fillClosedStandardDescriptors();

// The program's arguments, without its name: on Windows as UTF-8, taken from the UTF-16 command
// line (the ANSI `argv` has already put a best fit or "?" in the place of a character beyond the
// code page); elsewhere the bytes as given.
std::vector<std::string> programArguments(int argc, char** argv);
// The file UTF-8 text names (an argument from programArguments, a stored target): converted where
// the system's names are UTF-16, the bytes as they are elsewhere.
std::filesystem::path pathFromUtf8(std::string_view text);

enum class StandardStream { Output, Error };

// Whether the stream is shown in a console window (on Windows; elsewhere a terminal takes bytes
// as any file does, and this is false).
bool isConsole(StandardStream stream);
// Writes UTF-8 text to a console window as UTF-16, so that every character shows as itself
// whatever the console's code page; false when nothing could be written that way.
bool writeConsole(StandardStream stream, std::string_view utf8);

// The directory of the program's own executable, with its trailing separator.
std::string programDirectory();

// The user's home folder: $HOME (the password database when unset) off Windows, the user's
// profile folder on Windows; "." when the host names none.
std::string homeDirectory();

// The separator between a directory and a file name on this host.
char pathSeparator();

// The system directory (GetSystemDirectoryA) on Windows. Elsewhere, where this host keeps what
// Windows keeps there (the extension's help file below "ShellExt"): $XDG_DATA_HOME/quorvane, or
// ~/.local/share/quorvane when XDG_DATA_HOME is unset or empty. No trailing separator, as
// Windows reports its own.
std::string systemDirectory();

// Starts the program that a Windows-style command line names, without waiting for it to end.
// Returns 0 when it started, otherwise the system error number (errno off Windows,
// GetLastError on Windows). `showState` is the window show state the program is asked to start
// in; hosts without it ignore it. A Windows program reads its own command line; elsewhere the
// program gets what follows its name as one argument, exactly as written, and reads it the same
// way. On Windows it waits until the new program first waits for input.
int runCommand(std::string_view commandLine, int showState);

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
// directory of PATH that is given as an absolute path. On Windows the system directory comes
// first, so that the system's own programs (rundll32.exe) are never shadowed by one of the same
// name in the program directory. Empty when it is found nowhere.
std::string findProgram(std::string_view name, const std::string& programDir);

} // namespace quorvane
