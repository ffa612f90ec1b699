#include <algorithm>
#include <new>

#include "factory/chunk_factory.h"
#include "voxel/constant_voxel_blocks.h"
#include "geometry/chunk_layers.h"
#include "terrain/terrain_generator_base.h"

namespace gravelkin {

namespace {

// Whether every voxel that chunk `key` uses (each layer's columns; not the
// unused ones of coarser inner grids) is solid and coloured like `fill`.
bool everyUsedVoxelSolidLike(const ChunkKey& key, const Voxel* voxels, const Voxel& fill) {
    bool same = true;
    forEachLayerOutermostFirst(key, [&](const ChunkLayer& layer) {
        for (std::uint32_t i = 0; same && i < layer.columns; ++i) {
            const Voxel* row = voxels + voxelIndex(i, layer.layer, 0);
            same = std::all_of(row, row + layer.columns, [&](const Voxel& voxel) {
                // Byte by byte: std::equal on three bytes is a call to memcmp per voxel.
                return voxel.density < 0.0f && voxel.colour[0] == fill.colour[0] &&
                       voxel.colour[1] == fill.colour[1] && voxel.colour[2] == fill.colour[2];
            });
        }
    });
    return same;
}

}  // namespace

std::unique_ptr<Chunk> ChunkFactory::buildChunk(const ChunkKey& key, const TerrainGeneratorBase& generator) {
    resetForChunk(cache, key);
    cache.columnOffset = 0.5f;  // the generator samples column centres

    // Shells wholly outside the terrain band are one constant voxel: no
    // sampling, and no block of their own: they read the shared block of
    // that voxel, unused inner columns included.
    // The reference pipeline keeps the plain layout: a block of its own for
    // every chunk.
    const bool reference = pipeline == ChunkPipeline::Reference;
    std::unique_ptr<Chunk> chunk;
    ChunkPieces pieces;
    const std::uint32_t inner = 32 * key.shell;
    if (inner > generator.emptyAboveRadius) {
        chunk = std::make_unique<Chunk>(key, airVoxel);
        chunk->fillState = ChunkFillState::AllAir;
        if (reference) chunk->writableVoxels();
    } else if (inner + 31 < generator.solidBelowRadius) {
        chunk = std::make_unique<Chunk>(key, generator.solidFillVoxel);
        chunk->fillState = ChunkFillState::AllSolid;
        if (reference) chunk->writableVoxels();
    } else if (reference) {
        chunk = std::make_unique<Chunk>(key);
        chunk->fillState = generator.generateReference(key, chunk->writableVoxels(), cache);
    } else if (const ChunkFillState known = generator.classifyPieces(key, cache, pieces); known == ChunkFillState::AllAir) {
        // Proven air or deep rock without sampling: the shared block of the
        // matching constant voxel, as for the shells outside the band.
        chunk = std::make_unique<Chunk>(key, airVoxel);
        chunk->fillState = known;
    } else if (known == ChunkFillState::AllSolid) {
        chunk = std::make_unique<Chunk>(key, generator.solidFillVoxel);
        chunk->fillState = known;
    } else {
        resetForChunk(cache, key);
        chunk = std::make_unique<Chunk>(key, Chunk::UsedVoxelsWrittenNext{});
        chunk->fillState = generator.generateSparse(key, chunk->writableVoxels(), cache, pieces);
        // Nothing but the sign of an all-air chunk's voxels is ever read (it
        // is never meshed, and its neighbours' meshes only ask "solid?"), so
        // it trades its block for the shared air block: every voxel then
        // reads density 1.0 and colour (127, 127, 127) instead of what the
        // generator wrote, air either way.
        if (chunk->fillState == ChunkFillState::AllAir) chunk->voxels.share(constantVoxelBlock(airVoxel));
        // Likewise a chunk that came out solid and coloured like the solid
        // fill wherever it is used, which the bounds could not prove: the
        // shared solid-fill block gives every voxel the same sign and colour.
        if (chunk->fillState == ChunkFillState::AllSolid &&
            everyUsedVoxelSolidLike(key, chunk->voxels.data(), generator.solidFillVoxel)) {
            chunk->voxels.share(constantVoxelBlock(generator.solidFillVoxel));
        }
    }

    // Nothing to draw in air: such a chunk is never meshed.
    chunk->builtAt = stampNow();
    if (chunk->fillState == ChunkFillState::AllAir) {
        chunk->meshedAt = chunk->builtAt;
        chunk->meshPending.store(false, std::memory_order_relaxed);
    }
    return chunk;
}

std::unique_ptr<Chunk> ChunkFactory::buildChunkOrPlaceholder(const ChunkKey& key, const TerrainGeneratorBase& generator) {
    try {
        return buildChunk(key, generator);
    } catch (const std::bad_alloc&) {
        // The partly built chunk has been released; the placeholder needs no
        // block, only its small record.
    }
    try {
        return skippedChunk(key);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

std::unique_ptr<Chunk> skippedChunk(const ChunkKey& key) {
    auto chunk = std::make_unique<Chunk>(key, airVoxel);
    chunk->fillState = ChunkFillState::Unknown;
    chunk->meshPending.store(false, std::memory_order_relaxed);
    return chunk;
}

}  // namespace gravelkin
