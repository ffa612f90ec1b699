// The far mesher: where faces go, main mesh or a side's skirt.

#include <gtest/gtest.h>

#include "factory/mesher/far_mesher.h"

namespace gravelkin::test {
namespace {

FarBlock airBlock(const FarNodeKey& key) {
    FarBlock block;
    block.key = key;
    for (Voxel& v : block.samples) v = airVoxel;
    block.interiorFill = ChunkFillState::Mixed;
    return block;
}

constexpr Voxel stone{-10.0f, {120, 120, 120}};

TEST(FarMesherTest, ALoneVoxelShowsSixFaces) {
    FarBlock block = airBlock({2, 6, 2, 0, 1});
    block.at(10, 10, 10) = stone;
    FarMeshFaces faces;
    meshFarBlock(block, faces);
    ASSERT_EQ(faces.main.size(), 6u);
    for (const auto& skirt : faces.skirts) EXPECT_TRUE(skirt.empty());
}

TEST(FarMesherTest, SolidAcrossTheBoundaryGoesToTheSkirts) {
    FarBlock block = airBlock({2, 6, 2, 0, 1});
    // A column of four solid voxels against the MinusX boundary, solid
    // across it too: the main mesh shows five sides of the column's voxels
    // where they meet air, and the skirt one quad for the whole run.
    for (int r = 3; r < 7; ++r) {
        block.at(0, r, 4) = stone;
        block.at(-1, r, 4) = stone;
    }
    FarMeshFaces faces;
    meshFarBlock(block, faces);
    EXPECT_EQ(faces.skirts[MinusX].size(), 1u);
    EXPECT_EQ(faces.main.size(), 4u * 3u + 2u);  // PlusY, MinusY, PlusX of each; the top and the bottom
    for (const FaceRecord& face : faces.main) EXPECT_NE(face.side, MinusX);
}

TEST(FarMesherTest, ATopSolidOnBothSidesIsAnOutwardSkirt) {
    FarBlock block = airBlock({2, 6, 2, 0, 1});
    block.at(3, 31, 3) = stone;
    block.at(3, 32, 3) = stone;
    FarMeshFaces faces;
    meshFarBlock(block, faces);
    EXPECT_EQ(faces.skirts[Outward].size(), 1u);
    EXPECT_EQ(faces.main.size(), 5u);
}

TEST(FarMesherTest, SolidBelowAnotherGridShowsUnderTheNodesAir) {
    // Band 5's grid (8 a side) differs from band 4's (4): the node shows the
    // tops of the solid samples below it, since band 4 closes its top only
    // as a skirt.
    FarBlock block = airBlock({2, 5, 2, 0, 1});
    block.at(7, -1, 7) = stone;
    FarMeshFaces faces;
    meshFarBlock(block, faces);
    ASSERT_EQ(faces.main.size(), 1u);
    EXPECT_EQ(faces.main[0].side, Outward);
    // Where the band below continues the grid, its own node shows them.
    FarBlock same = airBlock({2, 6, 2, 0, 1});
    same.at(7, -1, 7) = stone;
    meshFarBlock(same, faces);
    EXPECT_TRUE(faces.main.empty());
}

}  // namespace
}  // namespace gravelkin::test
