#include <cmath>
#include <vector>

#include <gtest/gtest.h>

#include "factory/face_record.h"
#include "factory/mesh_expansion.h"

namespace gravelkin {
namespace {

const Vec3 fallback{0.0f, 0.0f, -1.0f};

TEST(MeshExpansion, NormalIsTheNormalisedCrossProduct) {
    const FaceRecord face{{0, 0, 0}, {2, 0, 0}, {2, 3, 0}, {0, 3, 0}, {0, 0, 0}};
    EXPECT_EQ(faceNormal(face, fallback), (Vec3{0.0f, 0.0f, 1.0f}));
}

TEST(MeshExpansion, TriangleWithTwoCoincidingCornersUsesItsDiagonals) {
    // c0 = c1: the first cross product vanishes, the plane does not.
    const FaceRecord face{{0, 0, 0}, {0, 0, 0}, {2, 3, 0}, {0, 3, 0}, {0, 0, 0}};
    EXPECT_EQ(faceNormal(face, fallback), (Vec3{0.0f, 0.0f, 1.0f}));
}

TEST(MeshExpansion, FaceWithAllCornersCoincidingUsesTheGivenNormal) {
    const FaceRecord face{{0, 0, 0}, {0, 0, 0}, {0, 0, 0}, {0, 0, 0}, {0, 0, 0}};
    EXPECT_EQ(faceNormal(face, fallback), fallback);
}

TEST(MeshExpansion, SixVerticesPerFaceInTriangleOrder) {
    const std::vector<FaceRecord> faces = {
        {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}, {0.5f, 0.25f, 1.0f}},
        {{0, 0, 5}, {0, 1, 5}, {1, 1, 5}, {1, 0, 5}, {0.0f, 0.0f, 0.0f}},
    };
    std::vector<ChunkVertex> vertices(3);  // replaced, not appended to

    expandFaces(faces, fallback, vertices);

    ASSERT_EQ(vertices.size(), 12u);
    const float expectedX[6] = {0, 1, 1, 0, 1, 0};
    const float expectedY[6] = {0, 0, 1, 0, 1, 1};
    for (int k = 0; k < 6; ++k) {
        EXPECT_EQ(vertices[k].position[0], expectedX[k]);
        EXPECT_EQ(vertices[k].position[1], expectedY[k]);
        EXPECT_EQ(vertices[k].texcoord[0], expectedX[k]);
        EXPECT_EQ(vertices[k].texcoord[1], expectedY[k]);
        EXPECT_EQ(vertices[k].color[0], 0.5f);
        EXPECT_EQ(vertices[k].color[3], 1.0f);
        EXPECT_EQ(vertices[k].normal[2], 1.0f);
        EXPECT_EQ(vertices[6 + k].normal[2], -1.0f);
    }
}

TEST(MeshExpansion, ColourBytesScaleByOneOver255) {
    const std::uint8_t bytes[3] = {0, 127, 255};
    const Vec3 colour = faceColour(bytes);
    EXPECT_EQ(colour.x, 0.0f);
    EXPECT_EQ(colour.y, 127.0f * 0.003921569f);
    EXPECT_EQ(colour.z, 255.0f * 0.003921569f);
}

}  // namespace
}  // namespace gravelkin
