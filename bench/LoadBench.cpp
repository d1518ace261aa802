// The menu load in both its modes and the writer: the preset menus and menus at the length limit
// on a settings file, as the window loads them, and the growth of both with the menu's length.
#include "bench/Fixtures.h"
#include "bench/Rows.h"
#include "bench/Table.h"
#include "menu/MenuWriter.h"
#include "settings/Apply.h"
#include "settings/Presets.h"
#include "settings/Schema.h"
#include "settings/SettingsKey.h"
#include "store/MemoryRegistry.h"

#include <algorithm>
#include <array>
#include <memory>
#include <stdexcept>

namespace quorvane::bench {

namespace {

constexpr double oneMillisecond = 1e6;

struct Shape {
    const char* name;
    std::string (*build)(std::size_t length);
};
constexpr std::array<Shape, 3> shapes{{
    {"flat", &flatMenu},
    {"nested", &nestedMenu},
    {"item", &itemMenu},
}};

// Every load adds records to the model's pool for good, as it does in the window; a fresh model
// now and then keeps a long run from filling the memory. Each timed load replaces a tree of the
// same size, as a reload does, and the model goes away outside the timing.
void loadRepeatedly(benchmark::State& state, Registry& registry, LoadMode mode,
                    const std::string& menu, const FirstRunSetup& firstRun, std::size_t& nodes) {
    std::unique_ptr<Model> model;
    int loads = 0;
    auto load = [&] {
        loadMenu(registry, model->pool, model->tree, model->source, mode, menu, firstRun);
    };
    for (auto _ : state) {
        if (loads++ % 64 == 0) {
            model = std::make_unique<Model>();
            load();
        }
        timed(state, load);
    }
    nodes = static_cast<std::size_t>(model->tree.nodeCount());
}

std::string counts(std::size_t tokens, std::size_t nodes) {
    return std::to_string(tokens) + " tokens, " + std::to_string(nodes) + " nodes";
}

// A settings file whose stored menu is `menu` as Apply leaves it, with the item lists the menu
// needs.
struct StoredMenuFile {
    explicit StoredMenuFile(const std::string& menu) {
        storeItemLists(file.registry, itemsPerKind(menu));
        storeAsApplied(menu);
    }
    explicit StoredMenuFile(std::string (*preset)(Registry&)) {
        given = preset(file.registry);
        storeAsApplied(given);
    }

    void storeAsApplied(const std::string& menu) {
        Model model;
        model.load(file.registry, menu);
        // Apply refuses a menu whose stored form outgrows the limit; the text is then stored as
        // it stands, as a menu file or another program may leave it.
        if (!applyMenu(file.registry, model.tree, model.source, silent()))
            updateSettings(file.registry,
                           [&menu](SettingsKey& key) { key.writeString(value::theMenu, menu); });
        if (given.empty())
            given = menu;
    }

    SettingsFile file;
    std::string given;
};

void addFileLoads(const std::string& what, std::shared_ptr<Lazy<StoredMenuFile>> stored,
                  const std::string& buildName = {}) {
    struct Counts {
        std::size_t tokens = 0;
        std::size_t nodes = 0;
    };
    for (LoadMode mode : {LoadMode::Stored, LoadMode::Given}) {
        auto seen = std::make_shared<Counts>();
        const bool given = mode == LoadMode::Given;
        Describe detail = [seen, given, buildName](double) {
            std::string text = counts(seen->tokens, seen->nodes);
            if (const double build = given ? medianOf(buildName) : -1; build >= 0)
                text += "; building the string takes " + duration(build) + " more";
            return text;
        };
        addRow({"Load " + what + (given ? " (given)" : " (stored)"), detail, under(oneMillisecond)},
               [stored, mode, seen](benchmark::State& state) {
                   StoredMenuFile& fixture = stored->get();
                   seen->tokens = tokenCount(fixture.given);
                   loadRepeatedly(state, fixture.file.registry, mode,
                                  mode == LoadMode::Given ? fixture.given : std::string(),
                                  programFirstRun(), seen->nodes);
               },
               {.manualTime = true});
    }
}

void addPresetLoads() {
    struct Preset {
        const char* name;
        std::string (*build)(Registry&);
    };
    for (const Preset preset : {Preset{"Default", &defaultMenu}, Preset{"Compact", &compactMenu},
                                Preset{"All", &allMenu}}) {
        auto stored = lazy<StoredMenuFile>(
            [preset] { return std::make_unique<StoredMenuFile>(preset.build); });
        // The window builds the preset's string before the load: the item lists it ensures are
        // read, and written when empty, through the settings file.
        const std::string buildName = std::string(preset.name) + " preset string";
        addHidden(buildName, [stored, preset](benchmark::State& state) {
            Registry& registry = stored->get().file.registry;
            for (auto _ : state)
                benchmark::DoNotOptimize(preset.build(registry));
        });
        addFileLoads(std::string(preset.name) + " preset", stored, buildName);
    }
}

void addLimitLoads() {
    for (const Shape& shape : shapes) {
        auto stored = lazy<StoredMenuFile>(
            [shape] { return std::make_unique<StoredMenuFile>(shape.build(commaTextLimit)); });
        addFileLoads(std::string(shape.name) + " menu at limit", stored);
    }
}

constexpr std::array<std::pair<const char*, std::size_t>, 4> fractions{{
    {"1/8", 8},
    {"1/4", 4},
    {"1/2", 2},
    {"all", 1},
}};

// A first-run key in memory with the item lists one menu needs: the growth rows show the load's
// own cost, without the settings file's.
struct MemoryMenu {
    explicit MemoryMenu(std::string text) : menu(std::move(text)) {
        setUpFirstRun(registry);
        if (const std::size_t perKind = itemsPerKind(menu))
            storeItemLists(registry, perKind);
        model.load(registry, menu);
    }
    MemoryRegistry registry;
    std::string menu;
    Model model;
};

std::string growthName(const char* part, const Shape& shape, const char* fraction) {
    return std::string(part) + ", " + shape.name + " menu " + fraction + " of limit";
}

// Per-token cost that grows with the length gives a loop that is not linear away: the largest
// row names the spread across all four.
Describe growthTarget(const char* part, const Shape& shape,
                      std::shared_ptr<std::array<std::size_t, 4>> tokens) {
    return [part, shape, tokens](double median) {
        double least = 0;
        double most = 0;
        for (std::size_t i = 0; i < fractions.size(); ++i) {
            const double each =
                medianOf(growthName(part, shape, fractions[i].first)) / double((*tokens)[i]);
            least = i == 0 ? each : std::min(least, each);
            most = std::max(most, each);
        }
        char spread[64];
        std::snprintf(spread, sizeof spread, "; per token within 2x: %s (%.2fx)",
                      most < 2 * least ? "met" : "MISSED", most / least);
        return under(oneMillisecond)(median) + spread;
    };
}

void addGrowth(const char* part, bool load) {
    for (const Shape& shape : shapes) {
        auto tokens = std::make_shared<std::array<std::size_t, 4>>();
        for (std::size_t i = 0; i < fractions.size(); ++i) {
            const auto [fraction, divisor] = fractions[i];
            const std::string menu = shape.build(commaTextLimit / divisor);
            (*tokens)[i] = tokenCount(menu);
            auto fixture = lazy<MemoryMenu>([menu] { return std::make_unique<MemoryMenu>(menu); });
            const std::size_t count = (*tokens)[i];
            Describe detail = [count](double median) {
                return std::to_string(count) + " tokens, " + perToken(median, count);
            };
            Describe target = i + 1 == fractions.size() ? growthTarget(part, shape, tokens)
                                                        : under(oneMillisecond);
            if (load) {
                addRow({growthName(part, shape, fraction), detail, target},
                       [fixture](benchmark::State& state) {
                           MemoryMenu& memory = fixture->get();
                           std::size_t nodes = 0;
                           loadRepeatedly(state, memory.registry, LoadMode::Given, memory.menu, {},
                                          nodes);
                       },
                       {.manualTime = true});
            } else {
                addRow({growthName(part, shape, fraction), detail, target},
                       [fixture](benchmark::State& state) {
                           const MenuTree& tree = fixture->get().model.tree;
                           for (auto _ : state) {
                               ItemLists lists;
                               benchmark::DoNotOptimize(menuString(tree, lists));
                           }
                       });
            }
        }
    }
}

} // namespace

void addLoadRows() {
    addPresetLoads();
    addLimitLoads();
    addGrowth("Load", true);
    addGrowth("Writer", false);
}

} // namespace quorvane::bench
