// What a set of published chunks holds: how many of each fill state, how many
// are meshed, their faces and vertex bytes, and what their records and voxel
// blocks take in memory (the shared constant blocks counted once).
//
// Threads: any thread, on shared owners taken from a running planet
// (Planet::chunkSnapshot): it reads only what is fixed once a chunk is
// published and the atomics the factories publish.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "factory/chunk.h"

namespace gravelkin {

struct ChunkCensus {
    std::size_t chunks = 0;
    std::size_t byFill[4] = {0, 0, 0, 0};  // by ChunkFillState
    std::size_t meshed = 0;                // mesh step done, not all air
    std::uint64_t faces = 0;
    std::uint64_t vertexBytes = 0;
    std::uint64_t memoryBytes = 0;  // records and voxel blocks

    std::size_t count(ChunkFillState state) const { return byFill[static_cast<std::size_t>(state)]; }
};

ChunkCensus takeChunkCensus(const std::vector<std::shared_ptr<const Chunk>>& chunks);

}  // namespace gravelkin
