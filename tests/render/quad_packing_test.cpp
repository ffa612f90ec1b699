// Faces stored as their four corners and drawn through the shared quad
// indices: the same triangles from the same vertices, and the same pixels as
// the triangle list they came from.
#include <cstring>
#include <vector>

#include <gtest/gtest.h>

#include "device/quad_packing.h"
#include "tests/render/gl_test_support.h"

namespace gravelkin::test {
namespace {

bool sameBits(const ChunkVertex& a, const ChunkVertex& b) { return std::memcmp(&a, &b, sizeof a) == 0; }

// The four corners of each face, as the device stores them.
std::vector<ChunkVertex> cornersOf(const std::vector<ChunkVertex>& quadList) {
    std::vector<ChunkVertex> corners;
    for (std::size_t face = 0; face < quadList.size(); face += 6) {
        for (const std::uint32_t vertex : vertexOfQuadCorner) corners.push_back(quadList[face + vertex]);
    }
    return corners;
}

TEST(QuadPackingTest, IndexingThePackedCornersGivesBackEveryVertexBitForBit) {
    std::vector<ChunkVertex> faces = square(0, 0, 2, 0.4f, {1, 0, 0});
    const std::vector<ChunkVertex> second = square(0.5f, -0.25f, 3, 0.2f, {0, 1, 0});
    faces.insert(faces.end(), second.begin(), second.end());
    faces[7].texcoord[1] = -0.0f;  // bits, not values, decide what repeats: -0 is kept as it was

    ASSERT_TRUE(isQuadList(faces.data(), static_cast<std::uint32_t>(faces.size())));
    const std::vector<ChunkVertex> corners = cornersOf(faces);
    const std::vector<std::uint32_t> indices = quadIndices(2);
    ASSERT_EQ(indices.size(), faces.size());
    for (std::size_t k = 0; k < faces.size(); ++k) {
        EXPECT_TRUE(sameBits(corners[indices[k]], faces[k])) << "vertex " << k;
    }
}

TEST(QuadPackingTest, ListsThatAreNotWholeFacesOfThatFormStayTriangleLists) {
    const std::vector<ChunkVertex> face = square(0, 0, 2, 0.4f);
    EXPECT_TRUE(isQuadList(face.data(), 6));
    EXPECT_FALSE(isQuadList(face.data(), 3));  // half a face
    EXPECT_FALSE(isQuadList(face.data(), 0));

    std::vector<ChunkVertex> shifted = face;
    shifted[3].position[0] += 1e-3f;  // the second triangle does not start at the first's vertex 0
    EXPECT_FALSE(isQuadList(shifted.data(), 6));
    std::vector<ChunkVertex> recoloured = face;
    recoloured[4].color[1] = 0.5f;  // nor repeat its vertex 2 exactly
    EXPECT_FALSE(isQuadList(recoloured.data(), 6));
}

using QuadDrawingTest = GlTest;

TEST_F(QuadDrawingTest, PackedAndPlainListsOfTheSameTrianglesDrawTheSamePixels) {
    // Two overlapping squares; the plain copy has its triangles' corners
    // rotated (c1 c2 c0, c2 c3 c0), the same triangles in a form that is not
    // packed.
    std::vector<ChunkVertex> packed = square(-0.2f, 0.1f, 2, 0.5f, {1, 0.5f, 0});
    const std::vector<ChunkVertex> behind = square(0.3f, -0.1f, 3, 0.6f, {0, 0.5f, 1});
    packed.insert(packed.end(), behind.begin(), behind.end());
    std::vector<ChunkVertex> plain;
    for (std::size_t f = 0; f < packed.size(); f += 6) {
        for (const int k : {1, 2, 0, 4, 5, 3}) plain.push_back(packed[f + k]);
    }
    ASSERT_TRUE(isQuadList(packed.data(), 12));
    ASSERT_FALSE(isQuadList(plain.data(), 12));

    const RgbaImage fromPacked = renderFrame(*renderer, {packed});
    const RgbaImage fromPlain = renderFrame(*renderer, {plain});
    EXPECT_TRUE(fromPacked.pixels == fromPlain.pixels);
    std::size_t drawn = 0;
    for (int y = 0; y < frameHeight; ++y) {
        for (int x = 0; x < frameWidth; ++x) drawn += !isSky(pixelAt(fromPacked, x, y));
    }
    EXPECT_GT(drawn, 1000u);
}

}  // namespace
}  // namespace gravelkin::test
