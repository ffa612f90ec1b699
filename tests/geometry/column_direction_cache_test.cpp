#include "geometry/column_direction_cache.h"

#include <cstdint>
#include <memory>

#include <gtest/gtest.h>

#include "geometry/face_mapping.h"
#include "geometry/level_table.h"
#include "tests/support/comparisons.h"

namespace gravelkin::test {
namespace {

struct ColumnDirectionCacheTest : ::testing::Test {
    std::unique_ptr<ColumnDirectionCache> cache = std::make_unique<ColumnDirectionCache>();
    // Walks the same grids, gathering each whole.
    std::unique_ptr<ColumnDirectionCache> gathered = std::make_unique<ColumnDirectionCache>();
    void reset(const ChunkKey& key, float offset) {
        for (ColumnDirectionCache* c : {cache.get(), gathered.get()}) resetForChunk(*c, key), c->columnOffset = offset;
    }
};

// Centre mode (offset 0.5) and corner mode (0.0), through every halving down
// to one column a chunk, at face edges and in the innermost shell; one by one
// and gathered a grid at a time (in centre mode, where a grid has no far edge).
TEST_F(ColumnDirectionCacheTest, EqualsFaceDirectionBitForBitAtEveryResolution) {
    const ChunkKey keys[] = {{7, 12, 8, 1}, {0, 12, 15, 5}, {3, 9, 5, 2}, {0, 0, 0, 4}, {31, 20, 0, 3}};
    for (const float offset : {0.5f, 0.0f}) {
        for (const ChunkKey& key : keys) {
            reset(key, offset);
            std::uint32_t side = 1u << columnLevel(32 * key.shell + 31);
            for (std::uint32_t columns = 32; columns >= 1; columns /= 2, side /= 2) {
                const std::uint32_t chunkColumns = side / static_cast<std::uint32_t>(chunksPerSide(key.shell));
                const float step = 1.0f / static_cast<float>(side);
                float x[32 * 32], y[32 * 32], z[32 * 32];
                if (offset == 0.5f) gatherColumnDirections(*gathered, columns, x, y, z);
                for (std::uint32_t i = 0; i <= columns - (offset == 0.5f); ++i) {  // corner mode: the far edge too
                    for (std::uint32_t j = 0; j <= columns - (offset == 0.5f); ++j) {
                        const float u = (static_cast<float>(i + key.x * chunkColumns) + offset) * step;
                        const float v = (static_cast<float>(j + key.y * chunkColumns) + offset) * step;
                        ASSERT_TRUE(test::sameBits(xyz(columnDirection(*cache, i, j)),
                                                      xyz(faceDirection(key.face, u, v))))
                            << "offset " << offset << " shell " << key.shell << " columns " << columns << " column "
                            << i << "," << j;
                        if (offset == 0.5f) {
                            const std::uint32_t k = i * columns + j;
                            ASSERT_TRUE(test::sameBits(Vec3{x[k], y[k], z[k]}, xyz(faceDirection(key.face, u, v))))
                                << "gathered, shell " << key.shell << " columns " << columns << " column " << i << ","
                                << j;
                        }
                    }
                }
                for (ColumnDirectionCache* c : {cache.get(), gathered.get()}) stepDownToCoarserGrid(*c);
            }
        }
    }
}

// Entries are computed once; corner mode shares them across halvings; stale
// marks only the inner 32 x 32 (edge entries stay valid), a reset everything.
TEST_F(ColumnDirectionCacheTest, ReusesEntriesUntilMarkedStaleOrReset) {
    reset({7, 12, 8, 1}, 0.5f);
    const Vec4* first = &columnDirection(*cache, 4, 9);
    cache->directions[4][9].x = 42.0f;  // a recomputation would overwrite this
    EXPECT_EQ(&columnDirection(*cache, 4, 9), first);
    EXPECT_TRUE(first->x == 42.0f && first->w == 0.0f);

    reset({3, 10, 4, 0}, 0.0f);
    const Vec4* fine = &columnDirection(*cache, 6, 10);
    halveResolution(*cache);
    EXPECT_EQ(&columnDirection(*cache, 3, 5), fine);
    EXPECT_TRUE(cache->columnBaseU == 48u && cache->columnBaseV == 64u && cache->resolutionShift == 1u);

    reset({0, 12, 0, 0}, 0.0f);
    for (std::uint32_t i = 0; i <= 32; ++i) columnDirection(*cache, i, 32), columnDirection(*cache, i, i);
    markStale(*cache);
    const Vec4* entries[] = {&cache->edgeNear[31], &cache->directions[5][5], &cache->edgeNear[32],
                             &cache->directions[32][32], &cache->directions[0][32]};
    for (int k = 0; k < 5; ++k) EXPECT_EQ(entries[k]->w, k < 2 ? 1.0f : 0.0f) << "entry " << k;
    resetForChunk(*cache, {0, 12, 0, 0});
    for (const Vec4* entry : entries) EXPECT_EQ(entry->w, 1.0f);
}

}  // namespace
}  // namespace gravelkin::test
