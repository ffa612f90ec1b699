// Gradient perturbation: displaces a point by a smoothly varying vector field
// so that noise sampled at the displaced point loses its lattice alignment.
#include "terrain/noise/noise.h"

#include "terrain/noise/noise_blend.h"
#include "terrain/noise/noise_lattice_hash.h"

namespace gravelkin {

namespace {

// Trilinear blend of one component over the cell's eight corner gradients.
// The weights are the plain fractions: the field only needs to be continuous.
float blendComponent(float NoiseGradient::*component, const NoiseGradient* const corners[8],
                     float wx, float wy, float wz) {
    using noise_detail::lerp;
    const float y0z0 = lerp(corners[0]->*component, corners[1]->*component, wx);
    const float y1z0 = lerp(corners[2]->*component, corners[3]->*component, wx);
    const float y0z1 = lerp(corners[4]->*component, corners[5]->*component, wx);
    const float y1z1 = lerp(corners[6]->*component, corners[7]->*component, wx);
    const float z0 = lerp(y0z0, y1z0, wy);
    const float z1 = lerp(y0z1, y1z1, wy);
    return lerp(z0, z1, wz);
}

}  // namespace

void gradientPerturb(float& x, float& y, float& z, float frequency, float amplitude) {
    using noise_detail::floorToLattice;
    using noise_detail::perturbIndex;
    using noise_detail::wrapAdd;

    const float xf = x * frequency;
    const float yf = y * frequency;
    const float zf = z * frequency;
    const std::int32_t x0 = floorToLattice(xf);
    const std::int32_t y0 = floorToLattice(yf);
    const std::int32_t z0 = floorToLattice(zf);
    const std::int32_t x1 = wrapAdd(x0, 1);
    const std::int32_t y1 = wrapAdd(y0, 1);
    const std::int32_t z1 = wrapAdd(z0, 1);
    const float wx = xf - static_cast<float>(x0);
    const float wy = yf - static_cast<float>(y0);
    const float wz = zf - static_cast<float>(z0);

    // Ordered x fastest, then y, then z, as blendComponent pairs them.
    const NoiseGradient* const corners[8] = {
        &gradientTable[perturbIndex(x0, y0, z0)], &gradientTable[perturbIndex(x1, y0, z0)],
        &gradientTable[perturbIndex(x0, y1, z0)], &gradientTable[perturbIndex(x1, y1, z0)],
        &gradientTable[perturbIndex(x0, y0, z1)], &gradientTable[perturbIndex(x1, y0, z1)],
        &gradientTable[perturbIndex(x0, y1, z1)], &gradientTable[perturbIndex(x1, y1, z1)],
    };

    x += amplitude * blendComponent(&NoiseGradient::x, corners, wx, wy, wz);
    y += amplitude * blendComponent(&NoiseGradient::y, corners, wx, wy, wz);
    z += amplitude * blendComponent(&NoiseGradient::z, corners, wx, wy, wz);
}

}  // namespace gravelkin
