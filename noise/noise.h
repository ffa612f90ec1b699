// Layer noise (noise/): the noise family and its bounds, scalar and SIMD.
//
// The coherent noise family the terrain draws on: simplex, lattice gradient and
// lattice value noise, three fractals of simplex noise, and a gradient
// perturbation. All share one integer lattice hash and two constant tables.
//
// Pure functions: no allocation, no state; any thread may call them. None
// applies a layer's frequency: callers scale the coordinates first.
// Lattice coordinates and seeds are 32-bit integers with wrap-around.
#pragma once

#include <cstdint>

namespace gravelkin {

// How the lattice noises weight a cell's corners along each axis, from the
// fraction f of the way across the cell: f itself, f^2 (3 - 2f), or
// f^3 (f (6f - 15) + 10), whose slope and curvature both vanish at the corners.
enum class Interpolation : std::uint32_t { Linear = 0, Hermite = 1, Quintic = 2 };

// Which fractal of simplex octaves a layer stands for: fractalSum,
// fractalBillow or fractalRidge.
enum class FractalKind : std::uint32_t { Sum = 0, Billow = 1, Ridge = 2 };

// The settings of one use of the noise family.
struct NoiseLayer {
    std::int32_t seed = 1337;
    float frequency = 0.01f;
    Interpolation interpolation = Interpolation::Quintic;
    std::uint32_t octaves = 3;
    float lacunarity = 2.0f;
    float gain = 0.5f;
    FractalKind fractalKind = FractalKind::Sum;
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
