// The noise family: one sample at a time through the scalar functions (the
// reference every faster path must match bit for bit), and whole arrays
// through the SIMD batch forms on the best instruction set of the CPU.
// Reported as time per sample.
#include <benchmark/benchmark.h>

#include <cstddef>
#include <vector>

#include "bench/per_item.h"
#include "bench/sample_points.h"
#include "noise/noise.h"
#include "noise/noise_batch.h"

namespace gravelkin::bench {
namespace {

constexpr std::size_t sampleCount = 4096;

// Coordinates already scaled by a layer frequency, as the terrain passes them
// (radius 400 times 0.004 to 0.02, and twice that for fractal octaves).
const SamplePoints& points() {
    static const SamplePoints p = cubePoints(sampleCount, 12.0f);
    return p;
}

// The Earth relief layer's fractal settings: 3 octaves, lacunarity 2.
NoiseLayer fractalLayer() {
    NoiseLayer layer;
    layer.gain = 0.4f;
    return layer;
}

template <typename Sample>
void runScalar(benchmark::State& state, Sample sample) {
    const SamplePoints& p = points();
    for (auto _ : state) {
        float sum = 0.0f;
        for (std::size_t k = 0; k < p.size(); ++k) sum += sample(p.x[k], p.y[k], p.z[k]);
        benchmark::DoNotOptimize(sum);
    }
    reportTimePer(state, "per_sample", static_cast<double>(p.size()));
}

void BM_SimplexNoise3(benchmark::State& state) {
    runScalar(state, [](float x, float y, float z) { return simplexNoise3(1337, x, y, z); });
}

void BM_GradientNoise3(benchmark::State& state) {
    const NoiseLayer layer;
    runScalar(state, [&](float x, float y, float z) { return gradientNoise3(layer, 1337, x, y, z); });
}

void BM_ValueNoise3(benchmark::State& state) {
    const NoiseLayer layer;
    runScalar(state, [&](float x, float y, float z) { return valueNoise3(layer, 1337, x, y, z); });
}

void BM_FractalSum(benchmark::State& state) {
    const NoiseLayer layer = fractalLayer();
    runScalar(state, [&](float x, float y, float z) { return fractalSum(layer, x, y, z); });
}

void BM_FractalBillow(benchmark::State& state) {
    const NoiseLayer layer = fractalLayer();
    runScalar(state, [&](float x, float y, float z) { return fractalBillow(layer, x, y, z); });
}

void BM_FractalRidge(benchmark::State& state) {
    const NoiseLayer layer = fractalLayer();
    runScalar(state, [&](float x, float y, float z) { return fractalRidge(layer, x, y, z); });
}

// The biome warp: unit directions, Earth's first octave settings.
void BM_GradientPerturb(benchmark::State& state) {
    static const SamplePoints directions = spherePoints(sampleCount);
    for (auto _ : state) {
        float sum = 0.0f;
        for (std::size_t k = 0; k < directions.size(); ++k) {
            float x = directions.x[k];
            float y = directions.y[k];
            float z = directions.z[k];
            gradientPerturb(x, y, z, 6.0f, 0.15f);
            sum += (x + y) + z;
        }
        benchmark::DoNotOptimize(sum);
    }
    reportTimePer(state, "per_sample", static_cast<double>(directions.size()));
}

// The batch forms, over the same points.
template <typename Batch>
void runBatch(benchmark::State& state, Batch batch) {
    const SamplePoints& p = points();
    std::vector<float> out(p.size());
    for (auto _ : state) {
        batch(p.x.data(), p.y.data(), p.z.data(), out.data(), p.size());
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    reportTimePer(state, "per_sample", static_cast<double>(p.size()));
}

void BM_SimplexNoise3Batch(benchmark::State& state) {
    runBatch(state, [](auto... a) { simplexNoise3Batch(1337, a...); });
}

void BM_GradientNoise3Batch(benchmark::State& state) {
    const NoiseLayer layer;
    runBatch(state, [&](auto... a) { gradientNoise3Batch(layer, 1337, a...); });
}

void BM_ValueNoise3Batch(benchmark::State& state) {
    const NoiseLayer layer;
    runBatch(state, [&](auto... a) { valueNoise3Batch(layer, 1337, a...); });
}

void BM_FractalSumBatch(benchmark::State& state) {
    const NoiseLayer layer = fractalLayer();
    runBatch(state, [&](auto... a) { fractalSumBatch(layer, a...); });
}

void BM_FractalBillowBatch(benchmark::State& state) {
    const NoiseLayer layer = fractalLayer();
    runBatch(state, [&](auto... a) { fractalBillowBatch(layer, a...); });
}

void BM_FractalRidgeBatch(benchmark::State& state) {
    const NoiseLayer layer = fractalLayer();
    runBatch(state, [&](auto... a) { fractalRidgeBatch(layer, a...); });
}

void BM_GradientPerturbBatch(benchmark::State& state) {
    static const SamplePoints directions = spherePoints(sampleCount);
    SamplePoints moved = directions;
    for (auto _ : state) {
        moved = directions;
        gradientPerturbBatch(moved.x.data(), moved.y.data(), moved.z.data(), moved.size(), 6.0f, 0.15f);
        benchmark::DoNotOptimize(moved.x.data());
        benchmark::ClobberMemory();
    }
    reportTimePer(state, "per_sample", static_cast<double>(directions.size()));
}

BENCHMARK(BM_SimplexNoise3);
BENCHMARK(BM_GradientNoise3);
BENCHMARK(BM_ValueNoise3);
BENCHMARK(BM_FractalSum);
BENCHMARK(BM_FractalBillow);
BENCHMARK(BM_FractalRidge);
BENCHMARK(BM_GradientPerturb);
BENCHMARK(BM_SimplexNoise3Batch);
BENCHMARK(BM_GradientNoise3Batch);
BENCHMARK(BM_ValueNoise3Batch);
BENCHMARK(BM_FractalSumBatch);
BENCHMARK(BM_FractalBillowBatch);
BENCHMARK(BM_FractalRidgeBatch);
BENCHMARK(BM_GradientPerturbBatch);

}  // namespace
}  // namespace gravelkin::bench
