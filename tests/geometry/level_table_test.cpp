#include "geometry/level_table.h"

#include <atomic>
#include <thread>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "tests/support/comparisons.h"

namespace gravelkin::test {
namespace {

TEST(LevelTableTest, LevelRisesByOneAtTheListedRadii) {
    const std::uint32_t rises[] = {1, 2, 5, 10, 20, 40, 81, 162, 325, 651, 1303, 2607};
    for (std::uint32_t r = 0, level = 0; r <= 3000; ++r) {
        if (level < std::size(rises) && r == rises[level]) ++level;
        ASSERT_EQ(columnLevel(r), level) << "radius " << r;
    }
    // A column never grows wider than 2 units: radius 4 with 4 columns still fits, radius 5 needs 8.
    EXPECT_TRUE(columnChord(4, 4) <= 2.0f && columnChord(5, 4) > 2.0f && columnChord(5, 8) <= 2.0f);
}

// The table is process-wide: each check starts past whatever other tests
// grew. Growth is to exactly the radius asked, in one step; threads growing
// it while reading covered entries far more often must read the values the
// table settles on, and the settled levels rise by at most one a radius.
TEST(LevelTableTest, GrowsToExactlyTheRadiusAskedAndConcurrentReadsAgree) {
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

    const std::uint32_t top = levelTableLength() + 60000;
    const auto radius = [top](std::uint32_t t, std::uint32_t k) {
        return ((k + 4000 * t) * 2654435761u >> 7) % (k % 8 ? 2000 : top);
    };
    std::atomic<bool> go{false};
    std::vector<std::uint8_t> seen[6];
    std::vector<std::thread> threads;
    for (std::uint32_t t = 0; t < 6; ++t) {
        threads.emplace_back([&, t] {
            while (!go.load()) std::this_thread::yield();
            for (std::uint32_t k = 0; k < 4000; ++k) seen[t].push_back(columnLevel(radius(t, k)));
        });
    }
    go.store(true);
    for (auto& thread : threads) thread.join();
    for (std::uint32_t r = 1; r < top; ++r) {
        ASSERT_LE(static_cast<unsigned>(columnLevel(r) - columnLevel(r - 1)), 1u) << "radius " << r;
    }
    for (std::uint32_t t = 0; t < 6; ++t) {
        for (std::uint32_t k = 0; k < 4000; ++k) ASSERT_EQ(seen[t][k], columnLevel(radius(t, k))) << t << " " << k;
    }
}

// Chunks per side double where the outer layer's level rises; columns per
// chunk halve inward where the level drops.
TEST(ChunkGridTest, SizesFollowTheLevelsAndCentresLieOnTheFaces) {
    const std::pair<std::uint32_t, std::int32_t> shells[] = {{0, 1},   {1, 2},   {2, 4},   {4, 4},   {5, 8},
                                                             {9, 8},   {10, 16}, {19, 16}, {20, 32}, {39, 32},
                                                             {40, 64}, {81, 128}};
    for (const auto& [shell, chunks] : shells) EXPECT_EQ(chunksPerSide(shell), chunks) << "shell " << shell;
    const std::uint32_t radii[][3] = {{0, 0, 1},    {1, 1, 2},    {2, 4, 4},      {5, 9, 8},
                                      {10, 19, 16}, {20, 31, 32}, {320, 324, 16}, {325, 351, 32}};
    for (const auto& [first, last, columns] : radii) {
        for (std::uint32_t r = first; r <= last; ++r) EXPECT_EQ(columnsPerChunk(r), columns) << "radius " << r;
    }
    test::expectNear(chunkCentre({0, 0, 0, 0}), {0, 0, 16}, 1e-5f);
    test::expectNear(chunkCentre({0, 0, 0, 4}), {-16, 0, 0}, 1e-5f);
    test::expectNear(chunkCentre({0, 12, 0, 0}), {224.40f, 224.09f, 243.78f}, 0.01f);
    test::expectNear(chunkCentre({7, 12, 8, 5}), {398.93f, 19.61f, 21.71f}, 0.01f);
}

}  // namespace
}  // namespace gravelkin::test
