// The cube-to-sphere face mapping, and the per-chunk cache of its column
// directions, which must give faceDirection's bits at every resolution.
#include "geometry/column_direction_cache.h"
#include "geometry/face_mapping.h"

#include <cmath>
#include <cstdint>
#include <memory>

#include <gtest/gtest.h>

#include "geometry/level_table.h"
#include "tests/support/comparisons.h"

namespace gravelkin::test {
namespace {

void expectSameDirection(const Vec4& actual, const Vec4& expected) {
    test::expectNear(xyz(actual), xyz(expected), 2e-6f);
}

// Each face's centre is its outward axis, its corners (u, v) = (0, 0),
// (1, 0), (0, 1), (1, 1) are the cube corners with the signs listed, and
// every point is a unit vector.
TEST(FaceMappingTest, CentresCubeCornersAndUnitLength) {
    const Vec4 axes[6] = {{0, 0, 1, 0}, {0, 1, 0, 0}, {0, 0, -1, 0}, {0, -1, 0, 0}, {-1, 0, 0, 0}, {1, 0, 0, 0}};
    const char* signs[6] = {"+++-+++-+--+", "++--+-+++-++", "+-----++--+-",
                            "+-+--++-----", "-++-+---+---", "+-++--+++++-"};
    const float k = 1.0f / std::sqrt(3.0f);
    for (std::uint8_t face = 0; face < 6; ++face) {
        SCOPED_TRACE(::testing::Message() << "face " << int{face});
        expectSameDirection(faceDirection(face, 0.5f, 0.5f), axes[face]);
        for (int c = 0; c < 4; ++c) {
            const auto component = [&](int axis) { return signs[face][3 * c + axis] == '+' ? k : -k; };
            expectSameDirection(faceDirection(face, float(c & 1), float(c >> 1)),
                                {component(0), component(1), component(2), 0});
        }
        for (float u = 0.0f; u <= 1.0f; u += 0.125f) {
            for (float v = 0.0f; v <= 1.0f; v += 0.125f) EXPECT_NEAR(length3(faceDirection(face, u, v)), 1.0f, 2e-6f);
        }
    }
    // Along the start edge u turns by equal angles: halfway is halfway round.
    const float h = 1.0f / std::sqrt(2.0f);
    expectSameDirection(faceDirection(0, 0.5f, 0.0f), {0.0f, h, h, 0.0f});
    EXPECT_EQ(normaliseByInverseLength({0, 0, 0, 0}), (Vec4{0, 0, 0, 0}));
    const Vec4 n = normaliseByInverseLength({3, 0, 4, 0});
    EXPECT_TRUE(n.x == 0.6f && n.y == 0.0f && n.z == 0.8f) << n.x << " " << n.z;
}

// Walks each shared edge, written "face u v face u v" with t running along it
// and s = 1 - t: both faces give the same direction there.
TEST(FaceMappingTest, AdjacentFacesAgreeAlongSharedEdges) {
    const char* edges[] = {"0t1 3t0", "3t1 2t0", "2t1 1t0", "1t1 0t0",   // the ring 0 -> 3 -> 2 -> 1 -> 0
                           "00t 50s", "10t 5s1", "20t 51t", "30t 5t0",   // face 5 borders u = 0 of the ring
                           "01t 40t", "11t 4s0", "21t 41s", "31t 4t1"};  // face 4 borders u = 1
    for (int step = 0; step <= 64; ++step) {
        const float t = static_cast<float>(step) / 64.0f;
        const auto coordinate = [t](char c) { return c == 't' ? t : c == 's' ? 1.0f - t : float(c - '0'); };
        const auto at = [&](const char* e) { return faceDirection(e[0] - '0', coordinate(e[1]), coordinate(e[2])); };
        for (const char* e : edges) {
            SCOPED_TRACE(e);
            expectSameDirection(at(e), at(e + 4));
        }
    }
}

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
                        const Vec3 expected = xyz(faceDirection(key.face, u, v));
                        const auto where = [&] {
                            return ::testing::Message() << "offset " << offset << " shell " << key.shell << " columns "
                                                        << columns << " column " << i << "," << j;
                        };
                        ASSERT_TRUE(test::sameBits(xyz(columnDirection(*cache, i, j)), expected)) << where();
                        const std::uint32_t k = i * columns + j;
                        if (offset == 0.5f) {
                            ASSERT_TRUE(test::sameBits(Vec3{x[k], y[k], z[k]}, expected)) << where() << " gathered";
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
