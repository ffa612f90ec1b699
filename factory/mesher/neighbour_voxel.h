// Reading the voxel next to a voxel of a chunk, wherever it lies: inside the
// chunk, in the adjacent chunk across a side (also across cube-face edges and
// shell boundaries), or in one of the four finer chunks across a side where
// the next shell's chunk grid is twice as fine.
//
// Inner voxels take a fast path that stays inside the chunk. Everything else
// goes through global voxel addresses: the voxel's column in the whole face's
// grid at its radius, stepped with voxelNeighbour, then cut back into a chunk
// key and an index within that chunk.
//
// The holding chunk is this chunk when the key is its own, otherwise
// neighbours[direction] when set (the one chunk across that side, whatever its
// key), otherwise the entry of fineNeighbours for the key. When none holds it,
// std::out_of_range is thrown with "invalid unordered_map<K, T> key".
//
// Reads voxels only; safe while the neighbours stay alive, which the meshing
// worker guarantees by holding them.
#pragma once

#include <cstdint>

#include "factory/chunk.h"
#include "geometry/neighbours.h"

namespace gravelkin {

// The text carried by the error for a voxel whose holding chunk is missing.
inline constexpr const char* missingHoldingChunkText = "invalid unordered_map<K, T> key";

// The neighbour read through global voxel addresses; `columns` is
// columnsPerChunk of the voxel's radius.
Voxel neighbourVoxelAcrossChunk(const Chunk& chunk, std::uint32_t i, std::uint32_t r, std::uint32_t j,
                                Direction direction, std::uint32_t columns);

// Chunk::neighbourVoxel for a caller that already knows `columns`, the layer's
// columnsPerChunk: the mesher's hot loop.
inline Voxel neighbourVoxelInLayer(const Chunk& chunk, std::uint32_t i, std::uint32_t r, std::uint32_t j,
                                   Direction direction, std::uint32_t columns) {
    // Radial fast paths are only sound when every layer has the same grid.
    switch (direction) {
        case Direction::PlusY:
            if (j + 1 < columns) return chunk.voxel(i, r, j + 1);
            break;
        case Direction::Outward:
            if (!chunk.levelStepInShell && r + 1 < Chunk::size) return chunk.voxel(i, r + 1, j);
            break;
        case Direction::MinusY:
            if (j > 0) return chunk.voxel(i, r, j - 1);
            break;
        case Direction::Inward:
            if (!chunk.levelStepInShell && r > 0) return chunk.voxel(i, r - 1, j);
            break;
        case Direction::MinusX:
            if (i > 0) return chunk.voxel(i - 1, r, j);
            break;
        case Direction::PlusX:
            if (i + 1 < columns) return chunk.voxel(i + 1, r, j);
            break;
    }
    return neighbourVoxelAcrossChunk(chunk, i, r, j, direction, columns);
}

}  // namespace gravelkin
