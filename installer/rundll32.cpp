// rundll32.exe off Windows: the one entry point Quorvane Setup calls through it,
// InstallHinfSection, so that its first start installs the extension's INF file as on Windows.

#include "installer/HinfInstall.h"
#include "platform/System.h"
#include "store/SettingsStore.h"

#include <iostream>
#include <string>
#include <vector>

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + argc);
    // The stand-in writes the class entries into the file that holds the user's settings store.
    return quorvane::installHinfSection(args, quorvane::systemDirectory(),
                                        *quorvane::openSettingsStore()->storeFile(), std::cerr);
}
