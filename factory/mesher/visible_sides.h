// Which sides of a chunk's solid voxels show, found a whole column row at a
// time: bit j of sides[i][direction] of a layer is set when voxel (i, r, j)
// is drawn (solid) and its neighbour in that direction is not solid.
//
// Inside the chunk the neighbour row is a shifted mask or the mask of the
// next row or layer. Across the chunk's border only the drawn voxels on that
// border ask for their neighbour (neighbour_voxel.h), exactly those the
// plain mesher asks for, so a missing holding chunk raises the same error.
// Where the neighbour across a side is laid out like this chunk (same face,
// same grid), a whole border row is read straight from it instead.
#pragma once

#include <cstdint>

#include "factory/chunk.h"
#include "factory/mesher/solid_masks.h"
#include "geometry/neighbours.h"

namespace gravelkin {

// One row's visible sides, [Direction]: bit j for voxel (i, r, j).
using RowSides = std::uint32_t[directionCount];
// One layer's visible sides, [i][Direction].
using LayerSides = RowSides[Chunk::size];

// Fills `sides` for the used rows of layer r (other rows are left as they
// were); `masks` covers the whole chunk.
void findVisibleSides(const Chunk& chunk, const SolidMasks& masks, std::uint32_t r, LayerSides& sides);

}  // namespace gravelkin
