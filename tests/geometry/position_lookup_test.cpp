#include "geometry/position_lookup.h"

#include <gtest/gtest.h>

#include <ostream>

#include "geometry/level_table.h"

namespace gravelkin {

std::ostream& operator<<(std::ostream& out, const ChunkKey& key) {
    return out << "(" << key.x << ", " << key.shell << ", " << key.y << ", face " << int{key.face} << ")";
}

namespace {

TEST(ChunkKeyAt, ListedPositions) {
    EXPECT_EQ(chunkKeyAt(224.40f, 224.09f, 243.78f), (ChunkKey{0, 12, 0, 0}));
    EXPECT_EQ(chunkKeyAt(-224.40f, -224.09f, 243.78f), (ChunkKey{15, 12, 15, 0}));
    EXPECT_EQ(chunkKeyAt(398.93f, 19.61f, 21.71f), (ChunkKey{7, 12, 8, 5}));
    EXPECT_EQ(chunkKeyAt(10, 400, 30), (ChunkKey{7, 12, 8, 1}));
    EXPECT_EQ(chunkKeyAt(3, -250, 40), (ChunkKey{3, 7, 3, 3}));
    EXPECT_EQ(chunkKeyAt(-300, 20, -5), (ChunkKey{4, 9, 3, 4}));
    EXPECT_EQ(chunkKeyAt(5, 5, -420), (ChunkKey{7, 13, 8, 2}));
    EXPECT_EQ(chunkKeyAt(100, -2, 3), (ChunkKey{1, 3, 1, 5}));
}

TEST(ChunkKeyAt, InnermostShellHasOneChunkPerFace) {
    EXPECT_EQ(chunkKeyAt(0, 0, 20), (ChunkKey{0, 0, 0, 0}));
    EXPECT_EQ(chunkKeyAt(0.5f, 0.2f, 0.1f), (ChunkKey{0, 0, 0, 5}));
    EXPECT_EQ(chunkKeyAt(0, -31, 0), (ChunkKey{0, 0, 0, 3}));
}

TEST(ChunkKeyAt, CentreOfThePlanetIsFaceZeroShellZero) {
    EXPECT_EQ(chunkKeyAt(0, 0, 0), (ChunkKey{0, 0, 0, 0}));
}

TEST(ChunkKeyAt, TiesGoToTheEarlierFace) {
    EXPECT_EQ(chunkKeyAt(300, 300, 10).face, 1);   // y = x > |z|
    EXPECT_EQ(chunkKeyAt(-300, 10, 300).face, 0);  // z = -x > |y|
}

// Positions on the u = 1 or v = 1 boundary of their face can make the
// coordinate equal to the chunk count; it is clamped to the last chunk.
TEST(ChunkKeyAt, BoundaryPositionsAlwaysGiveAValidChunk) {
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
