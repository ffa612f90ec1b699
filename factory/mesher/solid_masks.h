// Which voxels of a chunk are solid, as one 32-bit mask per column row of each
// layer: bit j of [r][i] stands for voxel (i, r, j). With them the mesher finds
// a row's visible sides with a few bit operations instead of asking every
// voxel for its six neighbours.
//
// Two masks, because a voxel whose density is NaN counts as solid for its own
// sides (it is not air: density >= 0 fails) but as air to its neighbours (it
// is not solid: density < 0 fails). For every other density they agree.
#pragma once

#include <cstdint>

#include "factory/chunk.h"

namespace gravelkin {

struct SolidMasks {
    std::uint32_t solid[Chunk::size][Chunk::size];  // [r][i]: density < 0
    std::uint32_t drawn[Chunk::size][Chunk::size];  // [r][i]: !(density >= 0)
};

// The bits for the first `columns` voxels of a row (i, r, 0..31).
struct RowMasks {
    std::uint32_t solid;
    std::uint32_t drawn;
};
RowMasks rowMasks(const Voxel* row, std::uint32_t columns);

// Only the bits of used voxels are set: each layer's first columnsPerChunk
// rows and columns; the rest are 0.
void buildSolidMasks(const Chunk& chunk, SolidMasks& masks);

// The low `columns` bits (columns 1..32).
constexpr std::uint32_t lowBits(std::uint32_t columns) {
    return columns >= 32 ? ~std::uint32_t{0} : (std::uint32_t{1} << columns) - 1;
}

}  // namespace gravelkin
