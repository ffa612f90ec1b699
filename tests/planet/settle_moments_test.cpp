// The moments a stopped planet reports from its chunks' stamps.

#include <gtest/gtest.h>

#include <chrono>

#include "planet/chunks_within.h"
#include "planet/settle_moments.h"
#include "tests/support/test_planet.h"

namespace gravelkin::test {
namespace {

using namespace std::chrono_literals;

TEST(SettleMomentsTest, AreTheLastStampsOfWhatWasBuiltAndMeshed) {
    TestPosition position;
    NullGraphicsDevice device;
    const std::int64_t before = stampNow();
    const std::unique_ptr<Planet> planet = streamingPlanet(device, 100.0f);
    ASSERT_TRUE(waitForConvergence(*planet, 60s));
    planet->stop();
    const std::int64_t after = stampNow();

    // The surroundings reach past the radius: their outer chunks lack a
    // neighbour and are never meshed.
    const std::vector<ChunkKey> near = chunkKeysWithin(testPosition(), 60.0f);
    const std::vector<ChunkKey> wide = chunkKeysWithin(testPosition(), 100.0f);
    const SettleMoments nearMoments = settleMoments(*planet, near);
    const SettleMoments wideMoments = settleMoments(*planet, wide);

    std::int64_t lastBuilt = 0;
    planet->forEachChunk([&](const Chunk& chunk) {
        EXPECT_GT(chunk.builtAt, before);
        EXPECT_LT(chunk.builtAt, after);
        if (!chunk.meshPending.load()) {
            EXPECT_GE(chunk.meshedAt, chunk.builtAt) << "every chunk needing no more mesh work was stamped";
        } else {
            EXPECT_EQ(chunk.meshedAt, 0) << "an unmeshed chunk has no mesh stamp";
        }
        lastBuilt = std::max(lastBuilt, chunk.builtAt);
    });
    EXPECT_GE(nearMoments.lastChange, lastBuilt);
    EXPECT_LT(nearMoments.lastChange, after);

    EXPECT_EQ(nearMoments.surroundingsMeshed, near.size());
    EXPECT_EQ(nearMoments.surroundingsUnmeshed, 0u);
    std::int64_t lastNear = 0;
    for (const ChunkKey& key : near) lastNear = std::max(lastNear, planet->findChunk(key)->meshedAt);
    EXPECT_EQ(nearMoments.lastSurroundingMeshed, lastNear);
    EXPECT_LE(nearMoments.lastSurroundingMeshed, nearMoments.lastChange);

    EXPECT_GT(wideMoments.surroundingsUnmeshed, 0u);
    EXPECT_EQ(wideMoments.surroundingsMeshed + wideMoments.surroundingsUnmeshed, wide.size());
    EXPECT_GE(wideMoments.lastSurroundingMeshed, nearMoments.lastSurroundingMeshed);
}

}  // namespace
}  // namespace gravelkin::test
