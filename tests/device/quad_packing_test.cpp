// Faces stored as their four corners: their triangle list is c0 c1 c2 c0 c2
// c3, and drawing the corners through the shared quad indices gives back
// that list bit for bit.
#include "device/quad_packing.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "device/chunk_faces.h"

namespace gravelkin::test {
namespace {

bool sameBits(const ChunkVertex& a, const ChunkVertex& b) { return std::memcmp(&a, &b, sizeof a) == 0; }

// Two faces whose every corner differs from every other in some bit: the
// second has a -0 and a NaN where the first has 0 and a number.
struct TwoFaces {
    TwoFaces() {
        for (int c = 0; c < 8; ++c) {
            ChunkVertex& v = corners[c];
            v = ChunkVertex{{c * 1.5f, 2.0f - c, 0.25f * c}, {0.1f, 0.2f, 0.3f, 1.0f}, {c % 2 * 1.0f, c / 2 % 2 * 1.0f},
                            {0.0f, 1.0f, 0.0f}};
        }
        corners[5].texcoord[1] = -0.0f;
        corners[6].normal[0] = std::nanf("");
    }
    ChunkFaces faces() const { return {corners, sides, 2}; }

    ChunkVertex corners[8];
    Direction sides[2] = {Direction::PlusX, Direction::Inward};
};

TEST(QuadPackingTest, TheTriangleListRepeatsCornersZeroAndTwoAndQuadIndicesGiveItBack) {
    const TwoFaces two;
    const std::vector<ChunkVertex> list = triangleList(two.faces());
    const std::vector<std::uint32_t> indices = quadIndices(2);
    ASSERT_EQ(list.size(), 12u);
    ASSERT_EQ(indices.size(), 12u);
    const std::uint32_t corner[12] = {0, 1, 2, 0, 2, 3, 4, 5, 6, 4, 6, 7};
    for (std::size_t k = 0; k < list.size(); ++k) {
        EXPECT_TRUE(sameBits(list[k], two.corners[corner[k]])) << k;
        EXPECT_EQ(indices[k], corner[k]) << k;
    }
    EXPECT_TRUE(triangleList(ChunkFaces{}).empty());
}

}  // namespace
}  // namespace gravelkin::test
