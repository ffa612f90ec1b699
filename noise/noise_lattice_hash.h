// Lattice addressing shared by every noise function: the float-to-lattice
// floor, the cubic cell holding a point, and the two integer hashes that pick
// a table row for a lattice point. Inline so that the hot noise loops need no
// call per corner.
//
// All integer products are done in uint32_t: they must wrap modulo 2^32, and
// wrapping signed arithmetic would be undefined behaviour.
#pragma once

#include <array>
#include <cstdint>

namespace gravelkin::noise_detail {

// Truncation toward zero, minus one for a < 0; a negative whole number also
// loses one (-2.0 gives -3), which the lattice functions are built around.
// Defined for every float: within (-2^31, 2^31) it is exactly the rule above;
// beyond that it saturates to INT32_MIN / INT32_MAX and NaN gives 0, because
// converting an out-of-range float to an integer is undefined behaviour.
inline std::int32_t floorToLattice(float a) {
    if (!(a > -2147483648.0f)) {
        return a != a ? 0 : INT32_MIN;
    }
    if (!(a < 2147483648.0f)) {
        return INT32_MAX;
    }
    const std::int32_t truncated = static_cast<std::int32_t>(a);
    return a < 0.0f ? truncated - 1 : truncated;
}

// a + b modulo 2^32.
inline std::int32_t wrapAdd(std::int32_t a, std::int32_t b) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(a) + static_cast<std::uint32_t>(b));
}

// Folds a 32-bit hash word to a table index: bits 16..22 XOR bits 0..6.
inline std::uint32_t foldToIndex(std::uint32_t h) {
    return ((h >> 16) ^ h) & 127u;
}

// The seeded hash word of lattice point (x, y, z), before folding.
inline std::uint32_t latticeHashWord(std::int32_t seed, std::int32_t x, std::int32_t y,
                                     std::int32_t z) {
    std::uint32_t h = (static_cast<std::uint32_t>(x) ^ static_cast<std::uint32_t>(seed)) * 15485863u;
    h = (h ^ static_cast<std::uint32_t>(y)) * 10057189u;
    h = (h ^ static_cast<std::uint32_t>(z)) * 987391u;
    return h;
}

inline std::uint32_t latticeIndex(std::int32_t seed, std::int32_t x, std::int32_t y,
                                  std::int32_t z) {
    return foldToIndex(latticeHashWord(seed, x, y, z));
}

// The perturbation's own hash: no seed, so every layer displaces space the
// same way, and one multiplication fewer than the seeded hash.
inline std::uint32_t perturbIndex(std::int32_t x, std::int32_t y, std::int32_t z) {
    std::uint32_t h = (static_cast<std::uint32_t>(x) ^ static_cast<std::uint32_t>(y)) * 15485863u;
    h = (h ^ static_cast<std::uint32_t>(z)) * 10057189u;
    return foldToIndex(h);
}

// The cubic lattice cell holding a point: its lower corner (floorToLattice of
// each coordinate), its upper corner (one more, wrapping) and the point's
// offset from the lower corner.
struct LatticeCell {
    std::int32_t x0, y0, z0;
    std::int32_t x1, y1, z1;
    float dx0, dy0, dz0;
};

inline LatticeCell latticeCell(float x, float y, float z) {
    LatticeCell c;
    c.x0 = floorToLattice(x);
    c.y0 = floorToLattice(y);
    c.z0 = floorToLattice(z);
    c.x1 = wrapAdd(c.x0, 1);
    c.y1 = wrapAdd(c.y0, 1);
    c.z1 = wrapAdd(c.z0, 1);
    c.dx0 = x - static_cast<float>(c.x0);
    c.dy0 = y - static_cast<float>(c.y0);
    c.dz0 = z - static_cast<float>(c.z0);
    return c;
}

// indexOf(x, y, z) of the cell's eight corners, x fastest, then y, then z.
template <class IndexOf>
inline std::array<std::uint32_t, 8> cornerIndices(const LatticeCell& c, IndexOf indexOf) {
    return {indexOf(c.x0, c.y0, c.z0), indexOf(c.x1, c.y0, c.z0), indexOf(c.x0, c.y1, c.z0),
            indexOf(c.x1, c.y1, c.z0), indexOf(c.x0, c.y0, c.z1), indexOf(c.x1, c.y0, c.z1),
            indexOf(c.x0, c.y1, c.z1), indexOf(c.x1, c.y1, c.z1)};
}

}  // namespace gravelkin::noise_detail
