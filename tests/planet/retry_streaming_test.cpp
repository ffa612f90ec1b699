// The real planet, streaming around a still camera while the device or the
// voxel allocator fails for a while: once the failures stop, the planet
// converges with no hole they left.

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdint>

#include "factory/chunk_factory.h"
#include "planet/chunks_within.h"
#include "voxel/voxel_block_memory.h"
#include "tests/support/test_planet.h"

namespace gravelkin::test {
namespace {

using namespace std::chrono_literals;
using test::waitForConvergence;

constexpr float testRadius = 100.0f;

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
        const StreamingStats stats = planet.stats();
        EXPECT_EQ(stats.failedBuffers, std::uint64_t{failures});
        // Each failure was followed by a retry (one more where a neighbour went
        // missing meanwhile).
        EXPECT_GE(stats.meshRetries, stats.failedBuffers);

        std::size_t failedOnce = 0, unmeshed = 0, withoutBuffer = 0, drawn = 0;
        planet.forEachChunk([&](const Chunk& chunk) {
            const bool failed = chunk.bufferFailures.load() != 0;
            failedOnce += failed;
            if (chunk.meshPending.load() && planet.neighboursPublished(chunk.key)) ++unmeshed;
            if (failed && chunk.vertexCount.load() == 0) ++withoutBuffer;
            drawn += chunk.vertexCount.load() != 0;
        });
        EXPECT_GT(failedOnce, 0u);
        EXPECT_EQ(unmeshed, 0u) << "chunks left unmeshed although every neighbour is present";
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
        const StreamingStats stats = planet.stats();
        EXPECT_EQ(stats.skippedChunks, std::uint64_t{failures});
        EXPECT_GT(stats.chunkRetries, 0u);

        std::size_t missing = 0, placeholders = 0;
        for (const ChunkKey& key : chunkKeysWithin(cameraStartPosition, testRadius)) {
            const std::shared_ptr<const Chunk> chunk = planet.findChunk(key);
            if (chunk == nullptr) {
                ++missing;
            } else {
                placeholders += isSkippedChunk(*chunk);
            }
        }
        EXPECT_EQ(missing, 0u);
        EXPECT_EQ(placeholders, 0u) << "placeholders within the radius after the failures stopped";
        std::size_t unmeshed = 0;
        planet.forEachChunk([&](const Chunk& chunk) {
            if (chunk.meshPending.load() && planet.neighboursPublished(chunk.key)) ++unmeshed;
        });
        EXPECT_EQ(unmeshed, 0u);
    }
    setVoxelBlockAllocationFault(nullptr);
}

}  // namespace
}  // namespace gravelkin::test
