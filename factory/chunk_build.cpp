#include <algorithm>

#include "factory/chunk_factory.h"
#include "terrain/terrain_generator_base.h"

namespace gravelkin {

std::unique_ptr<Chunk> ChunkFactory::buildChunk(const ChunkKey& key, const TerrainGeneratorBase& generator) {
    resetForChunk(cache, key);
    cache.columnOffset = 0.5f;  // the generator samples column centres

    auto chunk = std::make_unique<Chunk>(key);

    // Shells wholly outside the terrain band are one constant voxel: no
    // sampling. The whole volume is written, unused inner columns included.
    const std::uint32_t inner = 32 * key.shell;
    if (inner > generator.emptyAboveRadius) {
        std::fill(std::begin(chunk->voxels), std::end(chunk->voxels), Voxel{1.0f, {127, 127, 127}});
        chunk->fillState = AllAir;
    } else if (inner + 31 < generator.solidBelowRadius) {
        std::fill(std::begin(chunk->voxels), std::end(chunk->voxels), generator.solidFillVoxel);
        chunk->fillState = AllSolid;
    } else {
        generator.generate(*chunk, cache);
    }

    // Nothing to draw in air: such a chunk is never meshed.
    if (chunk->fillState == AllAir) chunk->meshPending.store(false, std::memory_order_relaxed);
    return chunk;
}

}  // namespace gravelkin
