// The voxels of one far-terrain node (geometry/far_node_key.h) with a margin
// of one voxel on every side, sampled from the terrain's own density and
// colour rule at the centres of the node's coarse voxels.
//
// Sample (i, r, j), each of them -1 .. 32, is column i along u and j along v
// of the node's grid and layer r from its inner radius out: its direction is
// the face direction at the column's centre, its radius the middle of the
// layer. A margin column beyond an edge of the cube face is the column of the
// next face across that edge, so the lateral margins are the very samples of
// the nodes next door at the same level; the radial margins are too where
// the next band has the same grid.
//
// A plain value; filled by one thread, then read.
#pragma once

#include <cstdint>
#include <vector>

#include "geometry/far_node_key.h"
#include "voxel/fill_state.h"
#include "voxel/voxel.h"

namespace gravelkin {

struct FarBlock {
    static constexpr std::uint32_t side = farNodeSide + 2;  // with the margins

    FarNodeKey key{};
    std::vector<Voxel> samples = std::vector<Voxel>(std::size_t{side} * side * side);
    ChunkFillState interiorFill = ChunkFillState::Unknown;  // of the 32^3 voxels inside the node

    static constexpr std::size_t index(int i, int r, int j) {
        return (static_cast<std::size_t>(i + 1) * side + static_cast<std::size_t>(r + 1)) * side +
               static_cast<std::size_t>(j + 1);
    }
    const Voxel& at(int i, int r, int j) const { return samples[index(i, r, j)]; }
    Voxel& at(int i, int r, int j) { return samples[index(i, r, j)]; }
};

}  // namespace gravelkin
