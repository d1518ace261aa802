#pragma once

#include "platform/Failure.h"
#include "store/Registry.h"

#include <filesystem>
#include <iosfwd>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quorvane {

class InfFile;

// Arguments InstallHinfSection cannot work with: the caller is shown how to call it.
class UsageError : public Failure {
public:
    using Failure::Failure;
};

// What InstallHinfSection is asked to install.
struct HinfCommand {
    std::string section;
    std::filesystem::path infFile;
};

// Reads the arguments after the program name: the entry point ("setupx.dll,InstallHinfSection"
// or "syssetup.dll,InstallHinfSection"), then the section, the mode number and the INF's path.
// One argument is the command line as runCommand hands it over, read as the platform's INF
// installer reads it: the INF's path is everything after the blank that ends the mode, blanks,
// tabs and quotes included, since the caller does not quote the program directory. Several
// arguments come from a shell that has split the line; the path is then the rest joined again
// with single blanks. Throws UsageError.
HinfCommand readHinfCommand(const std::vector<std::string>& arguments);

struct FileCopy {
    std::filesystem::path source;
    std::filesystem::path destination;
    std::string origin; // the INF line that asks for it, for messages
};

// A key to create and, when `value` holds one, a value to set in it.
struct RegistryEntry {
    std::string key;
    std::optional<RegistryValue> value;
};

struct InstallPlan {
    std::vector<FileCopy> copies;
    std::vector<RegistryEntry> entries;
    std::vector<std::string> skipped; // entries of roots other than HKCR, said to the user
};

// Everything the section asks for, checked and with %strings% and directory ids expanded; the
// files come from `sourceFolder`. A section decorated ".Unix" is preferred to the plain one, as
// the Windows installers prefer their ".NT" decorations. Throws Failure naming the INF line of
// the first thing this installer cannot do.
InstallPlan planInstall(const InfFile& inf, std::string_view section,
                        const std::filesystem::path& sourceFolder,
                        const std::string& systemDirectory);

// Reads every source and checks the hive first, then copies the files, then writes all registry
// entries in one commit; a failure on the way leaves the hive as it was. Throws Failure.
void carryOut(const InstallPlan& plan, const std::filesystem::path& hiveFile);

// The whole of InstallHinfSection for the stand-in program: messages go to `err`; the result is
// the exit status (0 done, 1 failed, 2 wrong arguments).
int installHinfSection(const std::vector<std::string>& args, const std::string& systemDirectory,
                       const std::filesystem::path& hiveFile, std::ostream& err);

} // namespace quorvane
