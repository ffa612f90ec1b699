// Per-worker memo of the column directions of one chunk.
//
// Directions are computed once per chunk rather than once per voxel. The w
// component of each entry is its state: 1.0 not yet computed, 0.0 computed.
// The memo is indexed in the chunk's finest grid (i << resolutionShift), so
// that in corner mode (columnOffset 0.0) a coarser grid reuses the finer
// grid's corners after halveResolution. In centre mode (columnOffset 0.5)
// coarse column centres are not fine ones, so a step down to a coarser grid
// also marks the memo stale: stepDownToCoarserGrid does both as the mode
// needs.
//
// A cache belongs to one thread; it is never shared.
#pragma once

#include <cstdint>

#include "camera/vector_math.h"
#include "geometry/chunk_key.h"

namespace gravelkin {

struct ColumnDirectionCache {
    static constexpr int memoSize = 33;

    std::uint8_t face;
    Vec4 corner0, corner1;
    float columnStep;            // 1 / columns per face side in the current grid
    float columnOffset;          // 0.5 column centres, 0.0 column corners
    std::uint32_t columnBaseU;   // chunk's first column along u, current grid
    std::uint32_t columnBaseV;
    std::uint32_t resolutionShift;  // halvings since resetForChunk
    Vec4 edgeNear[memoSize];
    Vec4 edgeFar[memoSize];
    Vec4 directions[memoSize][memoSize];  // [memo index along u][along v]
};

// Prepares the cache for one chunk at its shell's outermost grid. Leaves
// columnOffset as it was: the caller sets it.
void resetForChunk(ColumnDirectionCache& cache, const ChunkKey& key);

// Direction of column (i, j) of the chunk in the current grid; i and j run
// from 0 to the grid's column count inclusive. The reference stays valid until
// the cache is reset or marked stale.
const Vec4& columnDirection(ColumnDirectionCache& cache, std::uint32_t i, std::uint32_t j);

// Writes the directions of columns (i, j) < (n, n) of the current grid to x,
// y and z at i * n + j (the voxel order of a layer).
void gatherColumnDirections(ColumnDirectionCache& cache, std::uint32_t n, float* x, float* y, float* z);

// Moves to a grid with half as many columns per face side. Marks nothing stale.
void halveResolution(ColumnDirectionCache& cache);

// Marks edge entries 0..31 and directions [0..31][0..31] as not computed.
void markStale(ColumnDirectionCache& cache);

// Moves to the next coarser layer's grid (ChunkLayer::coarser): halves the
// grid and, in centre mode, marks the memo stale; in corner mode the fine
// grid's corners stay valid and are kept.
void stepDownToCoarserGrid(ColumnDirectionCache& cache);

}  // namespace gravelkin
