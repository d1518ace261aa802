#include "bench/Fixtures.h"

#include "menu/MenuWriter.h"
#include "settings/FirstRun.h"
#include "settings/Messages.h"
#include "settings/Schema.h"
#include "settings/SettingsKey.h"
#include "store/MemoryRegistry.h"

#include <stdexcept>
#include <vector>

namespace quorvane::bench {

namespace {

// Tokens from `next` (called with the token's position), joined by commas while they fit.
template <typename Next>
std::string joinWhileFits(std::size_t length, std::string_view last, Next next) {
    std::string text;
    for (std::size_t i = 0;; ++i) {
        const std::string token = next(i);
        if (text.size() + token.size() + 1 + last.size() > length)
            break;
        (text += token) += ',';
    }
    return text += last;
}

class Quiet : public Messages {
public:
    void message(std::string_view) override {}
    void installedNotice() override {}
};

// A list cut at the limit would bind fewer items than the benchmark counts on.
std::string wholeList(const std::vector<std::string>& entries) {
    std::string text = writeItemList(entries, std::string::npos);
    if (text.size() > commaTextLimit)
        throw std::length_error("an item list longer than a stored list holds");
    return text;
}

const Installer& idleInstaller() {
    static const Installer installer = [] {
        Installer host = Installer::host();
        host.run = [](std::string_view, int) { return 0; };
        return host;
    }();
    return installer;
}

} // namespace

Messages& silent() {
    static Quiet quiet;
    return quiet;
}

std::string flatMenu(std::size_t length) {
    return joinWhileFits(length, "9", [](std::size_t i) { return std::to_string(i % 10); });
}

std::string separatorMenu(std::size_t length) {
    return joinWhileFits(length, "-1", [](std::size_t) { return std::string("-1"); });
}

std::string nestedMenu(std::size_t length) {
    return joinWhileFits(length, "16", [](std::size_t) { return std::string("a"); });
}

std::string itemMenu(std::size_t length) {
    return joinWhileFits(length, "-5",
                         [](std::size_t i) { return std::to_string(-5 - int(i % 5)); });
}

std::size_t tokenCount(std::string_view menu) {
    return splitCommaText(menu).size();
}

std::size_t itemsPerKind(std::string_view menu) {
    std::array<std::size_t, 5> counts{};
    for (const std::string& token : splitCommaText(menu)) {
        const std::int32_t value = tokenValue(token);
        if (value <= code::extension && value >= code::sendTo)
            ++counts[static_cast<std::size_t>(code::extension - value)];
    }
    std::size_t most = 0;
    for (std::size_t count : counts)
        most = std::max(most, count);
    return most;
}

void setUpFirstRun(Registry& registry) {
    runFirstRunSetup(registry, idleInstaller(), silent());
}

void storeItemLists(Registry& registry, std::size_t perKind) {
    updateSettings(registry, [perKind](SettingsKey& key) {
        for (std::size_t kind = 0; kind < 5; ++kind) {
            std::vector<std::string> captions;
            std::vector<std::string> targets;
            for (std::size_t n = 1; n <= perKind; ++n) {
                captions.push_back("Item " + std::to_string(n));
                targets.push_back("/home/u/" + std::to_string(n));
            }
            key.writeString(value::itemLists[kind], wholeList(captions));
            // The extension items keep no targets: the four lists after the captions lists
            // belong to Move To, Copy To, Run/Open and Send To.
            if (kind > 0)
                key.writeString(value::itemLists[kind + 4], wholeList(targets));
        }
    });
}

FirstRunSetup programFirstRun() {
    return [](Registry& registry) { setUpFirstRun(registry); };
}

void Model::load(Registry& registry, std::string_view menu) {
    loadMenu(registry, pool, tree, source, LoadMode::Given, menu, {});
}

SettingsFile::SettingsFile() : registry(folder / "HKEY_CLASSES_ROOT.reg") {
    setUpFirstRun(registry);
}

std::string fullMenu(Registry& registry) {
    std::string operations = "\"Operations\"";
    for (int n = 0; n < operationCount; ++n)
        operations += "," + std::to_string(n);
    operations += ",-2";
    auto menuOf = [&operations](int groups) {
        std::string menu = operations;
        for (int g = 1; g <= groups; ++g)
            menu += ",\"Group " + std::to_string(g) + "\",-5,-6,-7,-8,-9,-1,-2";
        return menu + ",-2";
    };

    // The stored form quotes every token, so it is longer than the bare text: the groups are
    // counted on what the writer makes of the loaded tree.
    MemoryRegistry scratch;
    setUpFirstRun(scratch);
    storeItemLists(scratch, 150);
    int groups = 1;
    for (;; ++groups) {
        Model model;
        model.load(scratch, menuOf(groups + 1));
        ItemLists lists;
        if (menuString(model.tree, lists).size() > commaTextLimit)
            break;
    }
    storeItemLists(registry, static_cast<std::size_t>(groups));
    return menuOf(groups);
}

} // namespace quorvane::bench
