#include "tools/probe/planet_census.h"

#include <cstdio>

#include "device/chunk_vertex.h"
#include "planet/chunks_within.h"
#include "tools/print_streaming_stats.h"
#include "voxel/constant_voxel_blocks.h"

namespace gravelkin::tools {

namespace {

ChunkMemory measureChunkMemory(const Planet& planet) {
    ChunkMemory memory;
    planet.forEachChunk([&](const Chunk& chunk) {
        ++memory.records;
        memory.ownBlocks += chunk.voxels.ownsBlock();
    });
    const std::uint64_t sharedBlocks = constantVoxelBlockCount();
    memory.bytes = memory.records * sizeof(Chunk) + (memory.ownBlocks + sharedBlocks) * sizeof(VoxelBlock);
    return memory;
}

}  // namespace

Census takeCensus(const Planet& planet, const Vec3& eye) {
    Census census;
    planet.forEachChunk([&](const Chunk& chunk) {
        const auto fill = static_cast<std::size_t>(chunk.fillState);
        ++census.byFill[chunk.fillState <= ChunkFillState::AllSolid ? fill : 0u];
        const std::uint32_t count = chunk.vertexCount.load(std::memory_order_acquire);
        census.vertices += count;
        census.withFaces += count != 0;
        if (chunk.meshPending.load(std::memory_order_acquire)) {
            ++census.unmeshed;
            census.unmeshedReady += planet.neighboursPublished(chunk.key);
        } else if (chunk.fillState != ChunkFillState::AllAir) {
            ++census.meshed;
        }
    });
    for (const ChunkKey& key : chunkKeysWithin(eye, planet.effectiveRadius())) {
        ++census.within;
        census.missing += planet.findChunk(key) == nullptr;
    }
    census.memory = measureChunkMemory(planet);
    return census;
}

void printChunks(const Census& census, const Planet& planet) {
    const auto byFill = [&](ChunkFillState state) { return census.byFill[static_cast<std::size_t>(state)]; };
    const auto u64 = [](std::uint64_t value) { return static_cast<unsigned long long>(value); };
    std::printf("chunks: %zu\n", planet.chunkCount());
    std::printf("chunks_unknown: %zu\n", byFill(ChunkFillState::Unknown));
    std::printf("chunks_mixed: %zu\n", byFill(ChunkFillState::Mixed));
    std::printf("chunks_all_air: %zu\n", byFill(ChunkFillState::AllAir));
    std::printf("chunks_all_solid: %zu\n", byFill(ChunkFillState::AllSolid));
    std::printf("chunks_meshed: %zu\n", census.meshed);
    std::printf("chunks_with_faces: %zu\n", census.withFaces);
    std::printf("chunks_unmeshed: %zu\n", census.unmeshed);
    std::printf("chunks_unmeshed_with_all_neighbours: %zu\n", census.unmeshedReady);
    std::printf("chunks_within_radius: %zu\n", census.within);
    std::printf("chunks_within_radius_missing: %zu\n", census.missing);
    std::printf("chunks_with_own_voxel_block: %llu\n", u64(census.memory.ownBlocks));
    std::printf("chunk_memory_bytes: %llu (%.1f MiB)\n", u64(census.memory.bytes), mib(census.memory.bytes));
    std::printf("faces: %llu\n", u64(census.vertices / 6));
    std::printf("vertices: %llu\n", u64(census.vertices));
    std::printf("vertex_bytes: %llu (%.1f MiB)\n", u64(census.vertices * sizeof(ChunkVertex)),
                mib(census.vertices * sizeof(ChunkVertex)));
    printStreamingStats(planet.stats());
}

}  // namespace gravelkin::tools
