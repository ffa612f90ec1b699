#include "geometry/face_mapping.h"

#include <cmath>
#include <cstdint>

#include <gtest/gtest.h>

#include "tests/support/comparisons.h"

namespace gravelkin::test {
namespace {

void expectSameDirection(const Vec4& actual, const Vec4& expected) {
    test::expectNear(xyz(actual), xyz(expected), 2e-6f);
}

// Each face's centre is its outward axis, its corners (u, v) = (0, 0),
// (1, 0), (0, 1), (1, 1) are the cube corners with the signs listed, and
// every point is a unit vector.
TEST(FaceMappingTest, CentresCubeCornersAndUnitLength) {
    const Vec4 axes[6] = {{0, 0, 1, 0}, {0, 1, 0, 0}, {0, 0, -1, 0}, {0, -1, 0, 0}, {-1, 0, 0, 0}, {1, 0, 0, 0}};
    const char* signs[6] = {"+++-+++-+--+", "++--+-+++-++", "+-----++--+-",
                            "+-+--++-----", "-++-+---+---", "+-++--+++++-"};
    const float k = cubeCorners[0].x;
    EXPECT_NEAR(k, 0.57735026f, 1e-7f);
    for (std::uint8_t face = 0; face < 6; ++face) {
        SCOPED_TRACE(::testing::Message() << "face " << int{face});
        expectSameDirection(faceDirection(face, 0.5f, 0.5f), axes[face]);
        for (int c = 0; c < 4; ++c) {
            const auto component = [&](int axis) { return signs[face][3 * c + axis] == '+' ? k : -k; };
            expectSameDirection(faceDirection(face, float(c & 1), float(c >> 1)),
                                {component(0), component(1), component(2), 0});
        }
        for (float u = 0.0f; u <= 1.0f; u += 0.125f) {
            for (float v = 0.0f; v <= 1.0f; v += 0.125f) EXPECT_NEAR(length3(faceDirection(face, u, v)), 1.0f, 2e-6f);
        }
    }
    // Along the start edge u turns by equal angles: halfway is halfway round.
    const float h = 1.0f / std::sqrt(2.0f);
    expectSameDirection(faceDirection(0, 0.5f, 0.0f), {0.0f, h, h, 0.0f});
    EXPECT_NEAR(std::acos(1.0f / 3.0f), cubeEdgeAngle, 1e-6f);
    EXPECT_EQ(normaliseByInverseLength({0, 0, 0, 0}), (Vec4{0, 0, 0, 0}));
    const Vec4 n = normaliseByInverseLength({3, 0, 4, 0});
    EXPECT_TRUE(n.x == 0.6f && n.y == 0.0f && n.z == 0.8f) << n.x << " " << n.z;
}

// Walks each shared edge, written "face u v face u v" with t running along it
// and s = 1 - t: both faces give the same direction there.
TEST(FaceMappingTest, AdjacentFacesAgreeAlongSharedEdges) {
    const char* edges[] = {"0t1 3t0", "3t1 2t0", "2t1 1t0", "1t1 0t0",   // the ring 0 -> 3 -> 2 -> 1 -> 0
                           "00t 50s", "10t 5s1", "20t 51t", "30t 5t0",   // face 5 borders u = 0 of the ring
                           "01t 40t", "11t 4s0", "21t 41s", "31t 4t1"};  // face 4 borders u = 1
    for (int step = 0; step <= 64; ++step) {
        const float t = static_cast<float>(step) / 64.0f;
        const auto coordinate = [t](char c) { return c == 't' ? t : c == 's' ? 1.0f - t : float(c - '0'); };
        const auto at = [&](const char* e) { return faceDirection(e[0] - '0', coordinate(e[1]), coordinate(e[2])); };
        for (const char* e : edges) {
            SCOPED_TRACE(e);
            expectSameDirection(at(e), at(e + 4));
        }
    }
}

}  // namespace
}  // namespace gravelkin::test
