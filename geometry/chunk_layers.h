// The walk over a chunk's 32 radial layers from the outermost inwards, which
// the generators and the meshers share: going inwards, the column grid can
// only get coarser, so a column direction cache can halve its grid where it
// does and keep reusing what it computed for the finer one.
//
// Pure apart from the level table, which it may grow; any thread.
#pragma once

#include <cstdint>

#include "geometry/chunk_key.h"
#include "geometry/level_table.h"

namespace gravelkin {

struct ChunkLayer {
    std::uint32_t layer;    // 0 innermost .. 31 outermost
    std::uint32_t radius;   // 32 * shell + layer: the layer spans [radius, radius + 1]
    std::uint32_t columns;  // columns per side of the layer's grid, columnsPerChunk(radius)
    bool coarser;           // the grid is coarser than the layer above's (never for layer 31)
};

// Calls visit(ChunkLayer) for layers 31 down to 0 of chunk `key`.
template <typename Visit>
void forEachLayerOutermostFirst(const ChunkKey& key, Visit&& visit) {
    const std::uint32_t inner = 32 * key.shell;
    std::uint32_t columns = columnsPerChunk(inner + 31);
    for (std::uint32_t step = 0; step < 32; ++step) {
        const std::uint32_t layer = 31 - step;
        const std::uint32_t radius = inner + layer;
        const std::uint32_t layerColumns = columnsPerChunk(radius);
        const bool coarser = layerColumns != columns;
        columns = layerColumns;
        visit(ChunkLayer{layer, radius, layerColumns, coarser});
    }
}

}  // namespace gravelkin
