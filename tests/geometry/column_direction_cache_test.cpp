#include "geometry/column_direction_cache.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "geometry/face_mapping.h"
#include "geometry/level_table.h"

namespace gravelkin {
namespace {

bool sameBits(const Vec4& a, const Vec4& b) {
    return std::memcmp(&a, &b, 3 * sizeof(float)) == 0;
}

// faceDirection of column (i, j) of `key` in a grid of `columnsPerSide`.
Vec4 expectedDirection(const ChunkKey& key, std::uint32_t columnsPerSide, std::uint32_t i, std::uint32_t j,
                       float offset) {
    const std::uint32_t chunkColumns = columnsPerSide / static_cast<std::uint32_t>(chunksPerSide(key.shell));
    const float step = 1.0f / static_cast<float>(columnsPerSide);
    const float u = (static_cast<float>(i + key.x * chunkColumns) + offset) * step;
    const float v = (static_cast<float>(j + key.y * chunkColumns) + offset) * step;
    return faceDirection(key.face, u, v);
}

class ColumnDirectionCacheTest : public ::testing::Test {
protected:
    std::unique_ptr<ColumnDirectionCache> cache = std::make_unique<ColumnDirectionCache>();
};

TEST_F(ColumnDirectionCacheTest, EqualsFaceDirectionBitForBitInBothModes) {
    const ChunkKey keys[] = {{7, 12, 8, 1}, {0, 12, 15, 5}, {3, 9, 5, 2}, {0, 0, 0, 4}, {31, 20, 0, 3}};
    for (const float offset : {0.5f, 0.0f}) {
        for (const ChunkKey& key : keys) {
            resetForChunk(*cache, key);
            cache->columnOffset = offset;
            const std::uint32_t side = 1u << columnLevel(32 * key.shell + 31);
            const std::uint32_t last = offset == 0.0f ? 32 : 31;
            for (std::uint32_t i = 0; i <= last; ++i) {
                for (std::uint32_t j = 0; j <= last; ++j) {
                    ASSERT_TRUE(sameBits(columnDirection(*cache, i, j), expectedDirection(key, side, i, j, offset)))
                        << "offset " << offset << " column " << i << "," << j;
                }
            }
        }
    }
}

TEST_F(ColumnDirectionCacheTest, AfterHalvingsStillEqualsFaceDirection) {
    // Shell 0 halves five times: 32, 16, 8, 4, 2, 1 columns.
    const ChunkKey key{0, 0, 0, 3};
    for (const float offset : {0.5f, 0.0f}) {
        resetForChunk(*cache, key);
        cache->columnOffset = offset;
        std::uint32_t side = 32;
        for (int halving = 0; halving <= 5; ++halving) {
            const std::uint32_t last = offset == 0.0f ? side : side - 1;
            for (std::uint32_t i = 0; i <= last; ++i) {
                for (std::uint32_t j = 0; j <= last; ++j) {
                    ASSERT_TRUE(sameBits(columnDirection(*cache, i, j), expectedDirection(key, side, i, j, offset)))
                        << "offset " << offset << " halving " << halving << " column " << i << "," << j;
                }
            }
            halveResolution(*cache);
            if (offset == 0.5f) markStale(*cache);
            side /= 2;
        }
    }
}

TEST_F(ColumnDirectionCacheTest, CornerModeReusesTheFinerGridsEntries) {
    resetForChunk(*cache, {3, 10, 4, 0});
    cache->columnOffset = 0.0f;
    const Vec4* fine = &columnDirection(*cache, 6, 10);
    halveResolution(*cache);
    const Vec4* coarse = &columnDirection(*cache, 3, 5);
    EXPECT_EQ(fine, coarse);
    EXPECT_EQ(cache->columnBaseU, 48u);
    EXPECT_EQ(cache->columnBaseV, 64u);
    EXPECT_EQ(cache->resolutionShift, 1u);
}

TEST_F(ColumnDirectionCacheTest, ReturnsTheStoredEntryWithoutRecomputing) {
    resetForChunk(*cache, {7, 12, 8, 1});
    cache->columnOffset = 0.5f;
    const Vec4& first = columnDirection(*cache, 4, 9);
    // Poison the stored value; a recomputation would overwrite it.
    cache->directions[4][9].x = 42.0f;
    const Vec4& second = columnDirection(*cache, 4, 9);
    EXPECT_EQ(&first, &second);
    EXPECT_EQ(second.x, 42.0f);
    EXPECT_EQ(second.w, 0.0f);
}

TEST_F(ColumnDirectionCacheTest, ResetMarksEverythingAndStaleMarksTheInner32) {
    resetForChunk(*cache, {0, 12, 0, 0});
    cache->columnOffset = 0.0f;
    for (std::uint32_t i = 0; i <= 32; ++i) columnDirection(*cache, i, 32), columnDirection(*cache, i, i);
    markStale(*cache);
    EXPECT_EQ(cache->edgeNear[31].w, 1.0f);
    EXPECT_EQ(cache->directions[5][5].w, 1.0f);
    EXPECT_EQ(cache->edgeNear[32].w, 0.0f);
    EXPECT_EQ(cache->directions[32][32].w, 0.0f);
    resetForChunk(*cache, {0, 12, 0, 0});
    EXPECT_EQ(cache->edgeNear[32].w, 1.0f);
    EXPECT_EQ(cache->directions[32][32].w, 1.0f);
    EXPECT_EQ(cache->directions[0][32].w, 1.0f);
}

}  // namespace
}  // namespace gravelkin
