#include "bench/surface_chunks.h"

#include <cmath>

#include "factory/chunk_factory.h"
#include "factory/mesher/voxel_sides.h"
#include "geometry/level_table.h"
#include "geometry/neighbours.h"
#include "geometry/position_lookup.h"

namespace gravelkin::bench {

namespace {

std::vector<ChunkKey> findSurfaceKeys() {
    // A 4 x 4 fan of directions around +y, each at the middle radius of three
    // shells: the start view and the ground right around it.
    const float offsets[4] = {-0.15f, -0.05f, 0.05f, 0.15f};
    const float radii[3] = {368.0f, 400.0f, 432.0f};
    std::vector<ChunkKey> candidates;
    for (float radius : radii) {
        for (float a : offsets) {
            for (float b : offsets) {
                const float length = std::sqrt(a * a + 1.0f + b * b);
                const ChunkKey key = chunkKeyAt(a / length * radius, radius / length, b / length * radius);
                bool seen = false;
                for (const ChunkKey& other : candidates) seen = seen || other == key;
                if (!seen) candidates.push_back(key);
            }
        }
    }
    std::vector<ChunkKey> keys;
    ChunkFactory factory;
    for (const ChunkKey& key : candidates) {
        if (factory.buildChunk(key, benchEarth())->fillState == ChunkFillState::Mixed) keys.push_back(key);
    }
    return keys;
}

MeshingSet buildMeshingSet() {
    MeshingSet set;
    ChunkFactory factory;
    auto build = [&](const ChunkKey& key) {
        if (!set.chunks.contains(key)) set.chunks.emplace(key, factory.buildChunk(key, benchEarth()));
    };
    const std::vector<ChunkKey>& keys = surfaceChunkKeys();
    for (const ChunkKey& key : keys) {
        build(key);
        for (const Direction side : allDirections) {
            for (const ChunkKey& across : chunkKeysAcross(key, side)) build(across);
        }
    }
    set.fineNeighbours.resize(keys.size());
    for (std::size_t k = 0; k < keys.size(); ++k) {
        Chunk& chunk = *set.chunks.at(keys[k]);
        for (const Direction side : allDirections) {
            const std::vector<ChunkKey> across = chunkKeysAcross(keys[k], side);
            if (across.size() == 1) {
                chunk.neighbours[side] = set.chunks.at(across[0]).get();
                continue;
            }
            chunk.neighbours[side] = nullptr;
            for (const ChunkKey& fine : across) set.fineNeighbours[k].emplace(fine, set.chunks.at(fine));
        }
        set.meshed.push_back(&chunk);
    }
    return set;
}

}  // namespace

const TerrainGeneratorEarth& benchEarth() {
    static const TerrainGeneratorEarth generator;
    return generator;
}

const std::vector<ChunkKey>& surfaceChunkKeys() {
    static const std::vector<ChunkKey> keys = findSurfaceKeys();
    return keys;
}

std::uint64_t generatedVoxels(std::uint32_t shell) {
    std::uint64_t voxels = 0;
    for (std::uint32_t r = 0; r < 32; ++r) {
        const std::uint64_t columns = columnsPerChunk(32 * shell + r);
        voxels += columns * columns;
    }
    return voxels;
}

MeshingSet& meshingSet() {
    static MeshingSet set = buildMeshingSet();
    return set;
}

}  // namespace gravelkin::bench
