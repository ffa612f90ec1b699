// Layer factory (factory/): the chunk record, the build step, the meshers, the
// factory thread and the host interface it needs. May include: camera,
// geometry, voxel, device, terrain. (layers.txt)
//
// One chunk-factory worker's object: its column direction cache, and the build
// step that turns a key into a filled chunk.
//
// A factory is used by its own worker thread only.
//
// Depends on: geometry, the terrain generator interface, chunk.
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

    // The worker thread body: serves the host's requests until it stops.
    void run(FactoryHost& host);

    // Set before the worker starts; see chunk_pipeline.h.
    ChunkPipeline pipeline;
    ColumnDirectionCache cache;
};

}  // namespace gravelkin
