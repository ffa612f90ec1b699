// The memory budget on a streaming planet: a budget too small for the radius
// makes the planet settle at a smaller radius with every chunk within it
// present, holding no more than the budget; the planet's own figure falls to
// nothing with its chunks.

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "device/null_graphics_device.h"
#include "planet/chunks_within.h"
#include "planet/manager.h"
#include "planet/planet.h"
#include "tests/support/test_planet.h"

namespace gravelkin::test {
namespace {

using namespace std::chrono_literals;

bool settles(const Planet& planet, std::chrono::seconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < deadline) {
        if (planet.stats().quietPasses >= 5) return true;
        std::this_thread::sleep_for(10ms);
    }
    return false;
}

TEST(MemoryBudgetTest, ASmallBudgetSettlesAtASmallerRadiusWithEveryChunkWithinIt) {
    TestPosition position;
    NullGraphicsDevice device;
    auto planet = streamingPlanet(device, 300.0f);
    constexpr std::uint64_t budget = 96ull << 20;
    planet->setMemoryBudget(budget);
    ASSERT_TRUE(settles(*planet, 60s));
    const float radius = planet->effectiveRadius();
    EXPECT_LT(radius, 300.0f);
    EXPECT_GE(radius, 96.0f);
    EXPECT_LE(planet->memoryBytes(), budget);
    EXPECT_GT(planet->memoryBytes(), budget / 2) << "the budget is used, not left idle";
    for (const ChunkKey& key : chunkKeysWithin(cameraStartPosition, radius)) {
        ASSERT_NE(planet->findChunk(key), nullptr) << "missing within the radius in effect";
    }
}

TEST(MemoryBudgetTest, OpenSpaceHoldsNoMoreChunksThanTheManagerTracks) {
    // Some 74,000 air chunks lie within 1,000 units out here, more than the
    // manager holds. It settles in about half a second; under
    // ThreadSanitizer in about ten.
    TestPosition position({0.0f, 0.0f, -3000.0f});
    NullGraphicsDevice device;
    auto planet = streamingPlanet(device, 1000.0f);
    ASSERT_TRUE(settles(*planet, 60s));
    EXPECT_LE(planet->chunkCount(), Manager::maxHeldChunks);
    EXPECT_LT(planet->effectiveRadius(), 1000.0f);
    for (const ChunkKey& key : chunkKeysWithin({0.0f, 0.0f, -3000.0f}, planet->effectiveRadius())) {
        ASSERT_NE(planet->findChunk(key), nullptr) << "missing within the radius in effect";
    }
}

}  // namespace
}  // namespace gravelkin::test
