#include "geometry/position_lookup.h"

#include <ostream>

#include <gtest/gtest.h>

#include "geometry/level_table.h"

namespace gravelkin {

std::ostream& operator<<(std::ostream& out, const ChunkKey& key) {
    return out << "(" << key.x << ", " << key.shell << ", " << key.y << ", face " << int{key.face} << ")";
}

namespace {

TEST(ChunkKeyAt, ListedPositions) {
    const struct {
        float x, y, z;
        ChunkKey key;
    } cases[] = {
        {224.40f, 224.09f, 243.78f, {0, 12, 0, 0}},
        {-224.40f, -224.09f, 243.78f, {15, 12, 15, 0}},
        {398.93f, 19.61f, 21.71f, {7, 12, 8, 5}},
        {10, 400, 30, {7, 12, 8, 1}},
        {3, -250, 40, {3, 7, 3, 3}},
        {-300, 20, -5, {4, 9, 3, 4}},
        {5, 5, -420, {7, 13, 8, 2}},
        {100, -2, 3, {1, 3, 1, 5}},
        // The innermost shell has one chunk a face; the centre is on face 0.
        {0, 0, 20, {0, 0, 0, 0}},
        {0.5f, 0.2f, 0.1f, {0, 0, 0, 5}},
        {0, -31, 0, {0, 0, 0, 3}},
        {0, 0, 0, {0, 0, 0, 0}},
    };
    for (const auto& c : cases) EXPECT_EQ(chunkKeyAt(c.x, c.y, c.z), c.key) << c.x << ", " << c.y << ", " << c.z;

    // Ties between two faces go to the earlier face.
    EXPECT_EQ(chunkKeyAt(300, 300, 10).face, 1);   // y = x > |z|
    EXPECT_EQ(chunkKeyAt(-300, 10, 300).face, 0);  // z = -x > |y|
}

// Positions on the u = 1 or v = 1 boundary of their face can make the
// coordinate equal to the chunk count; it is clamped to the last chunk.
TEST(ChunkKeyAt, BoundaryPositionsGiveAValidChunk) {
    const float positions[][3] = {
        {-300, 0, 300},   // z = -x on face 0
        {0, -300, 300},   // z = -y on face 0
        {-300, 300, 0},   // y = -x on face 1
        {300, 0, -300},   // z = x on face 2
        {300, -300, 0},   // y = x on face 3
        {-250, -250, 250},
        {-1000, -1000, 1000},
    };
    for (const auto& p : positions) {
        const ChunkKey key = chunkKeyAt(p[0], p[1], p[2]);
        const auto n = static_cast<std::uint32_t>(chunksPerSide(key.shell));
        EXPECT_LT(key.x, n) << p[0] << "," << p[1] << "," << p[2];
        EXPECT_LT(key.y, n) << p[0] << "," << p[1] << "," << p[2];
    }
}

TEST(ChunkKeyAt, RoundTripsEveryChunkCentreOfShellsZeroToForty) {
    for (std::uint32_t shell = 0; shell <= 40; ++shell) {
        const auto n = static_cast<std::uint32_t>(chunksPerSide(shell));
        for (std::uint8_t face = 0; face < 6; ++face) {
            for (std::uint32_t x = 0; x < n; ++x) {
                for (std::uint32_t y = 0; y < n; ++y) {
                    const ChunkKey key{x, shell, y, face};
                    const Vec3 c = chunkCentre(key);
                    ASSERT_EQ(chunkKeyAt(c.x, c.y, c.z), key);
                }
            }
        }
    }
}

TEST(ChunkKeyAt, GrowsTheLevelTableForANewShell) {
    const ChunkKey key = chunkKeyAt(0, 0, 100000);
    EXPECT_EQ(key.shell, 3125u);
    EXPECT_GE(levelTableLength(), 32u * 3125 + 32);
}

}  // namespace
}  // namespace gravelkin
