// The menu-file loader on any file. It writes everything or nothing, stops only on a line it
// refuses (a number that does not read, a value of a type the program does not read it as, a
// text longer than the reader keeps, text that is not what the file's mark says), on UTF-16 text
// or on settings the menu load would refuse, and what it stores saves to a menu file that loads
// back the same into the same installation.

#include "FuzzSupport.h"
#include "platform/Failure.h"
#include "settings/KeyPath.h"
#include "settings/MenuFile.h"
#include "settings/SettingsKey.h"
#include "support/MemoryRegistry.h"

#include <map>

using namespace quorvane;

namespace {

bool savedInMenuFiles(std::string_view name) {
    return !name.empty() && name != "ItemsAvailable" && name != "v" && name != "DisplayRef";
}

// Every value a menu file carries, as the program reads it.
std::map<std::string, std::string> readable(test::MemoryRegistry& registry) {
    SettingsKey key(registry);
    std::map<std::string, std::string> values;
    for (const std::string& name : key.valueNames()) {
        if (!savedInMenuFiles(name))
            continue;
        switch (key.valueType(name)) {
        case ValueType::String:
            values[name] = "s:" + key.readString(name);
            break;
        case ValueType::Integer:
            values[name] = "i:" + std::to_string(key.readInteger(name));
            break;
        default:
            fuzz::fail("a menu file stored a value that is neither text nor number", name);
        }
    }
    return values;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text = fuzz::bytes(data, size);
    test::MemoryRegistry registry;
    bool wrote = false;
    try {
        wrote = loadMenuFile(registry, text);
    } catch (const Failure& failure) {
        const std::string_view what = failure.what();
        const auto holds = [what](std::string_view part) {
            return what.find(part) != std::string_view::npos;
        };
        const bool badNumber =
            what.starts_with("'") && holds("' is not a valid integer value for '");
        const bool wrongType = what.starts_with("Invalid data type for '") && holds("' on line ");
        const bool tooLong =
            (what.starts_with("The menu is too large to be stored: '") ||
             (what.starts_with("The ") && holds(" are too many to be stored: '"))) &&
            what.ends_with(" characters where at most 4095 are kept.");
        const bool utf16 = what.starts_with("The menu file is UTF-16 text");
        const bool notUtf8 = holds("' on line ") &&
                             (holds(": The text is not valid UTF-8") || holds(": The character "));
        const bool wouldNotLoad = what.ends_with("\nThe menu file was not loaded: the settings it "
                                                 "would leave cannot be read back. Nothing was "
                                                 "written.");
        const bool unstorableName =
            what.starts_with("Failed to set data for '") &&
            what.ends_with("'\na value name cannot hold a line break or a NUL character");
        fuzz::require(badNumber || wrongType || tooLong || utf16 || notUtf8 || wouldNotLoad ||
                          unstorableName,
                      "the load stopped with a text of its own", what);
        fuzz::require(registry.commits == 0, "a refused menu file wrote something", text);
        return 0;
    }
    fuzz::require(registry.commits == (wrote ? 1 : 0), "a menu file was not written in one commit",
                  text);
    if (!wrote)
        return 0;

    const std::map<std::string, std::string> loaded = readable(registry);
    const std::string saved = menuFileText(registry);
    // Menu files leave out what belongs to the installation rather than to the menu; the file
    // goes back into an installation that has them.
    test::MemoryRegistry again;
    for (const char* name : {"v", "ItemsAvailable", "DisplayRef"})
        if (const RegistryValue* value = registry.find(settingsKeyPath(), name))
            again.key(settingsKeyPath()).push_back(*value);
    const bool wroteAgain = loadMenuFile(again, saved);
    fuzz::require(wroteAgain == !loaded.empty(), "a saved menu file loads nothing", saved);
    fuzz::require(readable(again) == loaded, "a saved menu file loads back different", saved);
    return 0;
}
