// The way from the settings file to the extension's menu, on any content of the settings key (the
// file's head naming the key is the target's own, so that mutations go to the values). Whatever
// the file holds, the read never throws and never touches the file; it gives a menu or one short
// line saying why not, and a menu whose labels GTK can show, without empty submenus.

#include "FuzzSupport.h"
#include "extension/ExtensionMenu.h"
#include "platform/Codepage.h"
#include "settings/KeyPath.h"
#include "store/HiveRegistry.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <system_error>
#include <unistd.h>

using namespace quorvane;

namespace {

class Folder {
public:
    Folder() {
        std::string pattern = (std::filesystem::temp_directory_path() / "quorvane-fuzz-XXXXXX");
        if (!::mkdtemp(pattern.data()))
            fuzz::fail("cannot create a temporary folder");
        m_path = pattern;
    }
    ~Folder() {
        std::error_code ignored;
        std::filesystem::remove_all(m_path, ignored);
    }
    std::filesystem::path file() const { return m_path / "HKEY_CLASSES_ROOT.reg"; }

private:
    std::filesystem::path m_path;
};

std::string readFile(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

void check(const std::vector<ShownEntry>& entries, std::string_view input) {
    for (const ShownEntry& entry : entries) {
        fuzz::require(isUtf8(ext::menuLabel(entry.caption)), "a label is not UTF-8", input);
        if (entry.kind == Kind::Submenu) {
            fuzz::require(!entry.entries.empty(), "an empty submenu is shown", input);
            check(entry.entries, input);
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static Folder folder;
    const std::string text = "REGEDIT4\r\n\r\n[HKEY_CLASSES_ROOT\\" + settingsKeyPath() + "]\r\n" +
                             std::string(fuzz::bytes(data, size));
    {
        std::ofstream out(folder.file(), std::ios::binary | std::ios::trunc);
        out.write(text.data(), static_cast<std::streamsize>(text.size()));
    }
    HiveRegistry store(folder.file(), [](const std::filesystem::path&, std::string_view) {
        fuzz::fail("reading the menu wrote the settings file");
    });

    const ext::ExtensionMenu shown = ext::readExtensionMenu(store);
    fuzz::require(readFile(folder.file()) == text, "reading the menu changed the settings file");
    if (!shown.problem.empty()) {
        fuzz::require(shown.menu.entries.empty(), "a menu beside a problem", shown.problem);
        // The entry shows a few lines wrapped from the reason; the tip shows the reason whole.
        fuzz::require(std::count(shown.problem.begin(), shown.problem.end(), '\n') < 4 &&
                          isUtf8(shown.problem),
                      "the problem is not a few lines of UTF-8", shown.problem);
        fuzz::require(shown.reason.find('\n') == std::string::npos && isUtf8(shown.reason),
                      "the reason is not one line of UTF-8", shown.reason);
        return 0;
    }
    fuzz::require(!shown.menu.entries.empty(), "neither a menu nor a problem");
    check(shown.menu.entries, text);
    return 0;
}
