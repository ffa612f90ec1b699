// Reports a benchmark's time per unit of work (sample, voxel, face, chunk) as
// a counter, next to Google Benchmark's own time per iteration.
#pragma once

#include <benchmark/benchmark.h>

namespace gravelkin::bench {

// Adds counter `name` = CPU seconds per item, given the items one iteration
// processes; the console shows it with a unit prefix (e.g. "20.5ns"), JSON
// output in seconds. Call after the timing loop.
inline void reportTimePer(benchmark::State& state, const char* name, double itemsPerIteration) {
    // A rate counter is value * iterations / seconds; inverted, it is seconds
    // per item.
    state.counters[name] = benchmark::Counter(
        itemsPerIteration, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

}  // namespace gravelkin::bench
