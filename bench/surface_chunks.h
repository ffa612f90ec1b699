// The fixed sets of chunks the generation and meshing benchmarks work on:
// chunks around the program's start view whose voxels hold the terrain
// surface, so that both the noise and the mesher do their full work.
#pragma once

#include <cstdint>
#include <memory>
#include <unordered_map>
#include <vector>

#include "factory/chunk.h"
#include "geometry/chunk_key.h"
#include "terrain/earth/terrain_generator_earth.h"

namespace gravelkin::bench {

// The generator every benchmark uses; built once (it scatters its biomes).
const TerrainGeneratorEarth& benchEarth();

// Up to 48 distinct keys near (0, 400, 0), the camera's start, in shells 11 to
// 13, in a fixed order, keeping only those the Earth generator makes Mixed.
const std::vector<ChunkKey>& surfaceChunkKeys();

// Voxels the generator samples in a chunk of this shell: the used columns of
// every layer.
std::uint64_t generatedVoxels(std::uint32_t shell);

using ChunkTable = std::unordered_map<ChunkKey, std::shared_ptr<Chunk>, ChunkKeyHasher>;

// The surface chunks and every chunk they are meshed against, built once with
// the Earth generator; the surface chunks' neighbour pointers are set the way
// a worker sets them (null where four finer chunks lie across a side).
struct MeshingSet {
    ChunkTable chunks;
    std::vector<Chunk*> meshed;                   // the surface chunks, in key order
    std::vector<FineNeighbourMap> fineNeighbours;  // one per meshed chunk
};
MeshingSet& meshingSet();

}  // namespace gravelkin::bench
