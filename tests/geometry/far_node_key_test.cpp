// The far-terrain node grid: nodes nest in their parents and chunks in
// level-1 nodes, over every band the terrain can reach, and the steps to
// the nodes next door are mutual.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "geometry/face_mapping.h"
#include "geometry/far_node_key.h"
#include "geometry/level_table.h"

namespace gravelkin::test {
namespace {

// Shells 0 .. 63: beyond the planet's terrain on both sides.
constexpr std::uint32_t lastTestShell = 63;

TEST(FarNodeKeyTest, GridsMatchTheChunkGridOfTheBandsOuterShell) {
    EXPECT_EQ(farNodeGrid(1, 4), 4u);   // shells 8, 9: 8 chunks a side
    EXPECT_EQ(farNodeGrid(1, 6), 8u);   // shells 12, 13: 16
    EXPECT_EQ(farNodeGrid(2, 3), 4u);   // shells 12 .. 15
    EXPECT_EQ(farNodeGrid(3, 1), 2u);   // shells 8 .. 15
    EXPECT_EQ(farNodeGrid(4, 0), 1u);   // shells 0 .. 15
    EXPECT_EQ(farNodeGrid(4, 1), 2u);   // shells 16 .. 31: 32 chunks at shell 31
}

TEST(FarNodeKeyTest, ChildrenTileTheirParentAndFindItAgain) {
    for (const FarNodeKey& root : farRootNodes(0, lastTestShell)) {
        std::vector<FarNodeKey> open{root};
        while (!open.empty()) {
            const FarNodeKey key = open.back();
            open.pop_back();
            if (key.face != 0 && key.face != 5) continue;  // two faces are enough
            if (key.level == 1) {
                const std::vector<ChunkKey> chunks = farNodeChunks(key);
                ASSERT_FALSE(chunks.empty());
                for (const ChunkKey& chunk : chunks) ASSERT_EQ(farNodeOfChunk(chunk), key);
                continue;
            }
            const std::vector<FarNodeKey> children = farNodeChildren(key);
            ASSERT_FALSE(children.empty());
            for (const FarNodeKey& child : children) {
                ASSERT_EQ(child.level + 1, key.level);
                ASSERT_EQ(child.band >> 1, key.band);
                const std::uint32_t ratio = farNodeGrid(child.level, child.band) / farNodeGrid(key.level, key.band);
                ASSERT_EQ(child.x / ratio, key.x);
                ASSERT_EQ(child.y / ratio, key.y);
                ASSERT_EQ(farNodeParent(child), key);
                open.push_back(child);
            }
        }
    }
}

TEST(FarNodeKeyTest, LateralNeighboursAreMutualAcrossFaceEdges) {
    for (std::uint8_t face = 0; face < 6; ++face) {
        const std::uint32_t m = farNodeGrid(1, 6);
        for (std::uint32_t x = 0; x < m; ++x) {
            for (std::uint32_t y = 0; y < m; ++y) {
                const FarNodeKey key{x, 6, y, face, 1};
                for (const Direction side : {PlusY, MinusY, MinusX, PlusX}) {
                    const FarNodeStep step = farNodeNeighbour(key, side);
                    ASSERT_TRUE(step.sameGrid);
                    bool back = false;
                    for (const Direction other : {PlusY, MinusY, MinusX, PlusX}) {
                        back = back || farNodeNeighbour(step.key, other).key == key;
                    }
                    EXPECT_TRUE(back) << int(face) << " " << x << " " << y << " side " << int(side);
                }
            }
        }
    }
}

TEST(FarNodeKeyTest, RadialNeighboursSayWhereTheGridChanges) {
    EXPECT_FALSE(farNodeNeighbour({0, 4, 0, 0, 1}, Outward).sameGrid);  // 4 squares a side, then 8
    const FarNodeStep up = farNodeNeighbour({3, 4, 1, 0, 1}, Outward);
    EXPECT_EQ(up.key, (FarNodeKey{7, 5, 3, 0, 1}));
    EXPECT_TRUE(farNodeNeighbour({3, 6, 1, 0, 1}, Outward).sameGrid);
    EXPECT_FALSE(farNodeNeighbour({0, 0, 0, 2, 1}, Inward).exists);
}

TEST(FarNodeKeyTest, SphereHoldsTheRegionsCornersAndMiddles) {
    for (const FarNodeKey key : {FarNodeKey{0, 0, 0, 3, 4}, FarNodeKey{2, 6, 5, 1, 1}, FarNodeKey{1, 3, 0, 4, 2}}) {
        const FarNodeSphere sphere = farNodeSphere(key);
        const float m = static_cast<float>(farNodeGrid(key.level, key.band));
        for (int a = 0; a <= 32; ++a) {
            for (int b = 0; b <= 32; ++b) {
                const Vec4 d = faceDirection(key.face, (static_cast<float>(key.x) + a / 32.0f) / m,
                                             (static_cast<float>(key.y) + b / 32.0f) / m);
                for (const std::uint32_t r : {farNodeInnerRadius(key), farNodeOuterRadius(key)}) {
                    const Vec3 p{d.x * r - sphere.centre.x, d.y * r - sphere.centre.y, d.z * r - sphere.centre.z};
                    ASSERT_LE(std::sqrt(dot3(p, p)), sphere.radius);
                }
            }
        }
    }
}

}  // namespace
}  // namespace gravelkin::test
