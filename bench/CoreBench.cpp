// Speed of the core on the largest inputs it meets: the menu load and the writer on menus of up
// to 4095 characters, Apply with and without its commit to the settings file, the editing rules
// on the largest trees, menu files and the settings file on keys of up to 100 000 values, and the
// extension's read at every right-click. Prints one table row per scenario, each figure the
// median of repeated runs; `--heading` prints the table's heading first.
#include "bench/Rows.h"
#include "bench/Table.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <map>
#include <vector>

namespace quorvane::bench {

namespace {

struct Results {
    std::vector<Row> rows;
    std::map<std::string, double> medians;
    std::map<std::string, std::string> errors;
};

Results& results() {
    static Results all;
    return all;
}

// Keeps the medians for the table and lets nothing else through: Google Benchmark's own lines
// would break the table.
class MedianCollector : public benchmark::BenchmarkReporter {
public:
    bool ReportContext(const Context&) override { return true; }
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            const std::string& name = run.run_name.function_name;
            if (run.error_occurred)
                results().errors[name] = run.error_message;
            else if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "median")
                results().medians[name] = run.GetAdjustedRealTime(); // every unit is ns
        }
    }
};

void registerBenchmark(const std::string& name, Body body, const Runs& runs) {
    auto* benchmark = benchmark::RegisterBenchmark(name.c_str(), std::move(body));
    benchmark->Unit(benchmark::kNanosecond)
        ->Repetitions(runs.repetitions)
        ->ReportAggregatesOnly(true);
    if (runs.iterations > 0)
        benchmark->Iterations(runs.iterations);
    else
        benchmark->MinTime(runs.minSeconds);
    if (runs.manualTime)
        benchmark->UseManualTime();
}

void printRows() {
    for (const Row& row : results().rows) {
        if (auto error = results().errors.find(row.scenario); error != results().errors.end()) {
            printRow(row.scenario, "-", "failed: " + error->second, "");
            continue;
        }
        const double median = medianOf(row.scenario);
        if (median < 0)
            continue; // filtered out
        printRow(row.scenario, duration(median), row.detail ? row.detail(median) : "",
                 row.target ? row.target(median) : "");
    }
}

} // namespace

void addRow(Row row, Body body, Runs runs) {
    registerBenchmark(row.scenario, std::move(body), runs);
    results().rows.push_back(std::move(row));
}

void addHidden(const std::string& name, Body body, Runs runs) {
    registerBenchmark(name, std::move(body), runs);
}

double medianOf(const std::string& name) {
    const auto found = results().medians.find(name);
    return found == results().medians.end() ? -1 : found->second;
}

Describe under(double limit) {
    return [limit](double median) {
        return "< " + duration(limit) + (median < limit ? ": met" : ": MISSED");
    };
}

std::string perToken(double nanoseconds, std::size_t tokens) {
    return "per token " + duration(nanoseconds / static_cast<double>(tokens));
}

} // namespace quorvane::bench

int main(int argc, char** argv) {
    using namespace quorvane::bench;
    bool heading = false;
    std::vector<char*> args;
    for (int i = 0; i < argc; ++i) {
        if (i > 0 && std::strcmp(argv[i], "--heading") == 0)
            heading = true;
        else
            args.push_back(argv[i]);
    }
    int count = static_cast<int>(args.size());
    benchmark::Initialize(&count, args.data());
    if (benchmark::ReportUnrecognizedArguments(count, args.data()))
        return 1;

    addLoadRows();
    addApplyRows();
    addEditRows();
    addStoreRows();

    MedianCollector collector;
    benchmark::RunSpecifiedBenchmarks(&collector);
    if (heading)
        printHeading();
    printRows();
    // The fixtures live in the registered benchmarks; dropping these removes their folders.
    benchmark::ClearRegisteredBenchmarks();
    benchmark::Shutdown();
    return 0;
}
