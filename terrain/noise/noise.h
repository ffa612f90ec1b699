// The coherent noise family the terrain draws on: simplex, lattice gradient and
// lattice value noise, three fractals of simplex noise, and a gradient
// perturbation. All share one integer lattice hash and two constant tables.
//
// Pure functions: no allocation, no state; any thread may call them. None
// applies a layer's frequency: callers scale the coordinates first.
// Lattice coordinates and seeds are 32-bit integers with wrap-around.
//
// Depends on: the standard library only.
#pragma once

#include <cstdint>

namespace gravelkin {

// The settings of one use of the noise family.
struct NoiseLayer {
    std::int32_t seed = 1337;
    float frequency = 0.01f;
    std::uint32_t interpolation = 2;  // fade: 0 linear, 1 Hermite, 2 quintic
    std::uint32_t octaves = 3;
    float lacunarity = 2.0f;
    float gain = 0.5f;
    std::uint32_t fractalKind = 0;    // 0 sum, 1 billow, 2 ridge
    float perturbAmplitude = 1.0f;
};

// Truncation toward zero, minus one for a < 0 (so -2.0 gives -3). Exact for
// -2^31 < a < 2^31; beyond that it saturates, and NaN gives 0.
std::int32_t fastFloor(float a);

// 7-bit index into the gradient and value tables.
std::uint32_t latticeHash(std::int32_t seed, std::int32_t x, std::int32_t y, std::int32_t z);

float simplexNoise3(std::int32_t seed, float x, float y, float z);
float gradientNoise3(const NoiseLayer& layer, std::int32_t seed, float x, float y, float z);
float valueNoise3(const NoiseLayer& layer, std::int32_t seed, float x, float y, float z);

float fractalSum(const NoiseLayer& layer, float x, float y, float z);
float fractalBillow(const NoiseLayer& layer, float x, float y, float z);
float fractalRidge(const NoiseLayer& layer, float x, float y, float z);

// Displaces (x, y, z) in place. Its lattice hash ignores any seed.
void gradientPerturb(float& x, float& y, float& z, float frequency, float amplitude);

}  // namespace gravelkin
