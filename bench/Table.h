// The one table `make bench` prints: every benchmark program writes its rows in this form, and
// the Makefile prints the heading once above them all.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

namespace quorvane::bench {

// "812 ns", "3.41 us", "12.0 ms": three significant figures in the unit that keeps them readable.
inline std::string duration(double nanoseconds) {
    const char* unit = "ns";
    double value = nanoseconds;
    if (value >= 1e6) {
        value /= 1e6;
        unit = "ms";
    } else if (value >= 1e3) {
        value /= 1e3;
        unit = "us";
    }
    char text[32];
    std::snprintf(text, sizeof text,
                  value >= 100  ? "%.0f %s"
                  : value >= 10 ? "%.1f %s"
                                : "%.2f %s",
                  value, unit);
    return text;
}

inline void printHeading() {
    std::printf("| Scenario | Median | Detail | Target |\n|---|---:|---|---|\n");
}

// target: what the figure must stay under, and whether it does, e.g. "< 1 ms: met"; empty where
// the row only shows a cost.
inline void printRow(std::string_view scenario, std::string_view median, std::string_view detail,
                     std::string_view target = {}) {
    std::printf("| %.*s | %.*s | %.*s | %.*s |\n", int(scenario.size()), scenario.data(),
                int(median.size()), median.data(), int(detail.size()), detail.data(),
                int(target.size()), target.data());
    std::fflush(stdout);
}

} // namespace quorvane::bench
