// The far mesher: where faces go, main mesh or a side's skirt.
#include <array>
#include <initializer_list>

#include <gtest/gtest.h>

#include "factory/mesher/far_mesher.h"

namespace gravelkin::test {
namespace {

// Meshes into `faces` a node of air but for stone at `stones` (i, r, j),
// margins included.
void meshStones(const FarNodeKey& key, std::initializer_list<std::array<int, 3>> stones, FarMeshFaces& faces) {
    FarBlock block;
    block.key = key;
    for (Voxel& v : block.samples) v = airVoxel;
    block.interiorFill = ChunkFillState::Mixed;
    for (const auto& [i, r, j] : stones) block.at(i, r, j) = Voxel{-10.0f, {120, 120, 120}};
    meshFarBlock(block, faces);
}

TEST(FarMesherTest, SidesMeetingAirGoToTheMainMeshSolidAcrossTheBoundaryToASkirt) {
    const FarNodeKey key{2, 6, 2, 0, 1};
    FarMeshFaces faces;
    meshStones(key, {{10, 10, 10}}, faces);
    EXPECT_EQ(faces.main.size(), 6u);
    for (const auto& skirt : faces.skirts) EXPECT_TRUE(skirt.empty());

    // A column of four against the MinusX boundary, solid across it too: its
    // PlusY, MinusY and PlusX sides, its top and bottom, and one skirt quad
    // for the whole run.
    meshStones(key, {{0, 3, 4}, {0, 4, 4}, {0, 5, 4}, {0, 6, 4}, {-1, 3, 4}, {-1, 4, 4}, {-1, 5, 4}, {-1, 6, 4}},
               faces);
    EXPECT_EQ(faces.skirts[MinusX].size(), 1u);
    EXPECT_EQ(faces.main.size(), 4u * 3u + 2u);
    for (const FaceRecord& face : faces.main) EXPECT_NE(face.side, MinusX);

    meshStones(key, {{3, 31, 3}, {3, 32, 3}}, faces);
    EXPECT_EQ(faces.skirts[Outward].size(), 1u);
    EXPECT_EQ(faces.main.size(), 5u);
}

TEST(FarMesherTest, SolidBelowAnotherGridShowsUnderTheNodesAir) {
    // Band 5's grid (8 a side) differs from band 4's (4): the node shows the
    // tops of the solid samples below it, since band 4 closes its top only
    // as a skirt.
    FarMeshFaces faces;
    meshStones({2, 5, 2, 0, 1}, {{7, -1, 7}}, faces);
    ASSERT_EQ(faces.main.size(), 1u);
    EXPECT_EQ(faces.main[0].side, Outward);
    // Where the band below continues the grid, its own node shows them.
    meshStones({2, 6, 2, 0, 1}, {{7, -1, 7}}, faces);
    EXPECT_TRUE(faces.main.empty());
}

}  // namespace
}  // namespace gravelkin::test
