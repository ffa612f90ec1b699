// The two cubic-lattice noises: each of the eight corners of the cell holding
// the point yields a value, and the values are blended with faded weights
// along x, then y, then z.
#include "terrain/noise/noise.h"

#include "terrain/noise/noise_blend.h"
#include "terrain/noise/noise_lattice_hash.h"

namespace gravelkin {

namespace {

// Blends cornerValue(X, Y, Z, x - X, y - Y, z - Z) over the cell's corners.
// Each corner's offset is taken from its own lattice coordinate, not derived
// from the other corner's, so the result does not depend on which corner is
// called first.
template <typename CornerValue>
float blendCell(std::uint32_t interpolation, float x, float y, float z, CornerValue cornerValue) {
    using noise_detail::floorToLattice;
    using noise_detail::lerp;
    using noise_detail::wrapAdd;

    const std::int32_t x0 = floorToLattice(x);
    const std::int32_t y0 = floorToLattice(y);
    const std::int32_t z0 = floorToLattice(z);
    const std::int32_t x1 = wrapAdd(x0, 1);
    const std::int32_t y1 = wrapAdd(y0, 1);
    const std::int32_t z1 = wrapAdd(z0, 1);

    const float dx0 = x - static_cast<float>(x0);
    const float dy0 = y - static_cast<float>(y0);
    const float dz0 = z - static_cast<float>(z0);
    const float dx1 = x - static_cast<float>(x1);
    const float dy1 = y - static_cast<float>(y1);
    const float dz1 = z - static_cast<float>(z1);

    const float fx = noise_detail::fade(interpolation, dx0);
    const float fy = noise_detail::fade(interpolation, dy0);
    const float fz = noise_detail::fade(interpolation, dz0);

    const float v000 = cornerValue(x0, y0, z0, dx0, dy0, dz0);
    const float v100 = cornerValue(x1, y0, z0, dx1, dy0, dz0);
    const float v010 = cornerValue(x0, y1, z0, dx0, dy1, dz0);
    const float v110 = cornerValue(x1, y1, z0, dx1, dy1, dz0);
    const float v001 = cornerValue(x0, y0, z1, dx0, dy0, dz1);
    const float v101 = cornerValue(x1, y0, z1, dx1, dy0, dz1);
    const float v011 = cornerValue(x0, y1, z1, dx0, dy1, dz1);
    const float v111 = cornerValue(x1, y1, z1, dx1, dy1, dz1);

    const float vy0z0 = lerp(v000, v100, fx);
    const float vy1z0 = lerp(v010, v110, fx);
    const float vy0z1 = lerp(v001, v101, fx);
    const float vy1z1 = lerp(v011, v111, fx);
    const float vz0 = lerp(vy0z0, vy1z0, fy);
    const float vz1 = lerp(vy0z1, vy1z1, fy);
    return lerp(vz0, vz1, fz);
}

}  // namespace

float gradientNoise3(const NoiseLayer& layer, std::int32_t seed, float x, float y, float z) {
    const float blended = blendCell(
        layer.interpolation, x, y, z,
        [seed](std::int32_t cx, std::int32_t cy, std::int32_t cz, float dx, float dy, float dz) {
            const NoiseGradient& g = gradientTable[noise_detail::latticeIndex(seed, cx, cy, cz)];
            return noise_detail::dot(g, dx, dy, dz);
        });
    // Stretches the blended ramps toward [-1, 1].
    return blended * 1.4f;
}

float valueNoise3(const NoiseLayer& layer, std::int32_t seed, float x, float y, float z) {
    return blendCell(
        layer.interpolation, x, y, z,
        [seed](std::int32_t cx, std::int32_t cy, std::int32_t cz, float, float, float) {
            return valueTable[noise_detail::latticeIndex(seed, cx, cy, cz)];
        });
}

}  // namespace gravelkin
