// Apply of the largest menu it stores, split into what comes before the settings file's flush and
// the whole of it with its commit; and menu files saved from and loaded into the settings file.
#include "bench/Fixtures.h"
#include "bench/Rows.h"
#include "bench/Table.h"
#include "menu/MenuWriter.h"
#include "settings/Apply.h"
#include "settings/MenuFile.h"
#include "store/MemoryRegistry.h"

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <system_error>

namespace quorvane::bench {

namespace {

constexpr double oneMillisecond = 1e6;
constexpr double applyBeforeFlush = 0.2e6;

// The full menu loaded from `registry`, which then holds its item lists.
struct FullModel {
    explicit FullModel(Registry& registry) : menu(fullMenu(registry)) {
        model.load(registry, menu);
    }
    std::string menu;
    Model model;

    // Renames the first submenu back and forth, so that every Apply has something to write and
    // the settings file really changes.
    void change(std::int64_t round) {
        model.tree.rename(model.tree.root()->child(0),
                          round % 2 == 0 ? "Operations" : "More operations");
    }
};

// When the last write without flush had its temporary file written: the moment the real save
// would start to flush it.
std::chrono::steady_clock::time_point flushWouldStart;

// The settings file's own write with its flush left out: the same temporary file, then the
// rename, without waiting for the disk. The real save flushes the temporary file and only then
// renames it and flushes the folder; what Apply does before the flush ends where the temporary
// file is written. The old file goes first: renaming a file whose data was never flushed over
// another makes ext4 (auto_da_alloc) start writing that data out inside the rename.
void writeWithoutFlush(const std::filesystem::path& target, std::string_view bytes) {
    const std::filesystem::path temporary = target.string() + ".unflushed";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        if (!out.flush())
            throw std::system_error(errno, std::generic_category(), "write");
    }
    flushWouldStart = std::chrono::steady_clock::now();
    std::filesystem::remove(target);
    std::filesystem::rename(temporary, target);
}

struct FullFile {
    explicit FullFile(HiveRegistry::FileWriter writer = {})
        : registry(folder / "HKEY_CLASSES_ROOT.reg", std::move(writer)) {
        setUpFirstRun(registry);
        full = std::make_unique<FullModel>(registry);
        applyMenu(registry, full->model.tree, full->model.source, silent());
    }
    test::TempFolder folder;
    HiveRegistry registry;
    std::unique_ptr<FullModel> full;
};

struct FullMemory {
    FullMemory() {
        setUpFirstRun(registry);
        full = std::make_unique<FullModel>(registry);
    }
    MemoryRegistry registry;
    std::unique_ptr<FullModel> full;
};

void applyRepeatedly(benchmark::State& state, Registry& registry, FullModel& full) {
    std::int64_t round = 0;
    for (auto _ : state) {
        full.change(++round);
        if (!applyMenu(registry, full.model.tree, full.model.source, silent()))
            state.SkipWithError("Apply refused the full menu");
    }
}

std::string fileSize(const std::filesystem::path& file) {
    std::error_code error;
    const auto bytes = std::filesystem::file_size(file, error);
    return error ? std::string("?") : std::to_string(bytes / 1024) + " KiB";
}

void addApplies() {
    auto memory = lazy<FullMemory>([] { return std::make_unique<FullMemory>(); });
    auto unflushed = lazy<FullFile>([] { return std::make_unique<FullFile>(&writeWithoutFlush); });
    auto file = lazy<FullFile>([] { return std::make_unique<FullFile>(); });

    auto nodes = [memory](double) {
        const FullModel& full = *memory->get().full;
        ItemLists lists;
        return std::to_string(full.model.tree.nodeCount()) + " nodes, stored menu " +
               std::to_string(menuString(full.model.tree, lists).size()) + " characters";
    };
    addRow({"Writer, full menu", nodes, under(oneMillisecond)}, [memory](benchmark::State& state) {
        const MenuTree& tree = memory->get().full->model.tree;
        for (auto _ : state) {
            ItemLists lists;
            benchmark::DoNotOptimize(menuString(tree, lists));
        }
    });
    addRow({"Apply full menu, in memory (no file work)", nodes, under(applyBeforeFlush)},
           [memory](benchmark::State& state) {
               FullMemory& fixture = memory->get();
               applyRepeatedly(state, fixture.registry, *fixture.full);
           });
    addRow(
        {"Apply full menu to the settings file, up to the flush",
         [unflushed](double) {
             return "until the temporary file is written; file " +
                    fileSize(unflushed->get().registry.hiveFile());
         },
         under(applyBeforeFlush)},
        [unflushed](benchmark::State& state) {
            FullFile& fixture = unflushed->get();
            std::int64_t round = 0;
            for (auto _ : state) {
                fixture.full->change(++round);
                const auto start = std::chrono::steady_clock::now();
                if (!applyMenu(fixture.registry, fixture.full->model.tree,
                               fixture.full->model.source, silent()))
                    state.SkipWithError("Apply refused the full menu");
                const std::chrono::duration<double> took = flushWouldStart - start;
                state.SetIterationTime(took.count());
            }
        },
        Runs{9, 0.02, 0, true});
    addRow({"Apply full menu to the settings file",
            [](double median) {
                const double before =
                    medianOf("Apply full menu to the settings file, up to the flush");
                return before < 0 ? std::string()
                                  : "the flush and the rename after it " +
                                        duration(median - before) + " of it";
            }},
           [file](benchmark::State& state) {
               FullFile& fixture = file->get();
               applyRepeatedly(state, fixture.registry, *fixture.full);
           });
}

// A settings file holding `text` as loaded from a menu file, and a second text that changes every
// value it names, so that each load really writes.
struct MenuFileFixture {
    MenuFileFixture(std::string first, std::string second) : texts{first, second} {
        loadMenuFile(file.registry, texts[0]);
    }
    SettingsFile file;
    std::array<std::string, 2> texts;
};

std::string manyValues(int count, char fill) {
    std::string text = std::string(menuFileHeader) + "\r\n#\r\n";
    for (int i = 0; i < count; ++i)
        text += "s:Value" + std::to_string(i) + ":" + std::string(40, fill) + "\r\n";
    return text;
}

std::unique_ptr<MenuFileFixture> fullKeyFiles() {
    // The full key's menu file as the program saves it, and the same with every caption of the
    // item lists changed.
    FullFile full;
    const std::string saved = menuFileText(full.registry);
    std::string changed = saved;
    for (std::size_t at = 0; (at = changed.find("Item ", at)) != std::string::npos; at += 5)
        changed.replace(at, 5, "Elem ");
    return std::make_unique<MenuFileFixture>(saved, changed);
}

void addMenuFiles() {
    struct Case {
        const char* what;
        std::function<std::unique_ptr<MenuFileFixture>()> make;
        Runs runs;
    };
    const Case cases[] = {
        {"full key", fullKeyFiles, {}},
        {"100 000 values",
         [] {
             return std::make_unique<MenuFileFixture>(manyValues(100000, 'x'),
                                                      manyValues(100000, 'y'));
         },
         slowRuns},
    };
    for (const Case& c : cases) {
        auto fixture = lazy<MenuFileFixture>(c.make);
        auto lines = [fixture](double) {
            const std::string& text = fixture->get().texts[0];
            std::size_t values = 0;
            for (std::size_t at = 0; (at = text.find("\n", at)) != std::string::npos; ++at)
                ++values;
            return std::to_string(values - 2) + " values, " + std::to_string(text.size() / 1024) +
                   " KiB";
        };
        addRow(
            {std::string("Menu file save, ") + c.what, lines},
            [fixture](benchmark::State& state) {
                MenuFileFixture& files = fixture->get();
                for (auto _ : state)
                    saveMenuFile(files.file.registry, files.file.folder / "Quorvmenu.drm");
            },
            c.runs);
        addRow(
            {std::string("Menu file load, ") + c.what, lines},
            [fixture](benchmark::State& state) {
                MenuFileFixture& files = fixture->get();
                std::size_t round = 0;
                for (auto _ : state)
                    loadMenuFile(files.file.registry, files.texts[++round % 2]);
            },
            c.runs);
    }
}

} // namespace

void addApplyRows() {
    addApplies();
    addMenuFiles();
}

} // namespace quorvane::bench
