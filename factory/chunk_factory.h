// Layer factory (factory/): the chunk record, the build step, the meshers
// (factory/mesher/), the factory thread and the host interface it needs.
//
// One chunk-factory worker's object: its column direction cache, and the build
// step that turns a key into a filled chunk.
//
// A factory is used by its own worker thread only.
#pragma once

#include <memory>

#include "factory/chunk.h"
#include "factory/chunk_pipeline.h"
#include "geometry/column_direction_cache.h"

namespace gravelkin {

class TerrainGeneratorBase;
class FactoryHost;

class ChunkFactory {
public:
    explicit ChunkFactory(ChunkPipeline pipelineUsed = ChunkPipeline::Fast) : pipeline(pipelineUsed) {}

    // Builds the chunk for `key`: shells wholly above the generator's
    // emptyAboveRadius are filled with air, shells wholly below its
    // solidBelowRadius with its solidFillVoxel, the rest by the generator.
    std::unique_ptr<Chunk> buildChunk(const ChunkKey& key, const TerrainGeneratorBase& generator);

    // buildChunk, or, when the system (or the allocation fault hook) has no
    // memory for the chunk's voxel block, skippedChunk(key); null only when
    // not even the placeholder's record could be allocated.
    std::unique_ptr<Chunk> buildChunkOrPlaceholder(const ChunkKey& key, const TerrainGeneratorBase& generator);

    // The worker thread body: serves the host's requests until it stops.
    void run(FactoryHost& host);

    // Set before the worker starts; see chunk_pipeline.h.
    ChunkPipeline pipeline;
    ColumnDirectionCache cache;
};

// The placeholder published for a chunk whose voxels could not be allocated:
// fill state Unknown (no generated chunk has it), the shared air block, and
// no mesh pending. Published like any chunk, it lets its neighbours mesh (they
// see air on its side) and keeps the manager from requesting it again at
// once; the manager erases it after a delay that grows with each failure of
// the same key, and asks for the chunk afresh (planet/retry_backoff.h).
// Throws std::bad_alloc when the record itself cannot be allocated.
std::unique_ptr<Chunk> skippedChunk(const ChunkKey& key);

inline bool isSkippedChunk(const Chunk& chunk) { return chunk.fillState == ChunkFillState::Unknown; }

}  // namespace gravelkin
