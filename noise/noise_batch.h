// Array forms of the noise functions, computed with SIMD on the best
// instruction set the CPU offers (chosen at run time): out[k] = f(x[k], y[k],
// z[k]) for k < count, bit for bit the value of the scalar function in
// noise.h for the same arguments.
//
// Arrays may have any alignment; out may be one of the input arrays. Pure:
// any thread may call them.
#pragma once

#include <cstddef>
#include <cstdint>

#include "noise/noise.h"

namespace gravelkin {

void simplexNoise3Batch(std::int32_t seed, const float* x, const float* y, const float* z, float* out,
                        std::size_t count);
void gradientNoise3Batch(const NoiseLayer& layer, std::int32_t seed, const float* x, const float* y, const float* z,
                         float* out, std::size_t count);
void valueNoise3Batch(const NoiseLayer& layer, std::int32_t seed, const float* x, const float* y, const float* z,
                      float* out, std::size_t count);

void fractalSumBatch(const NoiseLayer& layer, const float* x, const float* y, const float* z, float* out,
                     std::size_t count);
void fractalBillowBatch(const NoiseLayer& layer, const float* x, const float* y, const float* z, float* out,
                        std::size_t count);
void fractalRidgeBatch(const NoiseLayer& layer, const float* x, const float* y, const float* z, float* out,
                       std::size_t count);

// gradientPerturb on every point (x[k], y[k], z[k]), in place.
void gradientPerturbBatch(float* x, float* y, float* z, std::size_t count, float frequency, float amplitude);

}  // namespace gravelkin
