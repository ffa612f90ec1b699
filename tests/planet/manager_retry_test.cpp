// Retries after a failure to get memory or a buffer: the delay, then the
// manager driven by hand against a planet without threads. The exact pass
// counts here pin the backoff table's arithmetic too.

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>

#include "camera/camera.h"
#include "factory/chunk_factory.h"
#include "geometry/level_table.h"
#include "geometry/position_lookup.h"
#include "planet/chunks_within.h"
#include "planet/manager.h"
#include "planet/retry_backoff.h"
#include "tests/support/test_chunks.h"
#include "tests/support/test_planet.h"

namespace gravelkin::test {
namespace {

TEST(RetryBackoffTest, TheDelayDoublesWithEachFailureUpToTheCap) {
    EXPECT_EQ(retryDelayPasses(0), 0u);
    EXPECT_EQ(retryDelayPasses(1), 8u);
    for (std::uint32_t failures = 1; failures < 100; ++failures) {
        const std::uint32_t now = retryDelayPasses(failures);
        const std::uint32_t next = retryDelayPasses(failures + 1);
        EXPECT_EQ(next, now * 2 > retryDelayCap ? retryDelayCap : now * 2) << failures;
    }
    EXPECT_EQ(retryDelayPasses(0xFFFFFFFFu), retryDelayCap);
    // A few seconds at 10-20 ms a pass.
    EXPECT_LE(retryDelayCap, 512u);
}

// A chunk as a generate job builds it: bare voxels, but a known fill state
// (a placeholder's is Unknown).
std::unique_ptr<Chunk> builtChunk(const ChunkKey& key) {
    auto chunk = std::make_unique<Chunk>(key);
    chunk->fillState = ChunkFillState::Mixed;
    return chunk;
}

class ManagerRetryTest : public ::testing::Test {
protected:
    static constexpr float radius = 100.0f;

    // One pass, then every request it left is popped and finished without a
    // chunk, but those of `key` as `kind`: whether there was one.
    bool passRequesting(const ChunkKey& key, RequestKind kind) {
        manager.pass();
        bool requested = false;
        ChunkRequest popped;
        while (factories.tryPopRequest(popped)) {
            if (popped.key == key && popped.kind == kind) {
                requested = true;
            } else {
                factories.finishRequest(popped.key);
            }
        }
        return requested;
    }

    // Passes until one requests `key` as `kind`: how many ran, or 0 when
    // `limit` ran without.
    int passesUntilRequested(const ChunkKey& key, RequestKind kind, int limit = 1000) {
        for (int passes = 1; passes <= limit; ++passes) {
            if (passRequesting(key, kind)) return passes;
        }
        return 0;
    }

    TestPosition position;
    NullGraphicsDevice device;
    TestState planet{device, radius};
    PlanetFactorySide factories = planet.factorySide();
    Manager manager{planet.managerSide()};
    const ChunkKey own = chunkKeyAt(cameraStartPosition.x, cameraStartPosition.y, cameraStartPosition.z);
};

// A placeholder within the radius stands for the delay of its key's failures
// so far, counted from the pass that takes it over; then it is erased and
// its chunk requested again.
TEST_F(ManagerRetryTest, APlaceholderIsErasedAndRequestedAgainAfterAGrowingDelay) {
    ASSERT_EQ(passesUntilRequested(own, RequestKind::Generate), 1);
    for (std::uint32_t failures = 1; failures <= 3; ++failures) {
        ASSERT_TRUE(factories.addChunk(skippedChunk(own)));
        factories.finishRequest(own);
        EXPECT_EQ(passesUntilRequested(own, RequestKind::Generate), int(retryDelayPasses(failures)) + 1)
            << "failure " << failures;
        EXPECT_EQ(planet.findChunk(own), nullptr) << "the placeholder was not erased";
        EXPECT_EQ(planet.stats().chunkRetries, failures);
    }
    ASSERT_TRUE(factories.addChunk(builtChunk(own)));
    factories.finishRequest(own);
    EXPECT_EQ(passesUntilRequested(own, RequestKind::Generate, 300), 0);
    EXPECT_TRUE(manager.skippedRetries().empty());
    EXPECT_EQ(planet.stats().chunkRetries, 3u);
    EXPECT_NE(planet.findChunk(own), nullptr);
}

// A planet that counts as converged has no hole left: a waiting placeholder
// keeps the passes from being quiet.
TEST_F(ManagerRetryTest, NoPassIsQuietWhileARetryWaits) {
    for (const ChunkKey& key : chunkKeysWithin(cameraStartPosition, radius)) {
        std::unique_ptr<Chunk> chunk = key == own ? skippedChunk(own) : builtChunk(key);
        chunk->meshPending.store(false);
        ASSERT_TRUE(factories.addChunk(std::move(chunk)));
    }
    for (std::uint32_t pass = 1; pass <= retryDelayPasses(1); ++pass) {
        manager.pass();
        ASSERT_TRUE(planet.idle()) << "pass " << pass;
        EXPECT_EQ(planet.stats().quietPasses, 0u) << "pass " << pass;
    }
    EXPECT_TRUE(passRequesting(own, RequestKind::Generate));
    EXPECT_EQ(planet.stats().quietPasses, 0u);
    std::unique_ptr<Chunk> built = builtChunk(own);
    built->meshPending.store(false);
    ASSERT_TRUE(factories.addChunk(std::move(built)));
    factories.finishRequest(own);
    for (int pass = 0; pass < 3; ++pass) manager.pass();
    EXPECT_EQ(planet.stats().quietPasses, 3u);
    EXPECT_TRUE(manager.skippedRetries().empty());
}

// Beyond the radius (yet within the drop distance) a placeholder is not
// needed: it stays, and is retried once the camera comes back.
TEST_F(ManagerRetryTest, APlaceholderBeyondTheRadiusWaitsForTheCamera) {
    ASSERT_EQ(passesUntilRequested(own, RequestKind::Generate), 1);
    ASSERT_TRUE(factories.addChunk(skippedChunk(own)));
    factories.finishRequest(own);
    const Vec3 centre = chunkCentre(own);
    position.set(Vec3{centre.x + radius * 1.1f, centre.y, centre.z});
    EXPECT_EQ(passesUntilRequested(own, RequestKind::Generate, 100), 0);
    EXPECT_NE(planet.findChunk(own), nullptr);
    position.set(cameraStartPosition);
    EXPECT_EQ(passesUntilRequested(own, RequestKind::Generate, 2), 1) << "its delay is long over";
    EXPECT_EQ(planet.findChunk(own), nullptr);
}

// A chunk whose buffer could not be created gets its Mesh request again
// after the delay of its count, from the pass that first sees that count.
TEST_F(ManagerRetryTest, AFailedBufferIsMeshedAgainAfterAGrowingDelay) {
    auto failed = builtChunk(own);
    failed->bufferFailures.store(1);
    ASSERT_TRUE(factories.addChunk(std::move(failed)));
    for (const ChunkKey& key : test::meshNeighbourKeys(own)) {
        ASSERT_TRUE(factories.addChunk(builtChunk(key)));
    }
    const std::shared_ptr<Chunk> chunk = factories.findChunk(own);
    for (std::uint32_t failures = 1; failures <= 3; ++failures) {
        EXPECT_EQ(passesUntilRequested(own, RequestKind::Mesh), int(retryDelayPasses(failures)) + 1)
            << "failure " << failures;
        EXPECT_EQ(planet.stats().meshRetries, failures);
        chunk->bufferFailures.store(failures + 1);  // the retry failed too
        factories.finishRequest(own);
    }
    // Failed four times: the last retry succeeds.
    EXPECT_EQ(passesUntilRequested(own, RequestKind::Mesh), int(retryDelayPasses(4)) + 1);
    chunk->meshPending.store(false);
    factories.finishRequest(own);
    EXPECT_EQ(passesUntilRequested(own, RequestKind::Mesh, 300), 0);
    EXPECT_TRUE(manager.meshRetries().empty());
    EXPECT_EQ(planet.stats().meshRetries, 4u);
}

}  // namespace
}  // namespace gravelkin::test
