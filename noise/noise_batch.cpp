// The array forms of the noise functions: one kernel per function and SIMD
// target, chosen at run time by Highway's dynamic dispatch.
#include "noise/noise_batch.h"

#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "noise/noise_batch.cpp"
#include "hwy/foreach_target.h"  // IWYU pragma: keep

#include "hwy/highway.h"
#include "noise/noise_cell-inl.h"
#include "noise/noise_fractal-inl.h"
#include "noise/noise_perturb-inl.h"
#include "noise/noise_simplex-inl.h"
#include "noise/simd_batch-inl.h"

HWY_BEFORE_NAMESPACE();
namespace gravelkin {
namespace HWY_NAMESPACE {

namespace {

// out[k] = sample(x[k], y[k], z[k]) one vector at a time.
template <class Sample>
HWY_INLINE void MapPoints(const float* x, const float* y, const float* z, float* out, std::size_t count,
                          Sample sample) {
    const hn::ScalableTag<float> df;
    ForEachVector(df, count, [&](std::size_t k, std::size_t valid) {
        const auto v = sample(df, LoadPart(df, x + k, valid), LoadPart(df, y + k, valid), LoadPart(df, z + k, valid));
        StorePart(v, df, out + k, valid);
    });
}

}  // namespace

void SimplexNoise3Batch(std::int32_t seed, const float* x, const float* y, const float* z, float* out,
                        std::size_t count) {
    MapPoints(x, y, z, out, count,
              [&](auto df, auto vx, auto vy, auto vz) { return SimplexNoise3(df, seed, vx, vy, vz); });
}

void GradientNoise3Batch(const NoiseLayer& layer, std::int32_t seed, const float* x, const float* y, const float* z,
                         float* out, std::size_t count) {
    MapPoints(x, y, z, out, count, [&](auto df, auto vx, auto vy, auto vz) {
        return GradientNoise3(df, seed, layer.interpolation, vx, vy, vz);
    });
}

void ValueNoise3Batch(const NoiseLayer& layer, std::int32_t seed, const float* x, const float* y, const float* z,
                      float* out, std::size_t count) {
    MapPoints(x, y, z, out, count, [&](auto df, auto vx, auto vy, auto vz) {
        return ValueNoise3(df, seed, layer.interpolation, vx, vy, vz);
    });
}

void FractalSumBatch(const NoiseLayer& layer, const float* x, const float* y, const float* z, float* out,
                     std::size_t count) {
    MapPoints(x, y, z, out, count,
              [&](auto df, auto vx, auto vy, auto vz) { return FractalSumOrBillow(df, layer, false, vx, vy, vz); });
}

void FractalBillowBatch(const NoiseLayer& layer, const float* x, const float* y, const float* z, float* out,
                        std::size_t count) {
    MapPoints(x, y, z, out, count,
              [&](auto df, auto vx, auto vy, auto vz) { return FractalSumOrBillow(df, layer, true, vx, vy, vz); });
}

void FractalRidgeBatch(const NoiseLayer& layer, const float* x, const float* y, const float* z, float* out,
                       std::size_t count) {
    MapPoints(x, y, z, out, count,
              [&](auto df, auto vx, auto vy, auto vz) { return FractalRidge(df, layer, vx, vy, vz); });
}

void GradientPerturbBatch(float* x, float* y, float* z, std::size_t count, float frequency, float amplitude) {
    const hn::ScalableTag<float> df;
    ForEachVector(df, count, [&](std::size_t k, std::size_t valid) {
        auto vx = LoadPart(df, x + k, valid);
        auto vy = LoadPart(df, y + k, valid);
        auto vz = LoadPart(df, z + k, valid);
        GradientPerturb(df, vx, vy, vz, frequency, amplitude);
        StorePart(vx, df, x + k, valid);
        StorePart(vy, df, y + k, valid);
        StorePart(vz, df, z + k, valid);
    });
}

}  // namespace HWY_NAMESPACE
}  // namespace gravelkin
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace gravelkin {

HWY_EXPORT(SimplexNoise3Batch);
HWY_EXPORT(GradientNoise3Batch);
HWY_EXPORT(ValueNoise3Batch);
HWY_EXPORT(FractalSumBatch);
HWY_EXPORT(FractalBillowBatch);
HWY_EXPORT(FractalRidgeBatch);
HWY_EXPORT(GradientPerturbBatch);

void simplexNoise3Batch(std::int32_t seed, const float* x, const float* y, const float* z, float* out,
                        std::size_t count) {
    HWY_DYNAMIC_DISPATCH(SimplexNoise3Batch)(seed, x, y, z, out, count);
}

void gradientNoise3Batch(const NoiseLayer& layer, std::int32_t seed, const float* x, const float* y, const float* z,
                         float* out, std::size_t count) {
    HWY_DYNAMIC_DISPATCH(GradientNoise3Batch)(layer, seed, x, y, z, out, count);
}

void valueNoise3Batch(const NoiseLayer& layer, std::int32_t seed, const float* x, const float* y, const float* z,
                      float* out, std::size_t count) {
    HWY_DYNAMIC_DISPATCH(ValueNoise3Batch)(layer, seed, x, y, z, out, count);
}

void fractalSumBatch(const NoiseLayer& layer, const float* x, const float* y, const float* z, float* out,
                     std::size_t count) {
    HWY_DYNAMIC_DISPATCH(FractalSumBatch)(layer, x, y, z, out, count);
}

void fractalBillowBatch(const NoiseLayer& layer, const float* x, const float* y, const float* z, float* out,
                        std::size_t count) {
    HWY_DYNAMIC_DISPATCH(FractalBillowBatch)(layer, x, y, z, out, count);
}

void fractalRidgeBatch(const NoiseLayer& layer, const float* x, const float* y, const float* z, float* out,
                       std::size_t count) {
    HWY_DYNAMIC_DISPATCH(FractalRidgeBatch)(layer, x, y, z, out, count);
}

void gradientPerturbBatch(float* x, float* y, float* z, std::size_t count, float frequency, float amplitude) {
    HWY_DYNAMIC_DISPATCH(GradientPerturbBatch)(x, y, z, count, frequency, amplitude);
}

}  // namespace gravelkin
#endif  // HWY_ONCE
