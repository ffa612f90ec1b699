#include "planet/chunk_census.h"

#include "voxel/constant_voxel_blocks.h"
#include "device/chunk_vertex.h"

namespace gravelkin {

ChunkCensus takeChunkCensus(const std::vector<std::shared_ptr<const Chunk>>& chunks) {
    ChunkCensus census;
    std::uint64_t vertices = 0;
    std::uint64_t ownBlocks = 0;
    for (const std::shared_ptr<const Chunk>& chunk : chunks) {
        ++census.chunks;
        const auto fill = static_cast<std::size_t>(chunk->fillState);
        ++census.byFill[fill < 4 ? fill : 0];
        vertices += chunk->vertexCount.load(std::memory_order_acquire);
        const bool meshDone = !chunk->meshPending.load(std::memory_order_acquire);
        census.meshed += meshDone && chunk->fillState != ChunkFillState::AllAir;
        ownBlocks += chunk->voxels.ownsBlock();
    }
    census.faces = vertices / 6;
    census.vertexBytes = vertices * sizeof(ChunkVertex);
    census.memoryBytes = census.chunks * sizeof(Chunk) + (ownBlocks + constantVoxelBlockCount()) * sizeof(VoxelBlock);
    return census;
}

}  // namespace gravelkin
