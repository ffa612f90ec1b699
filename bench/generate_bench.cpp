// Terrain generation over the fixed set of surface chunks: the fast path
// (generate), on the best instruction set and on each one
// the CPU offers, and the scalar reference it must match
// (generateReference), as time per generated voxel; the bounding of pieces
// and the sparse generation that the factories use after it; and the scalar biome
// lookup on its own, per column.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "bench/per_item.h"
#include "bench/sample_points.h"
#include "bench/surface_chunks.h"
#include "factory/chunk.h"
#include "geometry/column_direction_cache.h"
#include "noise/simd_targets.h"

namespace gravelkin::bench {
namespace {

struct GenerationSet {
    std::vector<std::unique_ptr<Chunk>> chunks;
    std::uint64_t voxels = 0;
};

// One chunk record per surface key, reused by every iteration: generate
// writes every used voxel and the fill state, so only the fill state needs
// resetting.
GenerationSet& generationSet() {
    static GenerationSet set = [] {
        GenerationSet s;
        for (const ChunkKey& key : surfaceChunkKeys()) {
            s.chunks.push_back(std::make_unique<Chunk>(key));
            s.voxels += generatedVoxels(key.shell);
        }
        return s;
    }();
    return set;
}

template <typename Generate>
void runGeneration(benchmark::State& state, Generate generate) {
    GenerationSet& set = generationSet();
    ColumnDirectionCache cache;
    for (auto _ : state) {
        for (const std::unique_ptr<Chunk>& chunk : set.chunks) {
            resetForChunk(cache, chunk->key);
            cache.columnOffset = 0.5f;
            chunk->fillState = ChunkFillState::Unknown;
            generate(*chunk, cache);
            benchmark::DoNotOptimize(chunk->fillState);
        }
    }
    state.counters["chunks"] = static_cast<double>(set.chunks.size());
    reportTimePer(state, "per_voxel", static_cast<double>(set.voxels));
    reportTimePer(state, "per_chunk", static_cast<double>(set.chunks.size()));
}

void BM_GenerateReference(benchmark::State& state) {
    const TerrainGeneratorEarth& earth = benchEarth();
    runGeneration(state, [&](Chunk& chunk, ColumnDirectionCache& cache) { chunk.fillState = earth.generateReference(chunk.key, chunk.writableVoxels(), cache); });
}

void BM_Generate(benchmark::State& state) {
    const TerrainGeneratorEarth& earth = benchEarth();
    runGeneration(state, [&](Chunk& chunk, ColumnDirectionCache& cache) { chunk.fillState = earth.generate(chunk.key, chunk.writableVoxels(), cache); });
}

// What the factories pay for a surface chunk: its pieces bounded, then only
// the undecided ones sampled.
void BM_ClassifyThenGenerateSparse(benchmark::State& state) {
    const TerrainGeneratorEarth& earth = benchEarth();
    runGeneration(state, [&](Chunk& chunk, ColumnDirectionCache& cache) {
        ChunkPieces pieces;
        earth.classifyPieces(chunk.key, cache, pieces);
        resetForChunk(cache, chunk.key);
        chunk.fillState = earth.generateSparse(chunk.key, chunk.writableVoxels(), cache, pieces);
    });
}

// The bounding alone.
void BM_ClassifyPieces(benchmark::State& state) {
    const TerrainGeneratorEarth& earth = benchEarth();
    runGeneration(state, [&](Chunk& chunk, ColumnDirectionCache& cache) {
        ChunkPieces pieces;
        chunk.fillState = earth.classifyPieces(chunk.key, cache, pieces);
    });
}

// The biome of one column direction through the scalar lookup: two
// perturbation octaves and a scan of every biome point.
void BM_BiomeAt(benchmark::State& state) {
    static const SamplePoints directions = spherePoints(1024);
    const TerrainGeneratorEarth& earth = benchEarth();
    for (auto _ : state) {
        std::int32_t sum = 0;
        for (std::size_t k = 0; k < directions.size(); ++k) {
            sum += earth.biomeAt(Vec4{directions.x[k], directions.y[k], directions.z[k], 0.0f});
        }
        benchmark::DoNotOptimize(sum);
    }
    state.counters["points"] = static_cast<double>(earth.biomePoints.size());
    reportTimePer(state, "per_column", static_cast<double>(directions.size()));
}

BENCHMARK(BM_GenerateReference)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Generate)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ClassifyThenGenerateSparse)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ClassifyPieces)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BiomeAt);

// The fast path pinned to each instruction set the CPU offers, as
// BM_GenerateOn/<name>: what a CPU without AVX-512 (or without AVX2) gets.
const bool registeredPerTarget = [] {
    for (const SimdTarget& target : availableSimdTargets()) {
        benchmark::RegisterBenchmark(("BM_GenerateOn/" + target.name).c_str(), [target](benchmark::State& state) {
            const ScopedSimdTarget pinned(target);
            BM_Generate(state);
        })->Unit(benchmark::kMillisecond);
    }
    return true;
}();

}  // namespace
}  // namespace gravelkin::bench
