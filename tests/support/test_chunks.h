// Small chunk builders and key lists that the factory and planet suites share.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "factory/chunk.h"
#include "geometry/chunk_key.h"
#include "geometry/neighbours.h"
#include "device/null_graphics_device.h"

namespace gravelkin::test {

// Every key whose presence a mesh of `key` needs, in the order the manager
// asks for them: one per direction, or the four finer keys where split.
inline std::vector<ChunkKey> meshNeighbourKeys(const ChunkKey& key) {
    std::vector<ChunkKey> keys;
    for (const Direction d : allDirections) {
        for (const ChunkKey& across : chunkKeysAcross(key, d)) keys.push_back(across);
    }
    return keys;
}

// A bare chunk (voxels as constructed) with a one-vertex buffer on `device`,
// so that its destruction shows in device.liveBuffers().
inline std::unique_ptr<Chunk> chunkWithBuffer(const ChunkKey& key, NullGraphicsDevice& device) {
    auto chunk = std::make_unique<Chunk>(key);
    const ChunkVertex vertex{};
    chunk->vertexBuffer = device.createVertexBuffer(&vertex, 1);
    return chunk;
}

}  // namespace gravelkin::test
