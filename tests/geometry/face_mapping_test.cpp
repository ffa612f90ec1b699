#include "geometry/face_mapping.h"

#include <gtest/gtest.h>

#include <cmath>

namespace gravelkin {
namespace {

constexpr float tolerance = 2e-6f;

void expectNear(const Vec4& actual, const Vec4& expected, float eps = tolerance) {
    EXPECT_NEAR(actual.x, expected.x, eps);
    EXPECT_NEAR(actual.y, expected.y, eps);
    EXPECT_NEAR(actual.z, expected.z, eps);
}

TEST(FaceMapping, CentreOfEachFaceIsItsOutwardAxis) {
    const Vec4 axes[6] = {{0, 0, 1, 0}, {0, 1, 0, 0}, {0, 0, -1, 0}, {0, -1, 0, 0}, {-1, 0, 0, 0}, {1, 0, 0, 0}};
    for (std::uint8_t face = 0; face < 6; ++face) expectNear(faceDirection(face, 0.5f, 0.5f), axes[face]);
}

TEST(FaceMapping, CornersOfEachFaceInUvOrder) {
    const float k = cubeCorners[0].x;
    EXPECT_NEAR(k, 0.57735026f, 1e-7f);
    const Vec4 expected[6][4] = {
        {{k, k, k, 0}, {-k, k, k, 0}, {k, -k, k, 0}, {-k, -k, k, 0}},
        {{k, k, -k, 0}, {-k, k, -k, 0}, {k, k, k, 0}, {-k, k, k, 0}},
        {{k, -k, -k, 0}, {-k, -k, -k, 0}, {k, k, -k, 0}, {-k, k, -k, 0}},
        {{k, -k, k, 0}, {-k, -k, k, 0}, {k, -k, -k, 0}, {-k, -k, -k, 0}},
        {{-k, k, k, 0}, {-k, k, -k, 0}, {-k, -k, k, 0}, {-k, -k, -k, 0}},
        {{k, -k, k, 0}, {k, -k, -k, 0}, {k, k, k, 0}, {k, k, -k, 0}},
    };
    const float uv[4][2] = {{0, 0}, {1, 0}, {0, 1}, {1, 1}};
    for (std::uint8_t face = 0; face < 6; ++face) {
        for (int c = 0; c < 4; ++c) expectNear(faceDirection(face, uv[c][0], uv[c][1]), expected[face][c]);
    }
}

TEST(FaceMapping, ResultsAreUnitVectors) {
    for (std::uint8_t face = 0; face < 6; ++face) {
        for (float u = 0.0f; u <= 1.0f; u += 0.125f) {
            for (float v = 0.0f; v <= 1.0f; v += 0.125f) {
                EXPECT_NEAR(length3(faceDirection(face, u, v)), 1.0f, 2e-6f);
            }
        }
    }
}

// Walks a shared edge at many points: (faceA at its edge coordinate) equals
// (faceB at its edge coordinate), the other coordinate mapped as the
// neighbour table says.
TEST(FaceMapping, AdjacentFacesAgreeAlongSharedEdges) {
    for (int step = 0; step <= 64; ++step) {
        const float t = static_cast<float>(step) / 64.0f;
        const float s = 1.0f - t;
        // The ring 0 -> 3 -> 2 -> 1 -> 0: far edge of one is the start edge of the next.
        expectNear(faceDirection(0, t, 1.0f), faceDirection(3, t, 0.0f));
        expectNear(faceDirection(3, t, 1.0f), faceDirection(2, t, 0.0f));
        expectNear(faceDirection(2, t, 1.0f), faceDirection(1, t, 0.0f));
        expectNear(faceDirection(1, t, 1.0f), faceDirection(0, t, 0.0f));
        // Face 5 borders u = 0 of the ring, face 4 borders u = 1.
        expectNear(faceDirection(0, 0.0f, t), faceDirection(5, 0.0f, s));
        expectNear(faceDirection(1, 0.0f, t), faceDirection(5, s, 1.0f));
        expectNear(faceDirection(2, 0.0f, t), faceDirection(5, 1.0f, t));
        expectNear(faceDirection(3, 0.0f, t), faceDirection(5, t, 0.0f));
        expectNear(faceDirection(0, 1.0f, t), faceDirection(4, 0.0f, t));
        expectNear(faceDirection(1, 1.0f, t), faceDirection(4, s, 0.0f));
        expectNear(faceDirection(2, 1.0f, t), faceDirection(4, 1.0f, s));
        expectNear(faceDirection(3, 1.0f, t), faceDirection(4, t, 1.0f));
    }
}

TEST(FaceMapping, SlerpEndpointsAndEdgeMidpoint) {
    const Vec4 a = faceCorners[0].corner0;
    const Vec4 b = faceDirection(0, 0.0f, 1.0f);
    expectNear(slerpUnit(a, b, 0.0f), a);
    expectNear(slerpUnit(a, b, 1.0f), b);
    const float h = 1.0f / std::sqrt(2.0f);
    expectNear(slerpCubeEdge(faceCorners[0].corner0, faceCorners[0].corner1, 0.5f), {0.0f, h, h, 0.0f});
    expectNear(slerpCubeEdge(faceCorners[0].corner0, faceCorners[0].corner1, 1.0f), faceCorners[0].corner1);
}

TEST(FaceMapping, ConstantsAndMirrorAxes) {
    EXPECT_NEAR(inverseCubeEdgeAngle, 0.8123745f, 1e-6f);
    EXPECT_NEAR(std::acos(1.0f / 3.0f), cubeEdgeAngle, 1e-6f);
    const int expectedAxis[6] = {1, 2, 1, 2, 1, 1};
    for (std::uint8_t face = 0; face < 6; ++face) EXPECT_EQ(mirrorAxis(face), expectedAxis[face]);
}

TEST(FaceMapping, NormalisingZeroGivesZero) {
    EXPECT_EQ(normaliseByInverseLength({0, 0, 0, 0}), (Vec4{0, 0, 0, 0}));
    const Vec4 n = normaliseByInverseLength({3, 0, 4, 0});
    EXPECT_FLOAT_EQ(n.x, 0.6f);
    EXPECT_FLOAT_EQ(n.z, 0.8f);
}

}  // namespace
}  // namespace gravelkin
