// Helpers shared by the planet tests: a camera that never moves by itself,
// waiting for streaming to settle, and small chunk builders.
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <thread>
#include <unordered_set>
#include <vector>

#include "camera/camera.h"
#include "camera/still_camera_input.h"
#include "factory/chunk.h"
#include "geometry/chunk_key.h"
#include "geometry/neighbours.h"
#include "planet/neighbours_present.h"
#include "planet/planet.h"
#include "render/device/null_graphics_device.h"

namespace gravelkin::planet_test {

// The process-wide camera for one test. Declare it before the Planet, so that
// it outlives the planet's threads, which read it.
struct TestCamera {
    explicit TestCamera(const Vec3& position = cameraStartPosition) { camera.setPosition(position); }
    StillCameraInput input;
    Camera camera{input};
};

using KeySet = std::unordered_set<ChunkKey, ChunkKeyHasher>;

// Every key whose presence a mesh of `key` needs, in the order the manager
// asks for them: one per direction, or the four finer keys where split.
inline std::vector<ChunkKey> meshNeighbourKeys(const ChunkKey& key) {
    std::vector<ChunkKey> keys;
    for (std::uint8_t d = 0; d < directionCount; ++d) {
        for (const ChunkKey& across : chunkKeysAcross(key, d)) keys.push_back(across);
    }
    return keys;
}

// Waits until the manager reports three consecutive quiet passes (see
// StreamingStats) that all started after `passesBefore` passes had completed:
// pass passesBefore + 1 may have begun before a change the caller made just
// after reading the count. False when `limit` passes first.
inline bool waitForConvergence(const Planet& planet, std::chrono::milliseconds limit,
                               std::uint64_t passesBefore = 0) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    for (;;) {
        const StreamingStats stats = planet.stats();
        if (stats.quietPasses >= 3 && stats.passes >= passesBefore + 4) return true;
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

// Waits for the next `count` manager passes to complete.
inline void waitForPasses(const Planet& planet, std::uint64_t count) {
    const std::uint64_t target = planet.stats().passes + count;
    while (planet.stats().passes < target) std::this_thread::sleep_for(std::chrono::milliseconds(2));
}

// The keys in a planet's map. Only while no thread of the planet runs (after
// stop(), or on a planet without threads): a traversal is not safe otherwise.
inline KeySet mapKeys(const Planet& planet) {
    KeySet keys;
    for (const auto& entry : planet.chunks) keys.insert(entry.first);
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

}  // namespace gravelkin::planet_test
