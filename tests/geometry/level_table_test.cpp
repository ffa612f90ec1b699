#include "geometry/level_table.h"

#include <atomic>
#include <random>
#include <thread>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "tests/support/comparisons.h"

namespace gravelkin {
namespace {

TEST(LevelTable, LevelRisesByOneAtTheListedRadii) {
    const std::uint32_t rises[] = {1, 2, 5, 10, 20, 40, 81, 162, 325, 651, 1303, 2607};
    for (std::uint32_t r = 0, level = 0; r <= 3000; ++r) {
        if (level < std::size(rises) && r == rises[level]) ++level;
        ASSERT_EQ(columnLevel(r), level) << "radius " << r;
    }
    // A column never grows wider than 2 units: radius 4 with 4 columns still
    // fits, radius 5 needs 8.
    EXPECT_LE(columnChord(4, 4), 2.0f);
    EXPECT_GT(columnChord(5, 4), 2.0f);
    EXPECT_LE(columnChord(5, 8), 2.0f);
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

    std::thread a([base] { ensureLevels(base + 7000); });
    std::thread b([base] { ensureLevels(base + 9000); });
    a.join();
    b.join();
    EXPECT_EQ(levelTableLength(), base + 9001);
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
    for (std::uint32_t r = 1; r <= maxRadius; ++r) {
        ASSERT_LE(static_cast<unsigned>(columnLevel(r) - columnLevel(r - 1)), 1u) << "radius " << r;
    }
    for (const auto& readings : seen) {
        for (const auto& [r, level] : readings) ASSERT_EQ(level, columnLevel(r)) << "radius " << r;
    }
}

// Chunks per side double where the outer layer's level rises; columns per
// chunk halve inward where the level drops.
TEST(ChunkGrid, SizesFollowTheLevelsAndCentresLieOnTheFaces) {
    const std::pair<std::uint32_t, std::int32_t> shells[] = {{0, 1},   {1, 2},   {2, 4},   {4, 4},   {5, 8},
                                                             {9, 8},   {10, 16}, {19, 16}, {20, 32}, {39, 32},
                                                             {40, 64}, {81, 128}};
    for (const auto& [shell, chunks] : shells) EXPECT_EQ(chunksPerSide(shell), chunks) << "shell " << shell;
    const std::uint32_t radii[][3] = {{0, 0, 1},    {1, 1, 2},    {2, 4, 4},      {5, 9, 8},
                                      {10, 19, 16}, {20, 31, 32}, {320, 324, 16}, {325, 351, 32}};
    for (const auto& [first, last, columns] : radii) {
        for (std::uint32_t r = first; r <= last; ++r) EXPECT_EQ(columnsPerChunk(r), columns) << "radius " << r;
    }
    testing::expectNear(chunkCentre({0, 0, 0, 0}), {0, 0, 16}, 1e-5f);
    testing::expectNear(chunkCentre({0, 0, 0, 4}), {-16, 0, 0}, 1e-5f);
    testing::expectNear(chunkCentre({0, 12, 0, 0}), {224.40f, 224.09f, 243.78f}, 0.01f);
    testing::expectNear(chunkCentre({7, 12, 8, 5}), {398.93f, 19.61f, 21.71f}, 0.01f);
}

}  // namespace
}  // namespace gravelkin
