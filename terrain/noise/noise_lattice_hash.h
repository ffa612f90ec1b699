// Lattice addressing shared by every noise function: the float-to-lattice
// floor and the two integer hashes that pick a table row for a lattice point.
// Inline so that the hot noise loops need no call per corner.
//
// All integer products are done in uint32_t: they must wrap modulo 2^32, and
// wrapping signed arithmetic would be undefined behaviour.
//
// Depends on: the standard library only.
#pragma once

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

}  // namespace gravelkin::noise_detail
