// Speed of the parts that see the largest inputs: the comma-text reader, the menu load and the
// writer on menus of up to 4095 characters, nested or flat, the hive file round trip, and the
// settings store and menu files on a key of up to 100 000 values.
#include "extension/ExtensionMenu.h"
#include "menu/CommaText.h"
#include "menu/MenuWriter.h"
#include "platform/HiveFile.h"
#include "platform/HiveRegistry.h"
#include "settings/FirstRun.h"
#include "settings/KeyPath.h"
#include "settings/MenuFile.h"
#include "settings/MenuLoad.h"
#include "settings/Messages.h"
#include "support/MemoryRegistry.h"
#include "support/TestFiles.h"

#include <benchmark/benchmark.h>
#include <filesystem>

namespace quorvane {
namespace {

// n submenus, each inside the one before: the deepest nesting a menu string can hold.
std::string nestedMenu(int n) {
    std::string text;
    for (int i = 0; i < n; ++i)
        text += "a,";
    return text + "16";
}

std::string flatMenu(int n) {
    std::string text;
    for (int i = 0; i < n; ++i)
        text += "-1,";
    return text + "-2";
}

void splitting(benchmark::State& state) {
    const std::string text = flatMenu(static_cast<int>(state.range(0)));
    for (auto _ : state)
        benchmark::DoNotOptimize(splitCommaText(text));
    state.SetComplexityN(state.range(0));
}
BENCHMARK(splitting)->RangeMultiplier(4)->Range(16, 1024)->Complexity();

template <std::string (*build)(int)> void loading(benchmark::State& state) {
    test::MemoryRegistry registry;
    registry.setString(settingsKeyPath(), "ItemsAvailable", "21");
    const std::string menu = build(static_cast<int>(state.range(0)));
    RecordPool pool;
    MenuTree tree(pool.rootRecord());
    TreeSource source;
    for (auto _ : state)
        Load(registry, pool, tree, source, LoadMode::Given, menu, {});
    state.SetComplexityN(state.range(0));
}
BENCHMARK(loading<nestedMenu>)->RangeMultiplier(4)->Range(16, 2040)->Complexity();
BENCHMARK(loading<flatMenu>)->RangeMultiplier(4)->Range(16, 1360)->Complexity();

void writing(benchmark::State& state) {
    test::MemoryRegistry registry;
    registry.setString(settingsKeyPath(), "ItemsAvailable", "21");
    RecordPool pool;
    MenuTree tree(pool.rootRecord());
    TreeSource source;
    Load(registry, pool, tree, source, LoadMode::Given,
         nestedMenu(static_cast<int>(state.range(0))), {});
    for (auto _ : state) {
        ItemLists lists;
        benchmark::DoNotOptimize(menuString(tree, lists));
    }
    state.SetComplexityN(state.range(0));
}
BENCHMARK(writing)->RangeMultiplier(4)->Range(16, 2040)->Complexity();

void hiveRoundTrip(benchmark::State& state) {
    std::string text = "REGEDIT4\r\n\r\n[HKEY_CLASSES_ROOT\\QuorvaneShellExt\\Settings]\r\n";
    for (int i = 0; i < state.range(0); ++i)
        text += "\"Value" + std::to_string(i) + "\"=\"" + std::string(40, 'x') + "\"\r\n";
    for (auto _ : state)
        benchmark::DoNotOptimize(Hive::parse(text, "bench").serialize());
    state.SetComplexityN(state.range(0));
}
BENCHMARK(hiveRoundTrip)->RangeMultiplier(4)->Range(16, 4096)->Complexity();

// The store must stay linear in the number of values of a key: each size below is ten times the
// one before, so the times should be too.
void writeManyValues(RegistryKey& key, std::int64_t count, int round) {
    for (std::int64_t i = 0; i < count; ++i)
        key.setValue("Value" + std::to_string(i), regtype::sz,
                     std::to_string(round) + std::string(40, 'x'));
}

// The part of a commit that runs under the lock: re-read, apply, write, flush, rename.
void hiveCommit(benchmark::State& state) {
    test::TempFolder folder;
    HiveRegistry registry(folder / "HKEY_CLASSES_ROOT.reg");
    int round = 0;
    for (auto _ : state) {
        state.PauseTiming();
        auto key = registry.openKey("QuorvaneShellExt\\Many");
        writeManyValues(*key, state.range(0), ++round);
        state.ResumeTiming();
        key->commit();
    }
    state.SetComplexityN(state.range(0));
}
BENCHMARK(hiveCommit)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->Complexity();

// Opening, writing every value and committing, as a program that saves a large key does.
void hiveWriteAndCommit(benchmark::State& state) {
    test::TempFolder folder;
    HiveRegistry registry(folder / "HKEY_CLASSES_ROOT.reg");
    int round = 0;
    for (auto _ : state) {
        auto key = registry.openKey("QuorvaneShellExt\\Many");
        writeManyValues(*key, state.range(0), ++round);
        key->commit();
    }
    state.SetComplexityN(state.range(0));
}
BENCHMARK(hiveWriteAndCommit)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->Complexity();

void hiveOpenAndReadAll(benchmark::State& state) {
    test::TempFolder folder;
    HiveRegistry registry(folder / "HKEY_CLASSES_ROOT.reg");
    {
        auto key = registry.openKey("QuorvaneShellExt\\Many");
        writeManyValues(*key, state.range(0), 0);
        key->commit();
    }
    for (auto _ : state) {
        auto key = registry.openKey("QuorvaneShellExt\\Many");
        std::size_t bytes = 0;
        for (const std::string& name : key->valueNames())
            bytes += key->value(name)->data.size();
        benchmark::DoNotOptimize(bytes);
    }
    state.SetComplexityN(state.range(0));
}
BENCHMARK(hiveOpenAndReadAll)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->Complexity();

// A menu file of n values loaded into the settings file and saved from it again, through the
// real store in a scratch folder: the time per value shows whether either grows faster than the
// number of values.
std::string menuFileOf(int n) {
    std::string text = "# This is a menu-file for Quorvane\r\n#\r\n";
    for (int i = 0; i < n; ++i)
        text += "s:Value" + std::to_string(i) + ":" + std::string(40, 'x') + "\r\n";
    return text;
}

void menuFileLoad(benchmark::State& state) {
    const std::string text = menuFileOf(static_cast<int>(state.range(0)));
    test::TempFolder folder;
    for (auto _ : state) {
        state.PauseTiming();
        std::filesystem::remove(folder / "HKEY_CLASSES_ROOT.reg");
        HiveRegistry registry(folder / "HKEY_CLASSES_ROOT.reg");
        state.ResumeTiming();
        loadMenuFile(registry, text);
    }
    state.SetComplexityN(state.range(0));
}
BENCHMARK(menuFileLoad)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->Complexity();

void menuFileSave(benchmark::State& state) {
    test::TempFolder folder;
    HiveRegistry registry(folder / "HKEY_CLASSES_ROOT.reg");
    loadMenuFile(registry, menuFileOf(static_cast<int>(state.range(0))));
    for (auto _ : state)
        saveMenuFile(registry, folder / "Quorvmenu.drm");
    state.SetComplexityN(state.range(0));
}
BENCHMARK(menuFileSave)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->Complexity();

// What the extension does at every right-click: read the settings file as first run leaves it
// and build the default menu from it. Meant to stay well under a millisecond.
void extensionMenuRead(benchmark::State& state) {
    test::TempFolder folder;
    HiveRegistry registry(folder / "HKEY_CLASSES_ROOT.reg");
    Installer installer = Installer::host();
    installer.run = [](std::string_view, int) { return 0; };
    struct Quiet : Messages {
        void message(std::string_view) override {}
        void installedNotice() override {}
    } quiet;
    runFirstRunSetup(registry, installer, quiet);
    for (auto _ : state) {
        const ext::ExtensionMenu menu = ext::readExtensionMenu(registry);
        if (!menu.problem.empty() || menu.menu.entries.empty())
            state.SkipWithError("the default menu did not read");
        benchmark::DoNotOptimize(menu);
    }
}
BENCHMARK(extensionMenuRead)->Unit(benchmark::kMicrosecond);

} // namespace
} // namespace quorvane

BENCHMARK_MAIN();
