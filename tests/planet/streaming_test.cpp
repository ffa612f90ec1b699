// The real planet, with its manager and five factories, streaming around a
// still camera until it settles (and the moments it settled, from the
// chunks' stamps): with a moving camera, with stops at random moments, and
// with a device or a voxel allocator that fails for a while.

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "camera/distance.h"
#include "factory/chunk_factory.h"
#include "factory/factory_jobs.h"
#include "planet/chunk_census.h"
#include "planet/chunks_within.h"
#include "planet/manager.h"
#include "planet/settle_moments.h"
#include "voxel/voxel_block_memory.h"
#include "tests/support/comparisons.h"
#include "tests/support/test_host.h"
#include "tests/support/test_planet.h"

namespace gravelkin::test {
namespace {

using namespace std::chrono_literals;

// Small enough to settle in a second or two, large enough to span several
// shells and a level step.
constexpr float testRadius = 100.0f;

std::optional<std::vector<ChunkVertex>> verticesOf(const Chunk& chunk) {
    if (chunk.vertexBuffer == nullptr) return std::nullopt;
    return static_cast<const NullVertexBuffer*>(chunk.vertexBuffer)->vertices();
}

// What a converged planet around a still camera must hold. Only after stop().
void expectConvergedAround(const Planet& planet, const Vec3& eye) {
    EXPECT_EQ(planet.inFlightCount(), 0u);
    EXPECT_EQ(planet.pendingRequests(), 0u);

    const KeySet held = chunkKeys(planet);
    std::size_t missing = 0;
    for (const ChunkKey& key : chunkKeysWithin(eye, planet.viewRadius())) missing += held.count(key) == 0;
    EXPECT_EQ(missing, 0u) << "chunks within the radius that were never streamed in";

    const float dropThreshold = planet.viewRadius() * planet.viewRadius() * Manager::dropFactor;
    std::size_t far = 0;
    std::size_t unmeshedWithNeighbours = 0;
    planet.forEachChunk([&](const Chunk& chunk) {
        far += distanceSquared(eye, chunk.centre) > dropThreshold;
        if (chunk.meshPending.load() && planet.neighboursPublished(chunk.key)) ++unmeshedWithNeighbours;
    });
    EXPECT_EQ(far, 0u) << "chunks beyond the drop distance still held";
    EXPECT_EQ(unmeshedWithNeighbours, 0u) << "chunks left unmeshed although every neighbour is present";

    const std::vector<ChunkKey> drawn = planet.drawListSnapshot();
    const KeySet drawnSet(drawn.begin(), drawn.end());
    std::size_t undrawn = 0;
    for (const ChunkKey& key : held) undrawn += drawnSet.count(key) == 0;
    EXPECT_EQ(undrawn, 0u) << "chunks missing from the draw list";
}

// Converges around the camera, follows it to the other side of the planet
// (dropping what it left behind), and ends with the chunks and meshes that
// the plain pipeline makes on one thread, stamped when they were made.
TEST(StreamingTest, ConvergesWhereverTheCameraRestsAndMeshesLikeThePlainPipelineOnOneThread) {
    TestPosition position;
    NullGraphicsDevice device;
    const std::int64_t startStamp = stampNow();
    const auto owner = streamingPlanet(device, testRadius);
    Planet& planet = *owner;
    ASSERT_TRUE(waitForConvergence(planet, 120s));
    const std::vector<ChunkKey> before = planet.drawListSnapshot();
    ASSERT_FALSE(before.empty());

    const Vec3 away{400.0f, 0.0f, 0.0f};  // on face 5
    position.set(away);
    ASSERT_TRUE(waitForConvergence(planet, 120s, planet.stats().passes));
    planet.stop();
    const std::int64_t stopStamp = stampNow();
    expectConvergedAround(planet, away);
    std::size_t kept = 0;
    for (const ChunkKey& key : before) kept += planet.findChunk(key) != nullptr;
    EXPECT_EQ(kept, 0u);
    EXPECT_GT(planet.stats().erasedChunks, 0u);

    // The fast paths, under five threads, must give the same chunks and
    // meshes bit for bit as the plain generator and mesher on one thread.
    TestHost reference;
    ChunkFactory factory(ChunkPipeline::Reference);
    for (const ChunkKey& key : chunkKeys(planet)) reference.publish(factory.buildChunk(key, reference.earth));
    for (const auto& [key, chunk] : reference.chunks) {
        if (!chunk->meshPending.load()) continue;
        NeighbourSlots slots;
        FactoryWorkspace workspace;
        if (gatherNeighbours(reference, *chunk, slots, workspace.fineNeighbours)) {
            ASSERT_TRUE(meshGathered(*chunk, workspace.fineNeighbours, factory.cache, reference.nullDevice,
                                     ChunkPipeline::Reference));
        }
    }

    std::size_t meshed = 0;
    std::size_t faces = 0;
    std::int64_t lastBuilt = 0;
    planet.forEachChunk([&](const Chunk& streamed) {
        EXPECT_GT(streamed.builtAt, startStamp);
        EXPECT_LT(streamed.builtAt, stopStamp);
        if (!streamed.meshPending.load()) {
            EXPECT_GE(streamed.meshedAt, streamed.builtAt) << "every chunk needing no more mesh work was stamped";
        } else {
            EXPECT_EQ(streamed.meshedAt, 0) << "an unmeshed chunk has no mesh stamp";
        }
        lastBuilt = std::max(lastBuilt, streamed.builtAt);
        const std::shared_ptr<Chunk> built = reference.findChunk(streamed.key);
        ASSERT_NE(built, nullptr);
        const ChunkKey& key = streamed.key;
        SCOPED_TRACE(::testing::Message() << "chunk " << key.x << "," << key.shell << "," << key.y << ","
                                          << int(key.face));
        EXPECT_EQ(streamed.fillState, built->fillState);
        EXPECT_EQ(streamed.meshPending.load(), built->meshPending.load());
        ASSERT_EQ(streamed.vertexCount.load(), built->vertexCount.load());
        const auto a = verticesOf(streamed);
        const auto b = verticesOf(*built);
        ASSERT_EQ(a.has_value(), b.has_value());
        if (a) {
            EXPECT_TRUE(sameBits(*a, *b));
            ++meshed;
            faces += a->size() / 6;
        }
    });
    EXPECT_GT(meshed, 0u);
    EXPECT_GT(faces, 0u);

    // The overlay's census of the same chunks.
    const ChunkCensus census = takeChunkCensus(planet.chunkSnapshot());
    EXPECT_EQ(census.chunks, planet.chunkCount());
    EXPECT_EQ(census.count(ChunkFillState::Mixed) + census.count(ChunkFillState::AllAir) +
                  census.count(ChunkFillState::AllSolid),
              census.chunks);
    EXPECT_GE(census.meshed, meshed);
    EXPECT_EQ(census.faces, faces);
    EXPECT_EQ(census.vertexBytes, faces * 6 * sizeof(ChunkVertex));
    EXPECT_GT(census.memoryBytes, census.chunks * sizeof(Chunk));

    // The settle moments, from the stamps. The surroundings reach past the
    // radius: their outer chunks lack a neighbour and are never meshed.
    const std::vector<ChunkKey> near = chunkKeysWithin(away, 60.0f);
    const std::vector<ChunkKey> wide = chunkKeysWithin(away, testRadius);
    const SettleMoments nearMoments = settleMoments(planet, near);
    const SettleMoments wideMoments = settleMoments(planet, wide);
    EXPECT_GE(nearMoments.lastChange, lastBuilt);
    EXPECT_LT(nearMoments.lastChange, stopStamp);
    EXPECT_EQ(nearMoments.surroundingsMeshed, near.size());
    EXPECT_EQ(nearMoments.surroundingsUnmeshed, 0u);
    std::int64_t lastNear = 0;
    for (const ChunkKey& key : near) lastNear = std::max(lastNear, planet.findChunk(key)->meshedAt);
    EXPECT_EQ(nearMoments.lastSurroundingMeshed, lastNear);
    EXPECT_LE(nearMoments.lastSurroundingMeshed, nearMoments.lastChange);
    EXPECT_GT(wideMoments.surroundingsUnmeshed, 0u);
    EXPECT_EQ(wideMoments.surroundingsMeshed + wideMoments.surroundingsUnmeshed, wide.size());
    EXPECT_GE(wideMoments.lastSurroundingMeshed, nearMoments.lastSurroundingMeshed);
}

// The stop cycles are for the sanitizers to watch: 200 under AddressSanitizer
// and ThreadSanitizer; the plain build runs 20, a minute less of its suite.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr int stopCycles = 200;
#else
constexpr int stopCycles = 20;
#endif

// Planets, each streamed for a random 0-300 ms around a camera that jumps
// half-way between places (surface, core, space, a face edge, a slope), so
// that chunks are dropped while their jobs run, and then stopped: every stop
// returns, and nothing is left behind (under the sanitizers: no leak, no use
// after free, no race). The bound only catches a thread that never stops.
TEST(StreamingTest, PlanetsAroundAJumpingCameraStoppedAtRandomMomentsStopAndLeaveNothing) {
    NullGraphicsDevice device;
    TestPosition position;
    std::mt19937 random(20240611);
    std::uniform_int_distribution<int> streamMilliseconds(0, 300);
    const Vec3 places[] = {
        {0.0f, 400.0f, 0.0f},   {400.0f, 0.0f, 0.0f},  {0.0f, -400.0f, 0.0f},     {0.0f, 0.0f, 0.0f},
        {300.0f, 300.0f, 0.0f}, {0.0f, 0.0f, -420.0f}, {-250.0f, 20.0f, 280.0f}, {0.0f, 900.0f, 0.0f},
    };
    std::chrono::steady_clock::duration longest{};
    std::uint64_t generateRequests = 0;
    for (int cycle = 0; cycle < stopCycles; ++cycle) {
        position.set(places[cycle % std::size(places)]);
        auto planet = streamingPlanet(device, Planet::defaultViewRadius);
        const std::chrono::milliseconds streamed(streamMilliseconds(random));
        std::this_thread::sleep_for(streamed / 2);
        position.set(places[(cycle + 3) % std::size(places)]);
        std::this_thread::sleep_for(streamed - streamed / 2);
        const auto start = std::chrono::steady_clock::now();
        planet->stop();
        longest = std::max(longest, std::chrono::steady_clock::now() - start);
        generateRequests += planet->stats().generateRequests;
        planet.reset();
        ASSERT_EQ(device.liveBuffers(), 0) << "cycle " << cycle;
    }
    const double longestMs = std::chrono::duration<double, std::milli>(longest).count();
    std::printf("longest stop of %d: %.1f ms\n", stopCycles, longestMs);
    RecordProperty("longest_stop_ms", std::to_string(longestMs));
    EXPECT_LT(longest, 5s);
    EXPECT_GT(generateRequests, 0u);
}

// Fails the first `failures` buffer creations, then creates as the null
// device does. Any thread.
class FirstCreationsFailDevice final : public GraphicsDevice {
public:
    explicit FirstCreationsFailDevice(std::int64_t failures) : failuresLeft_(failures) {}
    VertexBuffer* createVertexBuffer(const ChunkVertex* vertices, std::uint32_t count) override {
        return fails() ? nullptr : inner.createVertexBuffer(vertices, count);
    }
    VertexBuffer* createFaceBuffer(const ChunkFaces& faces) override {
        return fails() ? nullptr : inner.createFaceBuffer(faces);
    }

    NullGraphicsDevice inner;

private:
    bool fails() { return failuresLeft_.fetch_sub(1) > 0; }
    std::atomic<std::int64_t> failuresLeft_;
};

TEST(RetryStreamingTest, ADeviceThatFailsTheFirstCreationsEndsWithEveryChunkMeshed) {
    constexpr std::int64_t failures = 20;
    TestPosition position;
    FirstCreationsFailDevice device(failures);
    {
        Planet planet(device, testRadius, ChunkPipeline::Fast, testPosition);
        ASSERT_TRUE(waitForConvergence(planet, 120s));
        planet.stop();
        expectConvergedAround(planet, cameraStartPosition);
        const StreamingStats stats = planet.stats();
        EXPECT_EQ(stats.failedBuffers, std::uint64_t{failures});
        // One more retry where a neighbour went missing meanwhile.
        EXPECT_GE(stats.meshRetries, stats.failedBuffers);

        std::size_t failedOnce = 0, withoutBuffer = 0, drawn = 0;
        planet.forEachChunk([&](const Chunk& chunk) {
            const bool failed = chunk.bufferFailures.load() != 0;
            failedOnce += failed;
            withoutBuffer += failed && chunk.vertexCount.load() == 0;
            drawn += chunk.vertexCount.load() != 0;
        });
        EXPECT_GT(failedOnce, 0u);
        EXPECT_EQ(withoutBuffer, 0u) << "chunks whose buffer failed and was never created";
        EXPECT_EQ(device.inner.liveBuffers(), static_cast<std::int64_t>(drawn));
    }
    EXPECT_EQ(device.inner.liveBuffers(), 0);
}

std::atomic<int> blockFailuresLeft{0};
bool failWhileAny() { return blockFailuresLeft.fetch_sub(1) > 0; }

TEST(RetryStreamingTest, AnAllocatorThatFailsForAWhileLeavesNoPlaceholderWithinTheRadius) {
    constexpr int failures = 30;
    TestPosition position;
    NullGraphicsDevice device;
    blockFailuresLeft.store(failures);
    setVoxelBlockAllocationFault(failWhileAny);
    {
        Planet planet(device, testRadius, ChunkPipeline::Fast, testPosition);
        const bool converged = waitForConvergence(planet, 120s);
        planet.stop();
        setVoxelBlockAllocationFault(nullptr);
        ASSERT_TRUE(converged);
        expectConvergedAround(planet, cameraStartPosition);
        EXPECT_EQ(planet.stats().skippedChunks, std::uint64_t{failures});
        EXPECT_GT(planet.stats().chunkRetries, 0u);
        std::size_t placeholders = 0;
        for (const ChunkKey& key : chunkKeysWithin(cameraStartPosition, testRadius)) {
            const std::shared_ptr<const Chunk> chunk = planet.findChunk(key);
            placeholders += chunk != nullptr && isSkippedChunk(*chunk);
        }
        EXPECT_EQ(placeholders, 0u) << "placeholders within the radius after the failures stopped";
    }
    setVoxelBlockAllocationFault(nullptr);
}

}  // namespace
}  // namespace gravelkin::test
