// The six sides of a voxel, named by the Direction they face
// (geometry/neighbours.h), and sets of them as bits of one word: bit d for
// Direction d, so that a set of sides is tested, merged and counted with plain
// bit operations.
//
// Pure; any thread.
#pragma once

#include "geometry/neighbours.h"

namespace gravelkin {

// The bit of `side` in a set of sides.
constexpr unsigned sideBit(Direction side) { return 1u << side; }

}  // namespace gravelkin
