// Three-dimensional simplex noise: the point is skewed onto a cubic lattice,
// the cube cell is split into six tetrahedra, and the four corners of the one
// holding the point each add a radially fading gradient ramp.
#include "noise/noise.h"

#include "noise/noise_blend.h"
#include "noise/noise_lattice_hash.h"

namespace gravelkin {

namespace {

// 1/3 and 1/6 as floats: the skew onto the cubic lattice and back.
constexpr float skewFactor = 0.33333334f;
constexpr float unskewFactor = 0.16666667f;

// A corner's ramp (0.6 - |d|^2)^4 (g . d), cut to 0 beyond radius sqrt(0.6).
// That radius reaches a little past the enclosing simplex, so the field has
// faint seams on simplex faces; the terrain's look is tuned with them.
float cornerContribution(std::int32_t seed, std::int32_t i, std::int32_t j, std::int32_t k,
                         float dx, float dy, float dz) {
    const float a = ((0.6f - dx * dx) - dy * dy) - dz * dz;
    if (!(a >= 0.0f)) {
        return 0.0f;
    }
    const float a2 = a * a;
    const float a4 = a2 * a2;
    const NoiseGradient& g = gradientTable[noise_detail::latticeIndex(seed, i, j, k)];
    return a4 * noise_detail::dot(g, dx, dy, dz);
}

}  // namespace

float simplexNoise3(std::int32_t seed, float x, float y, float z) {
    using noise_detail::floorToLattice;
    using noise_detail::wrapAdd;

    const float s = ((x + y) + z) * skewFactor;
    const std::int32_t i = floorToLattice(x + s);
    const std::int32_t j = floorToLattice(y + s);
    const std::int32_t k = floorToLattice(z + s);

    const float t = static_cast<float>(wrapAdd(wrapAdd(i, j), k)) * unskewFactor;
    const float x0 = x - (static_cast<float>(i) - t);
    const float y0 = y - (static_cast<float>(j) - t);
    const float z0 = z - (static_cast<float>(k) - t);

    // The order of the offsets names the tetrahedron: the second corner steps
    // along the axis of the largest offset, the third along the two largest;
    // ties go to x before y before z. Selected with comparisons, not branches,
    // because the order changes unpredictably from one sample to the next.
    const bool xOverY = x0 >= y0;
    const bool yOverZ = y0 >= z0;
    const bool xOverZ = x0 >= z0;
    const bool xLargest = xOverY && xOverZ;
    const bool yLargest = !xOverY && yOverZ;
    const std::int32_t i1 = xLargest;
    const std::int32_t j1 = yLargest;
    const std::int32_t k1 = !xLargest && !yLargest;
    const std::int32_t i2 = xOverY || xOverZ;   // x is not the smallest
    const std::int32_t j2 = !xOverY || yOverZ;  // y is not the smallest
    const std::int32_t k2 = !(xOverZ && yOverZ);

    // Each step along the lattice moves the unskewed offset by 1/6 per axis.
    const float x1 = (x0 - static_cast<float>(i1)) + unskewFactor;
    const float y1 = (y0 - static_cast<float>(j1)) + unskewFactor;
    const float z1 = (z0 - static_cast<float>(k1)) + unskewFactor;
    const float x2 = (x0 - static_cast<float>(i2)) + skewFactor;
    const float y2 = (y0 - static_cast<float>(j2)) + skewFactor;
    const float z2 = (z0 - static_cast<float>(k2)) + skewFactor;
    const float x3 = (x0 - 1.0f) + 0.5f;
    const float y3 = (y0 - 1.0f) + 0.5f;
    const float z3 = (z0 - 1.0f) + 0.5f;

    const float n0 = cornerContribution(seed, i, j, k, x0, y0, z0);
    const float n1 = cornerContribution(seed, wrapAdd(i, i1), wrapAdd(j, j1), wrapAdd(k, k1), x1, y1, z1);
    const float n2 = cornerContribution(seed, wrapAdd(i, i2), wrapAdd(j, j2), wrapAdd(k, k2), x2, y2, z2);
    const float n3 = cornerContribution(seed, wrapAdd(i, 1), wrapAdd(j, 1), wrapAdd(k, 1), x3, y3, z3);

    // 40 brings the sum of the ramps to roughly [-1, 1].
    return 40.0f * (((n0 + n1) + n2) + n3);
}

}  // namespace gravelkin
