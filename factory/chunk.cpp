#include "factory/chunk.h"

#include "voxel/constant_voxel_blocks.h"
#include "geometry/chunk_layers.h"
#include "geometry/level_table.h"

namespace gravelkin {

namespace {

bool levelStepsInShell(const ChunkKey& key) {
    const std::uint32_t inner = 32 * key.shell;
    return columnLevel(inner + 31) != columnLevel(inner);
}

// How many columns along each side each layer of chunk `key` uses.
struct UsedColumns {
    std::uint32_t perLayer[chunkSize];
};

UsedColumns usedColumnsOf(const ChunkKey& key) {
    UsedColumns used{};
    forEachLayerOutermostFirst(key, [&](const ChunkLayer& layer) { used.perLayer[layer.layer] = layer.columns; });
    return used;
}

}  // namespace

// Mid-grey air: what every voxel outside an inner layer's used columns keeps
// for the life of a generated chunk.
Chunk::Chunk(const ChunkKey& chunkKey)
    : key(chunkKey), centre(chunkCentre(chunkKey)), levelStepInShell(levelStepsInShell(chunkKey)),
      voxels(constructionVoxel) {}

Chunk::Chunk(const ChunkKey& chunkKey, UsedVoxelsWrittenNext)
    : key(chunkKey), centre(chunkCentre(chunkKey)), levelStepInShell(levelStepsInShell(chunkKey)),
      voxels(constructionVoxel, usedColumnsOf(chunkKey).perLayer) {}

Chunk::Chunk(const ChunkKey& chunkKey, const Voxel& constant)
    : key(chunkKey), centre(chunkCentre(chunkKey)), levelStepInShell(levelStepsInShell(chunkKey)),
      voxels(constantVoxelBlock(constant)) {}

Chunk::~Chunk() {
    // The buffer is ours alone: whoever drops the last owner of the chunk
    // frees it, on whatever thread that is. The voxel block, if the chunk has
    // one of its own, goes with the volume.
    if (vertexBuffer != nullptr) vertexBuffer->release();
}

void Chunk::chargeTo(MemoryLedger& ledger) {
    charge_.open(ledger, sizeof(Chunk) + chunkBookkeepingBytes + (voxels.ownsBlock() ? sizeof(VoxelBlock) : 0));
}

}  // namespace gravelkin
