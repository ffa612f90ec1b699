#include "camera/vector_math.h"

#include <cmath>

#include <gtest/gtest.h>

#include "tests/support/comparisons.h"

namespace gravelkin::test {
namespace {

using test::expectNear;

constexpr float pi = 3.14159265f;
constexpr float tolerance = 1e-6f;

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
    const Mat4 standard = perspectiveFovLH(1.2217305f, 1.6f, 0.1f, 1000.0f);
    const Mat4 reversed = perspectiveFovReversedInfiniteLH(1.2217305f, 1.6f, 0.1f);
    const auto depth = [&](float z) {
        const Vec4 clip = transformPoint({0, 0, z, 1}, reversed);
        return clip.z / clip.w;
    };
    for (const Vec4 p : {Vec4{1, 2, 5, 1}, Vec4{-300, 40, 700, 1}}) {
        const Vec4 a = transformPoint(p, standard), b = transformPoint(p, reversed);
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

}  // namespace
}  // namespace gravelkin::test
