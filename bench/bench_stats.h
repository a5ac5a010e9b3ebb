// Shared by the benchmark programs: timing single calls and reporting their
// spread as Google Benchmark counters (microseconds).
#pragma once
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <vector>

namespace kavobench {

using Clock = std::chrono::steady_clock;

inline double MicrosecondsBetween(Clock::time_point from, Clock::time_point to) {
    return std::chrono::duration<double, std::micro>(to - from).count();
}

// Collected durations of single events, in microseconds.
class Samples {
public:
    void Add(double microseconds) { values_.push_back(microseconds); }
    // One iteration of a manually timed benchmark: its time, kept as a sample too.
    void AddIteration(benchmark::State& state, double microseconds) {
        state.SetIterationTime(microseconds / 1e6);
        Add(microseconds);
    }
    std::size_t Count() const { return values_.size(); }

    double Percentile(double p) {
        if (values_.empty()) return 0;
        std::sort(values_.begin(), values_.end());
        const auto index = static_cast<std::size_t>(p / 100.0 * static_cast<double>(values_.size() - 1) + 0.5);
        return values_[std::min(index, values_.size() - 1)];
    }

    // min, p50, p99 and max as counters named PREFIX_min_us and so on.
    void Report(benchmark::State& state, const std::string& prefix = "") {
        const std::string p = prefix.empty() ? "" : prefix + "_";
        state.counters[p + "min_us"] = Percentile(0);
        state.counters[p + "p50_us"] = Percentile(50);
        state.counters[p + "p99_us"] = Percentile(99);
        state.counters[p + "max_us"] = Percentile(100);
    }

private:
    std::vector<double> values_;
};

}  // namespace kavobench
