// What bounds proved of a chunk's pieces before it is generated, so that
// generation samples only the rest. The chunk is split into 4 slabs of 8
// layers, each into 4 x 4 tiles of its columns: column (i, j) of an n x n
// grid lies in tile (i * 4 / n, j * 4 / n), the same ground at every grid
// resolution. A piece is AllAir when every voxel in it is air, AllSolid when
// every voxel in it is at density <= -10 and so coloured like the solid fill,
// Unknown otherwise.
//
// It also carries the column directions the bounding computed, grid by grid,
// so that generation need not compute them again.
#pragma once

#include <cstdint>

#include "voxel/fill_state.h"
#include "voxel/voxel_volume.h"
#include "geometry/chunk_key.h"

namespace gravelkin {

struct ChunkPieces {
    static constexpr std::uint32_t slabLayers = 8;
    static constexpr std::uint32_t slabs = chunkSize / slabLayers;
    static constexpr std::uint32_t tilesPerSide = 4;
    static constexpr std::uint32_t tiles = tilesPerSide * tilesPerSide;

    ChunkFillState verdict[slabs][tiles];

    // One grid's column directions, in voxel order (i outer, j inner).
    struct Grid {
        std::uint32_t columns;
        float x[chunkSize * chunkSize];
        float y[chunkSize * chunkSize];
        float z[chunkSize * chunkSize];
    };
    // The grids of chunk `key`'s layers, outermost first: the grid of layer
    // 31, then one for each layer where the grid gets coarser (at most five
    // halvings of 32 columns). grids is 0 where none were kept.
    static constexpr std::uint32_t maxGrids = 6;
    ChunkKey key{};
    std::uint32_t grids = 0;
    Grid grid[maxGrids];

    static constexpr std::uint32_t tileOf(std::uint32_t i, std::uint32_t j, std::uint32_t n) {
        return (i * tilesPerSide / n) * tilesPerSide + j * tilesPerSide / n;
    }

    void setAll(ChunkFillState state) {
        for (auto& slab : verdict) {
            for (ChunkFillState& piece : slab) piece = state;
        }
    }
};

}  // namespace gravelkin
