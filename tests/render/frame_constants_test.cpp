#include "render/frame_constants.h"

#include <cmath>
#include <cstring>

#include <gtest/gtest.h>

namespace gravelkin {
namespace {

Vec4 row(const Mat4& m, int r) { return {m.m[r][0], m.m[r][1], m.m[r][2], m.m[r][3]}; }

void expectRow(const Mat4& m, int r, Vec4 expected, float eps = 1e-6f) {
    const Vec4 actual = row(m, r);
    EXPECT_NEAR(actual.x, expected.x, eps) << "row " << r;
    EXPECT_NEAR(actual.y, expected.y, eps) << "row " << r;
    EXPECT_NEAR(actual.z, expected.z, eps) << "row " << r;
    EXPECT_NEAR(actual.w, expected.w, eps) << "row " << r;
}

TEST(FrameConstantsLayout, IsTheRecordTheShaderReads) {
    EXPECT_EQ(sizeof(FrameConstants), 112u);
    EXPECT_EQ(offsetof(FrameConstants, viewProjection), 0u);
    EXPECT_EQ(offsetof(FrameConstants, lightDirection), 64u);
    EXPECT_EQ(offsetof(FrameConstants, lightColor), 80u);
    EXPECT_EQ(offsetof(FrameConstants, ambientColor), 96u);
}

TEST(FrameConstantsLayout, LightValuesAreFixedAtStart) {
    const FrameConstants constants = initialFrameConstants();
    EXPECT_NEAR(constants.lightDirection.x, 0.4402255f, 1e-6f);
    EXPECT_NEAR(constants.lightDirection.y, 0.8804509f, 1e-6f);
    EXPECT_NEAR(constants.lightDirection.z, -0.1760902f, 1e-6f);
    EXPECT_NEAR(constants.lightDirection.w, 0.8804509f, 1e-6f);
    EXPECT_EQ(constants.lightColor, (Vec4{1.0f, 1.0f, 1.0f, 1.0f}));
    EXPECT_EQ(constants.ambientColor, (Vec4{0.2f, 0.2f, 0.2f, 1.0f}));
}

TEST(FixedProjection, HasTheStatedRows) {
    const Mat4 p = fixedProjection();
    const float yScale = std::cos(0.61086524f) / std::sin(0.61086524f);
    expectRow(p, 0, {yScale * 0.625f, 0, 0, 0});
    expectRow(p, 1, {0, yScale, 0, 0});
    expectRow(p, 2, {0, 0, 1.0001f, 1});
    expectRow(p, 3, {0, 0, -0.10001f, 0});
    EXPECT_NEAR(yScale, 1.4281480f, 1e-6f);
}

TEST(FixedProjection, MapsNearToDepthZeroAndFarToDepthOne) {
    const Mat4 p = fixedProjection();
    const Vec4 nearClip = transformPoint({0, 0, 0.1f, 1}, p);
    const Vec4 farClip = transformPoint({0, 0, 1000.0f, 1}, p);
    EXPECT_NEAR(nearClip.z / nearClip.w, 0.0f, 1e-6f);
    EXPECT_NEAR(farClip.z / farClip.w, 1.0f, 1e-6f);
    // Beyond the far plane z exceeds w: clipped.
    const Vec4 beyond = transformPoint({0, 0, 1001.0f, 1}, p);
    EXPECT_GT(beyond.z, beyond.w);
}

TEST(FixedProjection, KeepsTheDesignedAspectWhateverTheWindow) {
    // 1440 / 900: a point at the right edge of a 1.6-wide view at depth 1
    // lands on the right edge of clip space.
    const Mat4 p = fixedProjection();
    const float halfHeight = std::sin(0.61086524f) / std::cos(0.61086524f);
    const Vec4 corner = transformPoint({1.6f * halfHeight, halfHeight, 1.0f, 1}, p);
    EXPECT_NEAR(corner.x / corner.w, 1.0f, 1e-5f);
    EXPECT_NEAR(corner.y / corner.w, 1.0f, 1e-5f);
}

TEST(ViewProjection, IsViewTimesProjectionStoredRowByRow) {
    FrameConstants constants = initialFrameConstants();
    const Mat4 view = lookAtLH({0, 400, 0, 0}, {0, 400, 1, 0}, {0, 1, 0, 0});
    setView(constants, view);
    const Mat4 expected = multiply(view, fixedProjection());
    EXPECT_EQ(constants.viewProjection, expected);
    // Row 0 first, no transposition: element [3][1] (the translation's y
    // times yScale) sits at float index 13.
    float flat[16];
    std::memcpy(flat, &constants, sizeof flat);
    EXPECT_EQ(flat[13], expected.m[3][1]);
    EXPECT_NEAR(flat[13], -400.0f * 1.4281480f, 1e-3f);
    EXPECT_EQ(flat[11], 1.0f);  // [2][3]: w takes view depth
}

TEST(ViewProjection, TakesAWorldPointToClipSpaceAsARowVector) {
    FrameConstants constants = initialFrameConstants();
    setView(constants, lookAtLH({0, 400, 0, 0}, {0, 400, 1, 0}, {0, 1, 0, 0}));
    // 10 units straight ahead of the start position: the centre of the view.
    const Vec4 clip = transformPoint({0, 400, 10, 1}, constants.viewProjection);
    EXPECT_NEAR(clip.x, 0.0f, 1e-5f);
    EXPECT_NEAR(clip.y, 0.0f, 1e-4f);
    EXPECT_NEAR(clip.w, 10.0f, 1e-5f);
    // Above the eye is up on screen.
    const Vec4 above = transformPoint({0, 401, 10, 1}, constants.viewProjection);
    EXPECT_GT(above.y / above.w, 0.0f);
}

}  // namespace
}  // namespace gravelkin
