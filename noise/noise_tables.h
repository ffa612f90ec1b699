// The two constant tables the noise family looks up by a 7-bit lattice index:
// 128 unit gradient directions and 128 lattice values.
//
// Both are fixed for the life of the program, so the terrain is the same on
// every run and any thread may read them.
#pragma once

#include <array>
#include <cstdint>

namespace gravelkin {

inline constexpr std::uint32_t noiseTableSize = 128;

// A unit direction; the lattice gradient noises dot it with a local offset.
struct NoiseGradient {
    float x;
    float y;
    float z;
};

extern const std::array<NoiseGradient, noiseTableSize> gradientTable;

// gradientTable split by component (x[k], y[k], z[k] is row k), aligned for
// SIMD loads: lookups that keep the table in vector registers read it so.
struct GradientColumns {
    alignas(64) float x[noiseTableSize];
    alignas(64) float y[noiseTableSize];
    alignas(64) float z[noiseTableSize];
};
extern const GradientColumns gradientColumns;

// Each entry is float(k) / 127.0f for an odd k; together the entries hold every
// odd k from -127 to 127 exactly once, so value noise stays within [-1, 1].
extern const std::array<float, noiseTableSize> valueTable;

}  // namespace gravelkin
