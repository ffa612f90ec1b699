// The two cubic-lattice noises: each of the eight corners of the cell holding
// the point yields a value, and the values are blended with faded weights
// along x, then y, then z.
#include "noise/noise.h"

#include "noise/noise_blend.h"
#include "noise/noise_lattice_hash.h"

namespace gravelkin {

namespace {

using noise_detail::LatticeCell;

std::array<std::uint32_t, 8> seededCorners(std::int32_t seed, const LatticeCell& c) {
    return noise_detail::cornerIndices(c, [seed](std::int32_t x, std::int32_t y, std::int32_t z) {
        return noise_detail::latticeIndex(seed, x, y, z);
    });
}

// The corner values v blended with faded weights; inlined, so that v stays in
// registers rather than going through memory.
inline __attribute__((always_inline)) float blendCorners(Interpolation interpolation, const LatticeCell& c,
                                                         const float v[8]) {
    using noise_detail::fade;
    return noise_detail::trilinear(v, fade(interpolation, c.dx0), fade(interpolation, c.dy0), fade(interpolation, c.dz0));
}

}  // namespace

float gradientNoise3(const NoiseLayer& layer, std::int32_t seed, float x, float y, float z) {
    using noise_detail::dot;
    const LatticeCell c = noise_detail::latticeCell(x, y, z);
    // Each upper offset is taken from the upper corner's own coordinate, not
    // derived from the lower offset.
    const float dx1 = x - static_cast<float>(c.x1);
    const float dy1 = y - static_cast<float>(c.y1);
    const float dz1 = z - static_cast<float>(c.z1);
    const std::array<std::uint32_t, 8> corner = seededCorners(seed, c);
    const float v[8] = {
        dot(gradientTable[corner[0]], c.dx0, c.dy0, c.dz0), dot(gradientTable[corner[1]], dx1, c.dy0, c.dz0),
        dot(gradientTable[corner[2]], c.dx0, dy1, c.dz0),   dot(gradientTable[corner[3]], dx1, dy1, c.dz0),
        dot(gradientTable[corner[4]], c.dx0, c.dy0, dz1),   dot(gradientTable[corner[5]], dx1, c.dy0, dz1),
        dot(gradientTable[corner[6]], c.dx0, dy1, dz1),     dot(gradientTable[corner[7]], dx1, dy1, dz1),
    };
    // Stretches the blended ramps toward [-1, 1].
    return blendCorners(layer.interpolation, c, v) * 1.4f;
}

float valueNoise3(const NoiseLayer& layer, std::int32_t seed, float x, float y, float z) {
    const LatticeCell c = noise_detail::latticeCell(x, y, z);
    const std::array<std::uint32_t, 8> corner = seededCorners(seed, c);
    float v[8];
#pragma GCC unroll 8
    for (int k = 0; k < 8; ++k) v[k] = valueTable[corner[k]];
    return blendCorners(layer.interpolation, c, v);
}

}  // namespace gravelkin
