// Gradient perturbation: displaces a point by a smoothly varying vector field
// so that noise sampled at the displaced point loses its lattice alignment.
#include "noise/noise.h"

#include "noise/noise_blend.h"
#include "noise/noise_lattice_hash.h"

namespace gravelkin {

void gradientPerturb(float& x, float& y, float& z, float frequency, float amplitude) {
    const noise_detail::LatticeCell c = noise_detail::latticeCell(x * frequency, y * frequency, z * frequency);
    const std::array<std::uint32_t, 8> corner = noise_detail::cornerIndices(c, noise_detail::perturbIndex);
    float gx[8];
    float gy[8];
    float gz[8];
#pragma GCC unroll 8
    for (int k = 0; k < 8; ++k) {
        const NoiseGradient& g = gradientTable[corner[k]];
        gx[k] = g.x;
        gy[k] = g.y;
        gz[k] = g.z;
    }
    // Each component blended with the plain fractions: the field only needs
    // to be continuous.
    x += amplitude * noise_detail::trilinear(gx, c.dx0, c.dy0, c.dz0);
    y += amplitude * noise_detail::trilinear(gy, c.dx0, c.dy0, c.dz0);
    z += amplitude * noise_detail::trilinear(gz, c.dx0, c.dy0, c.dz0);
}

}  // namespace gravelkin
