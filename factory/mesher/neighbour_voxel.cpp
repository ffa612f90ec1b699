#include "factory/mesher/neighbour_voxel.h"

#include <bit>
#include <stdexcept>

#include "geometry/level_table.h"
#include "geometry/neighbours.h"

namespace gravelkin {

namespace {

const Chunk& holdingChunk(const Chunk& chunk, const ChunkKey& holder, Direction direction) {
    if (holder == chunk.key) return chunk;
    if (const Chunk* across = chunk.neighbours[direction]) return *across;
    if (chunk.fineNeighbours != nullptr) {
        const auto found = chunk.fineNeighbours->find(holder);
        if (found != chunk.fineNeighbours->end() && found->second) return *found->second;
    }
    throw std::out_of_range(missingHoldingChunkText);
}

}  // namespace

Voxel neighbourVoxelAcrossChunk(const Chunk& chunk, std::uint32_t i, std::uint32_t r, std::uint32_t j,
                                Direction direction, std::uint32_t columns) {
    const std::uint32_t radius = 32 * chunk.key.shell + r;
    const VoxelAddress here{chunk.key.x * columns + i, radius, chunk.key.y * columns + j, chunk.key.face};
    // Where the space beyond is split, the step gives the finer voxel with the
    // smallest x and y; that one stands for the side.
    const VoxelAddress there = voxelNeighbour(here, direction).address;

    // columnsPerChunk is a power of two: its log is the shift from the face's
    // column grid to the chunk grid at that radius.
    const std::uint32_t thereColumns = columnsPerChunk(there.radius);
    const int shift = std::countr_zero(thereColumns);
    const ChunkKey holder{there.x >> shift, there.radius >> 5, there.y >> shift, there.face};

    const Chunk& source = holdingChunk(chunk, holder, direction);
    const std::uint32_t mask = thereColumns - 1;
    return source.voxel(there.x & mask, there.radius & 31, there.y & mask);
}

Voxel Chunk::neighbourVoxel(std::uint32_t i, std::uint32_t r, std::uint32_t j, Direction direction) const {
    return neighbourVoxelInLayer(*this, i, r, j, direction, columnsPerChunk(32 * key.shell + r));
}

}  // namespace gravelkin
