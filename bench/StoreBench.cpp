// The settings file on keys of many values, which must stay linear in their number, and the
// extension's read of the menu at every right-click.
#include "bench/Fixtures.h"
#include "bench/Rows.h"
#include "bench/Table.h"
#include "extension/ExtensionMenu.h"
#include "store/HiveFile.h"

#include <memory>

namespace quorvane::bench {

namespace {

constexpr const char* manyKey = "QuorvaneShellExt\\Many";

void writeManyValues(RegistryKey& key, std::int64_t count, std::int64_t round) {
    for (std::int64_t i = 0; i < count; ++i)
        key.setValue("Value" + std::to_string(i), regtype::sz,
                     std::to_string(round) + std::string(40, 'x'));
}

struct HiveFixture {
    test::TempFolder folder;
    HiveRegistry registry{folder / "HKEY_CLASSES_ROOT.reg"};
};

std::string label(std::int64_t count) {
    return count == 100000 ? "100 000 values" : "10 000 values";
}

// Each size is ten times the one before, so the larger row should take ten times as long.
Describe perValue(std::int64_t count) {
    return [count](double median) {
        return "per value " + duration(median / static_cast<double>(count));
    };
}

void addHiveRows() {
    const std::int64_t roundTripValues = 4096;
    addRow({"Settings file text parsed and written, 4096 values", perValue(roundTripValues)},
           [roundTripValues](benchmark::State& state) {
               std::string text =
                   "REGEDIT4\r\n\r\n[HKEY_CLASSES_ROOT\\QuorvaneShellExt\\Settings]\r\n";
               for (std::int64_t i = 0; i < roundTripValues; ++i)
                   text +=
                       "\"Value" + std::to_string(i) + "\"=\"" + std::string(40, 'x') + "\"\r\n";
               for (auto _ : state)
                   benchmark::DoNotOptimize(Hive::parse(text, "bench").serialize());
           });

    for (const std::int64_t count : {std::int64_t{10000}, std::int64_t{100000}}) {
        // Under the lock: re-read, apply, write, flush, rename.
        addRow({"Settings file commit, " + label(count), perValue(count)},
               [count](benchmark::State& state) {
                   HiveFixture hive;
                   std::int64_t round = 0;
                   for (auto _ : state) {
                       auto key = hive.registry.openKey(manyKey);
                       writeManyValues(*key, count, ++round);
                       timed(state, [&] { key->commit(); });
                   }
               },
               {.repetitions = 5, .minSeconds = 0, .iterations = 1, .manualTime = true});
        addRow(
            {"Settings file opened, written, committed, " + label(count), perValue(count)},
            [count](benchmark::State& state) {
                HiveFixture hive;
                std::int64_t round = 0;
                for (auto _ : state) {
                    auto key = hive.registry.openKey(manyKey);
                    writeManyValues(*key, count, ++round);
                    key->commit();
                }
            },
            slowRuns);
        addRow(
            {"Settings file opened and read, " + label(count), perValue(count)},
            [count](benchmark::State& state) {
                HiveFixture hive;
                {
                    auto key = hive.registry.openKey(manyKey);
                    writeManyValues(*key, count, 0);
                    key->commit();
                }
                for (auto _ : state) {
                    auto key = hive.registry.openKey(manyKey);
                    std::size_t bytes = 0;
                    for (const std::string& name : key->valueNames())
                        bytes += key->value(name)->data.size();
                    benchmark::DoNotOptimize(bytes);
                }
            },
            slowRuns);
    }
}

// What the extension does at every right-click: read the settings file as first run leaves it
// and build the default menu from it.
void addExtensionRow() {
    auto file = lazy<SettingsFile>([] { return std::make_unique<SettingsFile>(); });
    addRow({"Extension menu read, first-run settings file",
            [file](double) {
                return std::to_string(
                           ext::readExtensionMenu(file->get().registry).menu.entries.size()) +
                       " top-level entries";
            },
            under(1e6)},
           [file](benchmark::State& state) {
               Registry& registry = file->get().registry;
               for (auto _ : state) {
                   const ext::ExtensionMenu menu = ext::readExtensionMenu(registry);
                   if (!menu.problem.empty() || menu.menu.entries.empty())
                       state.SkipWithError("the default menu did not read");
                   benchmark::DoNotOptimize(menu);
               }
           });
}

} // namespace

void addStoreRows() {
    addExtensionRow();
    addHiveRows();
}

} // namespace quorvane::bench
