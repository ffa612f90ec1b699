// Far-node sampling: the margins are the very samples of the nodes next door
// at the same level, across face edges too, so that same-level nodes meet
// without a seam.

#include <gtest/gtest.h>

#include "geometry/face_mapping.h"
#include "geometry/neighbours.h"
#include "terrain/earth/terrain_generator_earth.h"

namespace gravelkin::test {
namespace {

// What the mesher reads of a sample: its sign, and a solid one's colour. (A
// density the bounds settle is a stand-in value, which depends on the
// samples computed alongside.)
bool sameShown(const Voxel& a, const Voxel& b) {
    const bool solid = a.density < 0.0f;
    if (solid != (b.density < 0.0f)) return false;
    return !solid || (a.colour[0] == b.colour[0] && a.colour[1] == b.colour[1] && a.colour[2] == b.colour[2]);
}

void expectMarginMatches(const TerrainGeneratorEarth& earth, const FarNodeKey& key, Direction side) {
    FarBlock here;
    FarBlock there;
    ASSERT_TRUE(earth.sampleFarBlock(key, here));
    const FarNodeStep step = farNodeNeighbour(key, side);
    ASSERT_TRUE(earth.sampleFarBlock(step.key, there));
    // Find, for each margin sample of `here` on that side, a boundary sample
    // of `there` at the same layer that shows the same.
    int matched = 0;
    for (int k = 0; k < 32; ++k) {
        for (int r = 0; r < 32; r += 7) {
            int i = k, j = k;
            if (side == MinusX) i = -1;
            if (side == PlusX) i = 32;
            if (side == MinusY) j = -1;
            if (side == PlusY) j = 32;
            const Voxel& margin = here.at(i, r, j);
            bool found = false;
            for (int a = 0; a < 32 && !found; ++a) {
                for (int b = 0; b < 32 && !found; ++b) {
                    const bool onEdge = a == 0 || a == 31 || b == 0 || b == 31;
                    found = onEdge && sameShown(there.at(a, r, b), margin);
                }
            }
            matched += found ? 1 : 0;
        }
    }
    EXPECT_EQ(matched, 32 * 5) << "face " << int(key.face) << " side " << int(side);
}

TEST(FarBlockTest, MarginsAreTheNeighboursSamples) {
    const TerrainGeneratorEarth earth;
    // Within a face, and across each kind of face edge.
    expectMarginMatches(earth, {3, 6, 3, 0, 1}, PlusX);
    expectMarginMatches(earth, {0, 6, 2, 0, 1}, MinusX);
    expectMarginMatches(earth, {2, 6, 7, 0, 1}, PlusY);
    expectMarginMatches(earth, {7, 6, 2, 4, 1}, PlusX);
    expectMarginMatches(earth, {5, 6, 0, 5, 1}, MinusY);
}

// Every sample shows what the terrain's own scalar rule gives at its point:
// the sign of densityAt, and a solid sample's voxelColour.
TEST(FarBlockTest, SamplesShowTheTerrainsOwnRule) {
    const TerrainGeneratorEarth earth;
    FarBlock block;
    for (const FarNodeKey key : {FarNodeKey{2, 6, 5, 1, 1}, FarNodeKey{0, 8, 0, 1, 1}, FarNodeKey{1, 4, 2, 0, 1},
                                 FarNodeKey{1, 3, 0, 5, 2}}) {
        ASSERT_TRUE(earth.sampleFarBlock(key, block));
        const std::uint32_t columns = 32 * farNodeGrid(key.level, key.band);
        const float step = 1.0f / static_cast<float>(columns);
        const std::int64_t depth = farNodeVoxelDepth(key);
        for (int i = 0; i < 32; i += 5) {
            for (int j = 0; j < 32; j += 3) {
                const Vec4 d = faceDirection(key.face, (static_cast<float>(key.x * 32 + i) + 0.5f) * step,
                                             (static_cast<float>(key.y * 32 + j) + 0.5f) * step);
                for (int r = 0; r < 32; ++r) {
                    const std::int64_t lowest = farNodeInnerRadius(key) + r * depth;
                    Voxel expected = earth.solidFillVoxel;
                    if (lowest + depth - 1 >= earth.solidBelowRadius) {
                        const float rho = static_cast<float>(lowest) + 0.5f * static_cast<float>(depth);
                        const float density = lowest > earth.emptyAboveRadius ? 1.0f : earth.densityAt(d * rho, rho);
                        const ColourBytes colour = earth.voxelColour(density, earth.biomeAt(d));
                        expected = {density, {colour[0], colour[1], colour[2]}};
                    }
                    ASSERT_TRUE(sameShown(block.at(i, r, j), expected))
                        << "level " << int(key.level) << " band " << key.band << " at " << i << " " << r << " " << j;
                }
            }
        }
    }
}

TEST(FarBlockTest, FillFollowsTheShells) {
    const TerrainGeneratorEarth earth;
    FarBlock block;
    ASSERT_TRUE(earth.sampleFarBlock({0, 2, 0, 0, 2}, block));  // shells 8 .. 11: the top is terrain
    EXPECT_EQ(block.at(5, 0, 5), earth.solidFillVoxel);
    ASSERT_TRUE(earth.sampleFarBlock({0, 8, 0, 1, 1}, block));  // shells 16, 17: at most a few peaks
    EXPECT_EQ(block.at(5, 31, 5), airVoxel);
    ASSERT_TRUE(earth.sampleFarBlock({2, 6, 5, 1, 1}, block));  // shells 12, 13: the surface
    EXPECT_EQ(block.interiorFill, ChunkFillState::Mixed);
}

}  // namespace
}  // namespace gravelkin::test
