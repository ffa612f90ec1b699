#include "geometry/column_direction_cache.h"

#include <cstdint>
#include <memory>

#include <gtest/gtest.h>

#include "geometry/face_mapping.h"
#include "geometry/level_table.h"
#include "tests/support/comparisons.h"

namespace gravelkin {
namespace {

using testing::sameBits;

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

    void reset(const ChunkKey& key, float offset) {
        resetForChunk(*cache, key);
        cache->columnOffset = offset;
    }
};

// Centre mode (offset 0.5) and corner mode (0.0), through every halving down
// to one column a chunk, at face edges and in the innermost shell.
TEST_F(ColumnDirectionCacheTest, EqualsFaceDirectionBitForBitAtEveryResolution) {
    const ChunkKey keys[] = {{7, 12, 8, 1}, {0, 12, 15, 5}, {3, 9, 5, 2}, {0, 0, 0, 4}, {31, 20, 0, 3}};
    for (const float offset : {0.5f, 0.0f}) {
        for (const ChunkKey& key : keys) {
            reset(key, offset);
            std::uint32_t side = 1u << columnLevel(32 * key.shell + 31);
            for (std::uint32_t columns = 32; columns >= 1; columns /= 2, side /= 2) {
                const std::uint32_t last = offset == 0.0f ? columns : columns - 1;
                for (std::uint32_t i = 0; i <= last; ++i) {
                    for (std::uint32_t j = 0; j <= last; ++j) {
                        ASSERT_TRUE(sameBits(xyz(columnDirection(*cache, i, j)),
                                             xyz(expectedDirection(key, side, i, j, offset))))
                            << "offset " << offset << " shell " << key.shell << " columns " << columns << " column "
                            << i << "," << j;
                    }
                }
                halveResolution(*cache);
                if (offset == 0.5f) markStale(*cache);  // coarse centres are not fine ones
            }
        }
    }
}

TEST_F(ColumnDirectionCacheTest, ReusesStoredEntriesAndCornerModeSharesThemAcrossHalvings) {
    reset({7, 12, 8, 1}, 0.5f);
    const Vec4& first = columnDirection(*cache, 4, 9);
    cache->directions[4][9].x = 42.0f;  // a recomputation would overwrite this
    const Vec4& second = columnDirection(*cache, 4, 9);
    EXPECT_EQ(&first, &second);
    EXPECT_EQ(second.x, 42.0f);
    EXPECT_EQ(second.w, 0.0f);

    reset({3, 10, 4, 0}, 0.0f);
    const Vec4* fine = &columnDirection(*cache, 6, 10);
    halveResolution(*cache);
    EXPECT_EQ(&columnDirection(*cache, 3, 5), fine);
    EXPECT_EQ(cache->columnBaseU, 48u);
    EXPECT_EQ(cache->columnBaseV, 64u);
    EXPECT_EQ(cache->resolutionShift, 1u);
}

TEST_F(ColumnDirectionCacheTest, ResetMarksEverythingAndStaleMarksTheInner32) {
    reset({0, 12, 0, 0}, 0.0f);
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
