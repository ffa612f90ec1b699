// The small float steps the noise functions are built from, each with its
// operations in one fixed order: the build forbids FMA contraction, and these
// orders are what makes a sample bit-identical on every machine.
//
// Depends on: the noise tables.
#pragma once

#include <cstdint>

#include "terrain/noise/noise_tables.h"

namespace gravelkin::noise_detail {

inline float lerp(float a, float b, float t) {
    return a + t * (b - a);
}

inline float dot(const NoiseGradient& g, float x, float y, float z) {
    return (g.x * x + g.y * y) + g.z * z;
}

// The fade a layer's `interpolation` selects: 0 linear, 1 Hermite, 2 quintic.
// Other values never occur in the terrain; they take the quintic, the default.
inline float fade(std::uint32_t interpolation, float f) {
    switch (interpolation) {
    case 0:
        return f;
    case 1:
        return (f * f) * (3.0f - 2.0f * f);
    default:
        return ((f * f) * f) * (f * (f * 6.0f - 15.0f) + 10.0f);
    }
}

}  // namespace gravelkin::noise_detail
