#pragma once

#include <string>

namespace quorvane {

// Where the program finds what it brings besides its executables. In the build folder (and on
// Windows) all of it lies in the program directory. An install on a Unix-like system follows the
// file-system hierarchy instead: the executables in PREFIX/bin, the installer stand-in in
// PREFIX/libexec/quorvane, the INF, the help file and ReadMe.txt in PREFIX/share/quorvane.
struct InstallLayout {
    std::string dataDirectory;   // the INF, the help file, ReadMe.txt; with a trailing separator
    std::string helperDirectory; // the installer stand-in; with a trailing separator
};

// The layout around `programDirectory` (with its trailing separator): the installed one when the
// program directory is a "bin" folder whose sibling share/quorvane holds Quorvane.inf, otherwise
// everything in the program directory.
InstallLayout installLayout(const std::string& programDirectory);

} // namespace quorvane
