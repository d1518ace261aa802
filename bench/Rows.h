// How core_bench turns Google Benchmark runs into rows of the one table: every scenario is a
// benchmark repeated several times, and its row shows the median of the repetitions.
#pragma once

#include <benchmark/benchmark.h>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace quorvane::bench {

using Body = std::function<void(benchmark::State&)>;

// How often a scenario runs: `repetitions` medians over, each repetition running the scenario
// `iterations` times, or as often as fits `minSeconds` when that is 0.
struct Runs {
    int repetitions = 9;
    double minSeconds = 0.02;
    std::int64_t iterations = 0;
    // The body times itself with timed(), so that per-iteration set-up stays out of the figure.
    bool manualTime = false;
};

inline constexpr Runs slowRuns{5, 0, 1, false};

// Both receive the row's own median in nanoseconds and may look up others with medianOf.
using Describe = std::function<std::string(double median)>;

struct Row {
    std::string scenario;
    Describe detail = {};
    Describe target = {};
};

// A benchmark that becomes a row of the table; rows are printed in the order they were added.
void addRow(Row row, Body body, Runs runs = {});
// A benchmark that only feeds other rows' details; it prints no row of its own.
void addHidden(const std::string& name, Body body, Runs runs = {});

// Median in nanoseconds of the benchmark of that name, or a negative number when it did not run.
double medianOf(const std::string& name);

// "< 1 ms: met" or "< 1 ms: MISSED" for a figure that must stay under `limit` nanoseconds.
Describe under(double limit);
std::string perToken(double nanoseconds, std::size_t tokens);

// Times one run of `work` for a benchmark with manualTime.
template <typename Work> void timed(benchmark::State& state, Work&& work) {
    const auto start = std::chrono::steady_clock::now();
    work();
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    state.SetIterationTime(took.count());
}

// A fixture made the first time a benchmark that needs it runs, so that a filtered run builds
// only what it uses, and shared by every row that captures it.
template <typename T> class Lazy {
public:
    explicit Lazy(std::function<std::unique_ptr<T>()> make) : m_make(std::move(make)) {}
    T& get() {
        if (!m_value)
            m_value = m_make();
        return *m_value;
    }

private:
    std::function<std::unique_ptr<T>()> m_make;
    std::unique_ptr<T> m_value;
};

template <typename T, typename Make> std::shared_ptr<Lazy<T>> lazy(Make make) {
    return std::make_shared<Lazy<T>>(std::move(make));
}

// The groups of rows, in the order the table shows them.
void addLoadRows();
void addApplyRows();
void addEditRows();
void addStoreRows();

} // namespace quorvane::bench
