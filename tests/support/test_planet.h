// What the planet and factory suites share: a camera position the test sets
// (no Camera needed), planet states without threads to drive by hand, small
// chunk builders, and waits on a streaming planet.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <thread>
#include <unordered_set>
#include <vector>

#include "camera/camera.h"
#include "factory/chunk.h"
#include "geometry/chunk_key.h"
#include "geometry/neighbours.h"
#include "planet/planet.h"
#include "planet/planet_factory_side.h"
#include "planet/planet_manager_side.h"
#include "planet/planet_state.h"
#include "device/null_graphics_device.h"
#include "terrain/earth/terrain_generator_earth.h"
#include "tests/support/test_chunks.h"

namespace gravelkin::test {

using KeySet = std::unordered_set<ChunkKey, ChunkKeyHasher>;

// The point test planets stream around: a PositionSource. Each component is
// one atomic, as with the process camera, so streaming threads may read it
// while the test moves it.
struct TestPositionStore {
    std::atomic<float> x{cameraStartPosition.x}, y{cameraStartPosition.y}, z{cameraStartPosition.z};
};
inline TestPositionStore testPositionStore;

inline Vec3 testPosition() {
    return Vec3{testPositionStore.x.load(), testPositionStore.y.load(), testPositionStore.z.load()};
}

// Sets the test position for one test; back to the start when it goes.
class TestPosition {
public:
    explicit TestPosition(const Vec3& position = cameraStartPosition) { set(position); }
    ~TestPosition() { set(cameraStartPosition); }
    TestPosition(const TestPosition&) = delete;
    TestPosition& operator=(const TestPosition&) = delete;

    static void set(const Vec3& p) {
        testPositionStore.x.store(p.x);
        testPositionStore.y.store(p.y);
        testPositionStore.z.store(p.z);
    }
};

// A planet's state without threads, around the test position, with the Earth
// generator: the test plays the manager and the factories by hand, through
// their sides, on its own thread (or publishes from threads of its own).
struct TestState : PlanetState {
    TestState(GraphicsDevice& device, float radius)
        : PlanetState(device, radius, std::make_unique<TerrainGeneratorEarth>(), testPosition) {}

    PlanetFactorySide factorySide() { return PlanetFactorySide(*this); }
    PlanetManagerSide managerSide() { return PlanetManagerSide(*this); }
};

// A streaming planet around the test position.
inline std::unique_ptr<Planet> streamingPlanet(GraphicsDevice& device, float radius) {
    return std::make_unique<Planet>(device, radius, ChunkPipeline::Fast, testPosition);
}

// Waits until the manager reports three consecutive quiet passes that all
// started after `passesBefore` passes had completed: pass passesBefore + 1
// may have begun before a change the caller made just after reading the
// count. False when `limit` passes first.
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

// The keys of a stopped planet's chunks.
inline KeySet chunkKeys(const Planet& planet) {
    KeySet keys;
    planet.forEachChunk([&](const Chunk& chunk) { keys.insert(chunk.key); });
    return keys;
}

// The keys in a state's map; only while no other thread uses it.
inline KeySet mapKeys(const PlanetState& state) {
    KeySet keys;
    state.forEachChunk([&](const Chunk& chunk) { keys.insert(chunk.key); });
    return keys;
}

}  // namespace gravelkin::test
