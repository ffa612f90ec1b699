#include "render/frame_constants.h"

#include <cmath>
#include <cstring>

#include <gtest/gtest.h>

namespace gravelkin::test {
namespace {

// The corner of a 70-degree, 1.6-wide view lands on the corner of clip space,
// whatever the window measures. The depth range is checked by rendering.
TEST(FrameConstantsTest, TheProjectionFitsTheDesignedFieldOfViewAndAspect) {
    const float halfHeight = std::sin(0.61086524f) / std::cos(0.61086524f);
    const Vec4 corner = transformPoint({1.6f * halfHeight, halfHeight, 1.0f, 1}, fixedProjection());
    EXPECT_NEAR(corner.x / corner.w, 1.0f, 1e-5f);
    EXPECT_NEAR(corner.y / corner.w, 1.0f, 1e-5f);
}

// Guards the upload layout: the shader reads the matrix row 0 first, never
// transposed, and takes world points to clip space as row vectors.
TEST(FrameConstantsTest, ViewProjectionIsViewTimesProjectionStoredRowByRow) {
    const Mat4 startView = lookAtLH({0, 400, 0, 0}, {0, 400, 1, 0}, {0, 1, 0, 0});
    FrameConstants constants = initialFrameConstants();
    setView(constants, startView);
    EXPECT_EQ(constants.viewProjection, multiply(startView, fixedProjection()));
    float flat[16];
    std::memcpy(flat, &constants, sizeof flat);
    EXPECT_NEAR(flat[13], -400.0f * 1.4281480f, 1e-3f);  // [3][1]: the translation's y times yScale
    EXPECT_EQ(flat[11], 1.0f);                           // [2][3]: w takes the view depth
}

// The reversed record keeps the view's x and y and the standard one is left
// as it was; the frustum of the reversed record keeps what lies a million
// units ahead and culls what lies behind the eye.
TEST(FrameConstantsTest, TheReversedRecordSharesThePictureAndReachesToInfinity) {
    const Vec4 eye{0, 400, 0, 1};
    const Mat4 startView = lookAtLH(eye, {0, 400, 1, 1}, {0, 1, 0, 0});
    FrameConstants standard = initialFrameConstants(), reversed = initialFrameConstants();
    setView(standard, startView, DepthMode::Standard);
    setView(reversed, startView, DepthMode::ReversedInfinite);
    EXPECT_EQ(standard.viewProjection, multiply(startView, fixedProjection()));
    const Vec4 p{30, 420, 500, 1};
    const Vec4 a = transformPoint(p, standard.viewProjection), b = transformPoint(p, reversed.viewProjection);
    EXPECT_EQ(a.x, b.x);
    EXPECT_EQ(a.y, b.y);
    EXPECT_EQ(a.w, b.w);

    const auto culled = [](const FrameConstants& constants, Vec3 point) {
        Box3 box;
        includePoint(box, point);
        return boxOutsideFrustum(viewFrustum(constants), box);
    };
    EXPECT_TRUE(culled(standard, {0, 400, 1e6f}));
    EXPECT_FALSE(culled(reversed, {0, 400, 1e6f}));
    EXPECT_TRUE(culled(reversed, {0, 400, -10}));
    EXPECT_FALSE(culled(reversed, {0, 400, 0.5f}));
}

}  // namespace
}  // namespace gravelkin::test
