// The position-to-chunk lookup the manager runs on the camera every pass,
// over fixed points in the band of shells that hold terrain. Reported in
// nanoseconds per lookup.
#include <benchmark/benchmark.h>

#include <cstddef>

#include "bench/per_item.h"
#include "bench/sample_points.h"
#include "geometry/position_lookup.h"

namespace gravelkin::bench {
namespace {

void BM_ChunkKeyAt(benchmark::State& state) {
    // Unit directions scaled to radii 300 to 540, the generated shells.
    static const SamplePoints positions = [] {
        SamplePoints p = spherePoints(4096);
        for (std::size_t k = 0; k < p.size(); ++k) {
            const float radius = 300.0f + static_cast<float>(k % 241);
            p.x[k] *= radius;
            p.y[k] *= radius;
            p.z[k] *= radius;
        }
        return p;
    }();
    chunkKeyAt(0.0f, 540.0f, 0.0f);  // grow the level table outside the timing
    for (auto _ : state) {
        std::uint32_t sum = 0;
        for (std::size_t k = 0; k < positions.size(); ++k) {
            const ChunkKey key = chunkKeyAt(positions.x[k], positions.y[k], positions.z[k]);
            sum += key.x + key.y + key.shell + key.face;
        }
        benchmark::DoNotOptimize(sum);
    }
    reportTimePer(state, "per_lookup", static_cast<double>(positions.size()));
}

BENCHMARK(BM_ChunkKeyAt);

}  // namespace
}  // namespace gravelkin::bench
