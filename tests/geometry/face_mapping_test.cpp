#include "geometry/face_mapping.h"

#include <cmath>
#include <cstdint>

#include <gtest/gtest.h>

#include "tests/support/comparisons.h"

namespace gravelkin {
namespace {

using testing::expectNear;

constexpr float tolerance = 2e-6f;

void expectSameDirection(const Vec4& actual, const Vec4& expected) { expectNear(xyz(actual), xyz(expected), tolerance); }

TEST(FaceMapping, CentresAreTheOutwardAxesAndEveryPointIsAUnitVector) {
    const Vec4 axes[6] = {{0, 0, 1, 0}, {0, 1, 0, 0}, {0, 0, -1, 0}, {0, -1, 0, 0}, {-1, 0, 0, 0}, {1, 0, 0, 0}};
    for (std::uint8_t face = 0; face < 6; ++face) {
        expectSameDirection(faceDirection(face, 0.5f, 0.5f), axes[face]);
        for (float u = 0.0f; u <= 1.0f; u += 0.125f) {
            for (float v = 0.0f; v <= 1.0f; v += 0.125f) EXPECT_NEAR(length3(faceDirection(face, u, v)), 1.0f, 2e-6f);
        }
    }
}

TEST(FaceMapping, CubeCornersOfEachFaceInUvOrder) {
    const float k = cubeCorners[0].x;
    EXPECT_NEAR(k, 0.57735026f, 1e-7f);
    // Signs of x, y, z at (u, v) = (0, 0), (1, 0), (0, 1), (1, 1).
    const char* signs[6][4] = {
        {"+++", "-++", "+-+", "--+"}, {"++-", "-+-", "+++", "-++"}, {"+--", "---", "++-", "-+-"},
        {"+-+", "--+", "+--", "---"}, {"-++", "-+-", "--+", "---"}, {"+-+", "+--", "+++", "++-"},
    };
    const float uv[4][2] = {{0, 0}, {1, 0}, {0, 1}, {1, 1}};
    const auto component = [k](char sign) { return sign == '+' ? k : -k; };
    for (std::uint8_t face = 0; face < 6; ++face) {
        for (int c = 0; c < 4; ++c) {
            const char* s = signs[face][c];
            SCOPED_TRACE(::testing::Message() << "face " << int{face} << " corner " << c);
            expectSameDirection(faceDirection(face, uv[c][0], uv[c][1]),
                                {component(s[0]), component(s[1]), component(s[2]), 0});
        }
    }
}

// Walks each shared edge at many points: both faces give the same direction,
// the other coordinate mapped as the neighbour table says.
TEST(FaceMapping, AdjacentFacesAgreeAlongSharedEdges) {
    for (int step = 0; step <= 64; ++step) {
        const float t = static_cast<float>(step) / 64.0f;
        const float s = 1.0f - t;
        // The ring 0 -> 3 -> 2 -> 1 -> 0: far edge of one is the start edge of the next.
        expectSameDirection(faceDirection(0, t, 1.0f), faceDirection(3, t, 0.0f));
        expectSameDirection(faceDirection(3, t, 1.0f), faceDirection(2, t, 0.0f));
        expectSameDirection(faceDirection(2, t, 1.0f), faceDirection(1, t, 0.0f));
        expectSameDirection(faceDirection(1, t, 1.0f), faceDirection(0, t, 0.0f));
        // Face 5 borders u = 0 of the ring, face 4 borders u = 1.
        expectSameDirection(faceDirection(0, 0.0f, t), faceDirection(5, 0.0f, s));
        expectSameDirection(faceDirection(1, 0.0f, t), faceDirection(5, s, 1.0f));
        expectSameDirection(faceDirection(2, 0.0f, t), faceDirection(5, 1.0f, t));
        expectSameDirection(faceDirection(3, 0.0f, t), faceDirection(5, t, 0.0f));
        expectSameDirection(faceDirection(0, 1.0f, t), faceDirection(4, 0.0f, t));
        expectSameDirection(faceDirection(1, 1.0f, t), faceDirection(4, s, 0.0f));
        expectSameDirection(faceDirection(2, 1.0f, t), faceDirection(4, 1.0f, s));
        expectSameDirection(faceDirection(3, 1.0f, t), faceDirection(4, t, 1.0f));
    }
}

TEST(FaceMapping, EdgeMidpointAndZeroLength) {
    // Along the start edge u turns by equal angles: halfway is halfway round.
    const float h = 1.0f / std::sqrt(2.0f);
    expectSameDirection(faceDirection(0, 0.5f, 0.0f), {0.0f, h, h, 0.0f});
    EXPECT_NEAR(std::acos(1.0f / 3.0f), cubeEdgeAngle, 1e-6f);

    EXPECT_EQ(normaliseByInverseLength({0, 0, 0, 0}), (Vec4{0, 0, 0, 0}));
    const Vec4 n = normaliseByInverseLength({3, 0, 4, 0});
    EXPECT_FLOAT_EQ(n.x, 0.6f);
    EXPECT_FLOAT_EQ(n.z, 0.8f);
}

}  // namespace
}  // namespace gravelkin
