// Vector and matrix maths, and the view frustum the renderer culls by: a box
// is culled only when clear of what the clip volume keeps.
#include "camera/frustum.h"
#include "camera/vector_math.h"

#include <cmath>
#include <cstdint>

#include <gtest/gtest.h>

#include "tests/support/comparisons.h"

namespace gravelkin::test {
namespace {

using test::expectNear;

constexpr float pi = 3.14159265f;
constexpr float tolerance = 1e-6f;

// The program's projections: 70 degrees, 1.6 : 1, from 0.1 to 1000, or to
// infinity with depth reversed.
const Mat4 standardProjection = perspectiveFovLH(1.2217305f, 1.6f, 0.1f, 1000.0f);
const Mat4 reversedProjection = perspectiveFovReversedInfiniteLH(1.2217305f, 1.6f, 0.1f);

TEST(VectorMathTest, ThreeComponentOperationsIgnoreWButNormaliseScalesIt) {
    const float length = std::sqrt(1.29f);
    const Vec4 n = normalise3({0.5f, 1.0f, -0.2f, 1.0f});
    expectNear(n, {0.5f / length, 1.0f / length, -0.2f / length, 1.0f / length}, tolerance);
    EXPECT_EQ(normalise3({0.0f, 0.0f, 0.0f, 5.0f}), (Vec4{0.0f, 0.0f, 0.0f, 0.0f}));
    // In a left-handed frame x cross y is still +z; only the picture flips.
    EXPECT_EQ(cross3(Vec4{1, 0, 0, 3}, Vec4{0, 1, 0, 4}), (Vec4{0, 0, 1, 0}));
    EXPECT_EQ(cross3(Vec3{0, 1, 0}, Vec3{0, 0, 1}), (Vec3{1, 0, 0}));
    EXPECT_EQ(dot3(Vec4{1, 2, 3, 100}, Vec4{4, 5, 6, 100}), 32.0f);
    EXPECT_EQ(length3(Vec4{3, 4, 0, 100}), 5.0f);
}

// Roll applies first: a quarter roll takes +x to +y, which a quarter pitch
// then takes to +z (the other order would leave +x on the x axis through the
// pitch). Yaw and pitch alone are checked through the camera's forward.
TEST(VectorMathTest, RotationAppliesRollThenPitchThenYaw) {
    EXPECT_EQ(rotationPitchYawRoll(0.0f, 0.0f, 0.0f), (Mat4{{{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}}}));
    expectNear(transformPoint({1, 0, 0, 0}, rotationPitchYawRoll(pi / 2.0f, 0.0f, pi / 2.0f)), {0, 0, 1, 1},
               tolerance);
    const float pitch = 0.4f, yaw = 2.1f, roll = -0.7f;
    const Mat4 composed = multiply(multiply(rotationPitchYawRoll(0, 0, roll), rotationPitchYawRoll(pitch, 0, 0)),
                                   rotationPitchYawRoll(0, yaw, 0));
    expectNear(rotationPitchYawRoll(pitch, yaw, roll), composed, tolerance);
}

TEST(VectorMathTest, ProductsApplyTheLeftMatrixFirst) {
    const Mat4 translation{{{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {10, -20, 30, 1}}};
    EXPECT_EQ(transformPoint({1, 2, 3, 99}, translation), (Vec4{11, -18, 33, 1}));  // w taken as 1
    const Mat4 a = rotationPitchYawRoll(0.5f, 0.0f, 0.0f);
    Mat4 b = rotationPitchYawRoll(0.0f, 1.1f, 0.0f);
    b.m[3][0] = 5.0f;  // a translation too, so row 3 takes part
    b.m[3][2] = -2.0f;
    const Vec4 p{0.3f, -0.7f, 2.0f, 0.0f};
    const Vec4 stepwise = transformPoint(transformPoint(p, a), b);
    expectNear(transformPoint(p, multiply(a, b)), stepwise, 1e-5f);
    // Rotations do not commute, so the test can tell the orders apart.
    const Vec4 reversed = transformPoint(p, multiply(b, a));
    EXPECT_GT(std::fabs(reversed.x - stepwise.x) + std::fabs(reversed.y - stepwise.y), 0.1f);
}

TEST(VectorMathTest, ViewTakesTheEyeToTheOriginAndTheFocusOntoPlusZ) {
    const Vec4 eye{12.0f, -3.0f, 40.0f, 0.0f};
    const Vec4 direction = normalise3({0.4f, -0.5f, 0.7f, 0.0f});
    const Mat4 view = lookToLH(eye, direction, {0, 1, 0, 0});
    expectNear(transformPoint(eye, view), {0, 0, 0, 1}, 1e-5f);
    expectNear(transformPoint(eye + direction * 10.0f, view), {0, 0, 10, 1}, 1e-4f);
    // Up stays up, and up cross forward is to the right of the view.
    EXPECT_GT(transformPoint(eye + Vec4{0, 1, 0, 0}, view).y, 0.0f);
    EXPECT_GT(transformPoint(eye + cross3(Vec4{0, 1, 0, 0}, direction), view).x, 0.0f);
}

// Same picture as the standard projection; depth runs from 1 at the near
// plane toward 0 far away and never reaches it.
TEST(VectorMathTest, ReversedInfinitePerspectiveKeepsXAndYAndReversesDepth) {
    const auto depth = [&](float z) {
        const Vec4 clip = transformPoint({0, 0, z, 1}, reversedProjection);
        return clip.z / clip.w;
    };
    for (const Vec4 p : {Vec4{1, 2, 5, 1}, Vec4{-300, 40, 700, 1}}) {
        const Vec4 a = transformPoint(p, standardProjection), b = transformPoint(p, reversedProjection);
        EXPECT_EQ(a.x, b.x);
        EXPECT_EQ(a.y, b.y);
        EXPECT_EQ(a.w, b.w);
    }
    EXPECT_EQ(depth(0.1f), 1.0f);
    EXPECT_NEAR(depth(0.2f), 0.5f, tolerance);
    EXPECT_NEAR(depth(1e6f), 1e-7f, 1e-12f);
    EXPECT_GT(depth(2000.0f), depth(2001.0f));
    EXPECT_GT(depth(1e30f), 0.0f);
}

// The program's standard projection from an eye at (0, 400, 0) looking along
// +x: view right is -z, up is +y, forward +x.
const Vec3 eye{0.0f, 400.0f, 0.0f};
const Mat4 eyeView = lookToLH({eye.x, eye.y, eye.z, 1}, {1, 0, 0, 0}, {0, 1, 0, 0});
const Mat4 viewProjection = multiply(eyeView, standardProjection);

// A box in view coordinates (right, up, forward) placed in the world.
Box3 viewBox(Vec3 low, Vec3 high) {
    Box3 box;
    includePoint(box, eye + Vec3{low.z, low.y, -low.x});
    includePoint(box, eye + Vec3{high.z, high.y, -high.x});
    return box;
}

// At view depth 10 the picture spans 11.2 units either side and 7 up and
// down; a box is culled only when a unit or more beyond a side, and beyond
// the far plane only when clear of what the vertex stage's rounding could keep.
TEST(FrustumTest, ABoxIsOutsideOnlyWhenMoreThanTheMarginBeyondOnePlane) {
    const Frustum frustum = frustumFromViewProjection(viewProjection);
    struct Case {
        Vec3 low, high;
        bool outside;
    };
    const Case cases[] = {
        {{-1, -1, 9}, {1, 1, 11}, false},          // on the axis
        {{-500, -500, 5}, {500, 500, 6}, false},   // around the whole view
        {{-20, -1, 10}, {-14, 1, 10}, true},       // left
        {{-20, -1, 10}, {-12, 1, 10}, false},      // left, within the margin
        {{14, -1, 10}, {20, 1, 10}, true},         // right
        {{-1, 9, 10}, {1, 12, 10}, true},          // above
        {{-1, -12, 10}, {1, -9, 10}, true},        // below
        {{-1, -1, -5}, {1, 1, -1}, true},          // behind the eye
        {{-1, -1, -5}, {1, 1, -0.5f}, false},      // behind the near plane, within the margin
        {{-1, -1, 1100}, {1, 1, 1110}, true},      // beyond the far plane
        {{-1, -1, 1002}, {1, 1, 1010}, false},     // beyond it, within the rounding of w - z
    };
    for (const Case& c : cases) {
        EXPECT_EQ(boxOutsideFrustum(frustum, viewBox(c.low, c.high)), c.outside)
            << c.low.x << " " << c.low.y << " " << c.low.z << " to " << c.high.x << " " << c.high.y << " " << c.high.z;
    }
}

// Over 50 random views through `projection`, checks that no point the vertex
// stage keeps (clip coordinates inside the volume, computed as the shader
// computes them) is culled, even with no margin beyond the bound on
// rounding. Every other point lies within 1000 units of the eye on each axis,
// the rest within `farReach`. Returns how many points were kept.
int expectNoKeptPointCulled(const Mat4& projection, std::uint32_t seed, float farReach) {
    std::uint32_t state = seed;
    const auto next = [&](float low, float high) {
        state = state * 1664525u + 1013904223u;
        return low + (high - low) * static_cast<float>(state >> 8) / 16777216.0f;
    };
    int kept = 0;
    for (int view = 0; view < 50; ++view) {
        const Vec4 from{next(-600, 600), next(-600, 600), next(-600, 600), 1};
        const Vec4 direction{next(-1, 1), next(-1, 1), next(-1, 1), 0};
        const Mat4 m = multiply(lookToLH(from, direction, {0, 1, 0, 0}), projection);
        const Frustum frustum = frustumFromViewProjection(m, 0.0f);
        for (int point = 0; point < 2000; ++point) {
            const float reach = point % 2 == 0 ? 1000.0f : farReach;
            const Vec4 p{from.x + next(-reach, reach), from.y + next(-reach, reach), from.z + next(-reach, reach), 1};
            const Vec4 clip = transformPoint(p, m);
            const bool inside = -clip.w <= clip.x && clip.x <= clip.w && -clip.w <= clip.y && clip.y <= clip.w &&
                                0.0f <= clip.z && clip.z <= clip.w;
            if (!inside) continue;
            ++kept;
            Box3 box;
            includePoint(box, xyz(p));
            EXPECT_FALSE(boxOutsideFrustum(frustum, box)) << p.x << " " << p.y << " " << p.z;
        }
    }
    return kept;
}

// The reversed infinite projection's points reach out to a million units,
// where the standard projection has long clipped everything.
TEST(FrustumTest, NoPointTheClipVolumeKeepsIsCulled) {
    EXPECT_GT(expectNoKeptPointCulled(standardProjection, 12345, 1000.0f), 1000);
    EXPECT_GT(expectNoKeptPointCulled(reversedProjection, 6789, 1e6f), 1000);
}

// The reversed infinite projection from the same eye: the depth-0 plane is at
// infinity, so nothing ahead is ever beyond it, and the near plane comes from
// w - z.
TEST(FrustumTest, AReversedInfiniteFrustumHasANearPlaneAndNoFarOne) {
    const Mat4 reversed = multiply(eyeView, reversedProjection);
    const Frustum frustum = frustumFromViewProjection(reversed, 0.0f);
    const auto pointOutside = [&](Vec3 view) { return boxOutsideFrustum(frustum, viewBox(view, view)); };
    EXPECT_FALSE(pointOutside({0, 0, 0.11f}));  // just inside the near plane
    EXPECT_TRUE(pointOutside({0, 0, 0.09f}));   // just outside it
    EXPECT_TRUE(pointOutside({0, 0, -5}));      // behind the eye
    EXPECT_TRUE(pointOutside({0, 0, -1e6f}));
    EXPECT_FALSE(pointOutside({0, 0, 2000}));
    EXPECT_FALSE(pointOutside({0, 0, 1e6f}));   // far beyond the standard far plane
    EXPECT_FALSE(pointOutside({-1e6f, 0.5e6f, 1e6f}));  // the top left of the picture, a million ahead
    EXPECT_TRUE(pointOutside({-1.2e6f, 0, 1e6f}));      // left of it
    EXPECT_TRUE(pointOutside({0, -0.8e6f, 1e6f}));      // below it
    // With the usual margin, boxes near the eye are kept, as for the standard
    // projection.
    EXPECT_FALSE(boxOutsideFrustum(frustumFromViewProjection(reversed), viewBox({-1, -1, -0.5f}, {1, 1, -0.5f})));
}

}  // namespace
}  // namespace gravelkin::test
