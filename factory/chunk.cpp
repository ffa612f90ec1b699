#include "factory/chunk.h"

#include <algorithm>

#include "geometry/level_table.h"

namespace gravelkin {

Chunk::Chunk(const ChunkKey& chunkKey) : key(chunkKey) {
    // Mid-grey air: what every voxel outside an inner layer's used columns
    // keeps for the life of the chunk.
    std::fill(std::begin(voxels), std::end(voxels), Voxel{0.0f, {127, 127, 127}});
    meshPending.store(true, std::memory_order_relaxed);
    centre = chunkCentre(key);
    fillState = Unknown;
    const std::uint32_t inner = 32 * key.shell;
    levelStepInShell = columnLevel(inner + 31) != columnLevel(inner);
}

Chunk::~Chunk() {
    // The buffer is ours alone: whoever drops the last owner of the chunk
    // frees it, on whatever thread that is.
    if (vertexBuffer != nullptr) vertexBuffer->release();
}

}  // namespace gravelkin
