// The public entry points of the lattice addressing; the noise functions
// themselves use the inline forms in noise_lattice_hash.h.
#include "noise/noise.h"

#include "noise/noise_lattice_hash.h"

namespace gravelkin {

std::int32_t fastFloor(float a) {
    return noise_detail::floorToLattice(a);
}

std::uint32_t latticeHash(std::int32_t seed, std::int32_t x, std::int32_t y, std::int32_t z) {
    return noise_detail::latticeIndex(seed, x, y, z);
}

}  // namespace gravelkin
