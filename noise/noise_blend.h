// The small float steps the noise functions are built from, each with its
// operations in one fixed order: the build forbids FMA contraction, and these
// orders are what makes a sample bit-identical on every machine.
#pragma once

#include <cstdint>

#include "noise/noise.h"
#include "noise/noise_tables.h"

namespace gravelkin::noise_detail {

inline float lerp(float a, float b, float t) {
    return a + t * (b - a);
}

inline float dot(const NoiseGradient& g, float x, float y, float z) {
    return (g.x * x + g.y * y) + g.z * z;
}

// The weight a layer's interpolation gives fraction f; a value outside the
// enumeration fades as the quintic, the default.
inline float fade(Interpolation interpolation, float f) {
    switch (interpolation) {
    case Interpolation::Linear:
        return f;
    case Interpolation::Hermite:
        return (f * f) * (3.0f - 2.0f * f);
    case Interpolation::Quintic:
        break;
    }
    return ((f * f) * f) * (f * (f * 6.0f - 15.0f) + 10.0f);
}

// The blend of a cell's eight corner values v (x fastest, then y, then z):
// along x by wx, then along y by wy, then along z by wz.
inline float trilinear(const float v[8], float wx, float wy, float wz) {
    const float y0z0 = lerp(v[0], v[1], wx);
    const float y1z0 = lerp(v[2], v[3], wx);
    const float y0z1 = lerp(v[4], v[5], wx);
    const float y1z1 = lerp(v[6], v[7], wx);
    const float z0 = lerp(y0z0, y1z0, wy);
    const float z1 = lerp(y0z1, y1z1, wy);
    return lerp(z0, z1, wz);
}

}  // namespace gravelkin::noise_detail
