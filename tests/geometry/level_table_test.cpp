#include "geometry/level_table.h"

#include <gtest/gtest.h>

#include <atomic>
#include <random>
#include <thread>
#include <vector>

namespace gravelkin {
namespace {

TEST(LevelTable, LevelRisesByOneAtTheListedRadii) {
    const std::uint32_t rises[] = {1, 2, 5, 10, 20, 40, 81, 162, 325, 651, 1303, 2607};
    EXPECT_EQ(columnLevel(0), 0);
    std::uint8_t expected = 0;
    std::size_t next = 0;
    for (std::uint32_t r = 1; r <= 3000; ++r) {
        if (next < std::size(rises) && r == rises[next]) {
            ++expected;
            ++next;
        }
        ASSERT_EQ(columnLevel(r), expected) << "radius " << r;
    }
}

TEST(LevelTable, FirstEntriesAndSamples) {
    const std::uint8_t first[] = {0, 1, 2, 2, 2, 3, 3, 3, 3, 3, 4};
    for (std::uint32_t r = 0; r < std::size(first); ++r) EXPECT_EQ(columnLevel(r), first[r]) << r;
    EXPECT_EQ(columnLevel(40), 6);
    EXPECT_EQ(columnLevel(400), 9);
}

TEST(LevelTable, GrowsInOneStepToExactlyTheRadiusAsked) {
    // The table is process-wide: start past whatever other tests grew.
    const std::uint32_t base = levelTableLength() + 100;
    ensureLevels(base);
    EXPECT_EQ(levelTableLength(), base + 1);
    ensureLevels(base - 50);
    EXPECT_EQ(levelTableLength(), base + 1);
    columnLevel(base + 5000);
    EXPECT_EQ(levelTableLength(), base + 5001);
}

TEST(LevelTable, ColumnChordDecidesRefinement) {
    // Radius 4 with 4 columns still fits; radius 5 would exceed 2.0 units.
    EXPECT_LE(columnChord(4, 4), 2.0f);
    EXPECT_GT(columnChord(5, 4), 2.0f);
    EXPECT_LE(columnChord(5, 8), 2.0f);
}

TEST(ChunkGrid, ChunksPerSideByShell) {
    EXPECT_EQ(chunksPerSide(0), 1);
    EXPECT_EQ(chunksPerSide(1), 2);
    EXPECT_EQ(chunksPerSide(2), 4);
    EXPECT_EQ(chunksPerSide(4), 4);
    EXPECT_EQ(chunksPerSide(5), 8);
    EXPECT_EQ(chunksPerSide(9), 8);
    EXPECT_EQ(chunksPerSide(10), 16);
    EXPECT_EQ(chunksPerSide(12), 16);
    EXPECT_EQ(chunksPerSide(16), 16);
    EXPECT_EQ(chunksPerSide(19), 16);
    EXPECT_EQ(chunksPerSide(20), 32);
    EXPECT_EQ(chunksPerSide(39), 32);
    EXPECT_EQ(chunksPerSide(40), 64);
    EXPECT_EQ(chunksPerSide(81), 128);
}

TEST(ChunkGrid, ColumnsPerChunkHalvesInwardWhereTheLevelDrops) {
    EXPECT_EQ(columnsPerChunk(0), 1u);
    EXPECT_EQ(columnsPerChunk(1), 2u);
    for (std::uint32_t r = 2; r <= 4; ++r) EXPECT_EQ(columnsPerChunk(r), 4u) << r;
    for (std::uint32_t r = 5; r <= 9; ++r) EXPECT_EQ(columnsPerChunk(r), 8u) << r;
    for (std::uint32_t r = 10; r <= 19; ++r) EXPECT_EQ(columnsPerChunk(r), 16u) << r;
    for (std::uint32_t r = 20; r <= 31; ++r) EXPECT_EQ(columnsPerChunk(r), 32u) << r;
    for (std::uint32_t r = 320; r <= 324; ++r) EXPECT_EQ(columnsPerChunk(r), 16u) << r;
    for (std::uint32_t r = 325; r <= 351; ++r) EXPECT_EQ(columnsPerChunk(r), 32u) << r;
}

void expectNear(const Vec3& actual, const Vec3& expected, float tolerance) {
    EXPECT_NEAR(actual.x, expected.x, tolerance);
    EXPECT_NEAR(actual.y, expected.y, tolerance);
    EXPECT_NEAR(actual.z, expected.z, tolerance);
}

TEST(ChunkGrid, ChunkCentres) {
    expectNear(chunkCentre({0, 0, 0, 0}), {0, 0, 16}, 1e-5f);
    expectNear(chunkCentre({0, 0, 0, 1}), {0, 16, 0}, 1e-5f);
    expectNear(chunkCentre({0, 0, 0, 4}), {-16, 0, 0}, 1e-5f);
    expectNear(chunkCentre({0, 12, 0, 0}), {224.40f, 224.09f, 243.78f}, 0.01f);
    expectNear(chunkCentre({15, 12, 15, 0}), {-224.40f, -224.09f, 243.78f}, 0.01f);
    expectNear(chunkCentre({7, 12, 8, 5}), {398.93f, 19.61f, 21.71f}, 0.01f);
}

// Several threads grow the table to different radii while others read
// covered entries; every value read must be the one the table settles on.
TEST(LevelTable, ConcurrentGrowthAndReadsAgree) {
    constexpr int threadCount = 6;
    constexpr std::uint32_t maxRadius = 60000;
    std::atomic<bool> go{false};
    std::vector<std::vector<std::pair<std::uint32_t, std::uint8_t>>> seen(threadCount);
    std::vector<std::thread> threads;
    for (int t = 0; t < threadCount; ++t) {
        threads.emplace_back([&, t] {
            std::mt19937 random(1234 + t);
            std::uniform_int_distribution<std::uint32_t> radius(0, maxRadius);
            while (!go.load()) std::this_thread::yield();
            for (int k = 0; k < 4000; ++k) {
                // Small radii are read far more often than new ones are grown.
                const std::uint32_t r = (k % 8 == 0) ? radius(random) : radius(random) % 2000;
                seen[t].emplace_back(r, columnLevel(r));
            }
        });
    }
    go.store(true);
    for (auto& thread : threads) thread.join();

    std::uint8_t previous = 0;
    for (std::uint32_t r = 0; r <= maxRadius; ++r) {
        const std::uint8_t level = columnLevel(r);
        ASSERT_TRUE(level == previous || level == previous + 1) << "radius " << r;
        previous = level;
    }
    for (const auto& readings : seen) {
        for (const auto& [r, level] : readings) ASSERT_EQ(level, columnLevel(r)) << "radius " << r;
    }
}

TEST(LevelTable, TwoThreadsGrowingToDifferentRadiiCoverTheLarger) {
    const std::uint32_t base = levelTableLength();
    std::thread a([base] { ensureLevels(base + 7000); });
    std::thread b([base] { ensureLevels(base + 9000); });
    a.join();
    b.join();
    EXPECT_EQ(levelTableLength(), base + 9001);
}

}  // namespace
}  // namespace gravelkin
