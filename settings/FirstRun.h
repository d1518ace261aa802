#pragma once

#include "platform/System.h"
#include "store/Registry.h"

#include <functional>
#include <string>
#include <string_view>

namespace quorvane {

class Messages;

// What first-run set-up needs from the host to install the extension.
struct Installer {
    PlatformFamily family = PlatformFamily::Other;
    std::string programDirectory; // with its trailing separator
    char separator = '/';
    std::function<int(std::string_view commandLine, int showState)> run;

    // This host: its family, the program's own directory and runCommand.
    static Installer host();
};

// The installation mark that first-run set-up writes; an older or missing mark means the
// extension is not installed.
inline constexpr int installedMark = 2010;

// The command that hands the extension's INF file to the platform's installer.
std::string installerCommand(const Installer& installer);

// Installs the extension and fills the settings with their defaults, unless the installation
// mark says it is done already. Runs at the start of every menu load.
void runFirstRunSetup(Registry& registry, const Installer& installer, Messages& messages);

} // namespace quorvane
