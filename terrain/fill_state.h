// How one more voxel changes what is known of a chunk's fill.
//
// The first voxel decides AllAir (density >= 0) or AllSolid (density < 0); a
// later voxel of the other kind makes the chunk Mixed, and Mixed stays.
// Generators call this for every voxel they write, in writing order.
//
// Depends on: the chunk record.
#pragma once

#include "factory/chunk.h"

namespace gravelkin {

constexpr ChunkFillState nextFillState(ChunkFillState state, float density) {
    const bool air = density >= 0.0f;  // zero counts as air
    switch (state) {
        case Unknown:
            return air ? AllAir : AllSolid;
        case AllAir:
            return air ? AllAir : Mixed;
        case AllSolid:
            return air ? Mixed : AllSolid;
        default:
            return Mixed;
    }
}

}  // namespace gravelkin
