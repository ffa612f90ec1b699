// The eight corners of one voxel on the curved column grid, and the corner
// table that picks a side's four of them.
//
// Corners lie on column corner directions (the cache in corner mode,
// columnOffset 0.0) times the layer's inner radius R or outer radius R + 1.
// Because the directions come from the cache's current grid, a coarse voxel
// below a level step spans two fine columns, and its outward side exactly
// covers the four finer voxels above it.
#pragma once

#include <cstdint>

#include "factory/mesher/face_record.h"
#include "geometry/column_direction_cache.h"
#include "geometry/neighbours.h"

namespace gravelkin {

struct VoxelCorners {
    // [di][dj]: the corner at column corner (i + di, j + dj).
    Vec3 inner[2][2];  // at radius R
    Vec3 outer[2][2];  // at radius R + 1
};

// Corners of voxel column (i, j) of the cache's current grid between the
// radii `innerRadius` and `outerRadius`.
VoxelCorners voxelCorners(ColumnDirectionCache& cache, std::uint32_t i, std::uint32_t j, float innerRadius,
                          float outerRadius);

// The side of the voxel facing `side`, wound so that its normal points out of
// the voxel.
FaceRecord sideFace(const VoxelCorners& corners, Direction side, const Vec3& colour);

}  // namespace gravelkin
