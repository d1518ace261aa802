#include "platform/InstallLayout.h"

#include <filesystem>
#include <system_error>

namespace quorvane {

namespace {

namespace fs = std::filesystem;

std::string asDirectory(const fs::path& path) {
    std::string text = path.string();
    if (text.empty() || text.back() != static_cast<char>(fs::path::preferred_separator))
        text += static_cast<char>(fs::path::preferred_separator);
    return text;
}

} // namespace

InstallLayout installLayout(const std::string& programDirectory) {
    const InstallLayout beside{programDirectory, programDirectory};
    if (programDirectory.empty())
        return beside;
    // "PREFIX/bin/" has an empty last component; its parent path is "PREFIX/bin".
    const fs::path bin = fs::path(programDirectory).parent_path();
    if (bin.filename() != "bin")
        return beside;
    const fs::path prefix = bin.parent_path();
    std::error_code error;
    if (!fs::is_regular_file(prefix / "share" / "quorvane" / "Quorvane.inf", error))
        return beside;
    return {asDirectory(prefix / "share" / "quorvane"),
            asDirectory(prefix / "libexec" / "quorvane")};
}

} // namespace quorvane
