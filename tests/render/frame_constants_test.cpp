#include "render/frame_constants.h"

#include <cmath>
#include <cstring>

#include <gtest/gtest.h>

namespace gravelkin {
namespace {

const Mat4 startView = lookAtLH({0, 400, 0, 0}, {0, 400, 1, 0}, {0, 1, 0, 0});

TEST(FrameConstants, ProjectionMapsNearAndFarToDepthZeroAndOneAtTheDesignedAspect) {
    const Mat4 p = fixedProjection();
    const auto depth = [&](float z) {
        const Vec4 clip = transformPoint({0, 0, z, 1}, p);
        return clip.z / clip.w;
    };
    EXPECT_NEAR(depth(0.1f), 0.0f, 1e-6f);
    EXPECT_NEAR(depth(1000.0f), 1.0f, 1e-6f);
    EXPECT_GT(depth(1001.0f), 1.0f);  // beyond the far plane: clipped

    // The corner of a 70-degree, 1.6-wide view lands on the corner of clip
    // space, whatever the window measures.
    const float halfHeight = std::sin(0.61086524f) / std::cos(0.61086524f);
    const Vec4 corner = transformPoint({1.6f * halfHeight, halfHeight, 1.0f, 1}, p);
    EXPECT_NEAR(corner.x / corner.w, 1.0f, 1e-5f);
    EXPECT_NEAR(corner.y / corner.w, 1.0f, 1e-5f);
}

// Guards the upload layout: the shader reads the matrix row 0 first, never
// transposed, and takes world points to clip space as row vectors.
TEST(FrameConstants, ViewProjectionIsViewTimesProjectionStoredRowByRow) {
    FrameConstants constants = initialFrameConstants();
    setView(constants, startView);
    const Mat4 expected = multiply(startView, fixedProjection());
    EXPECT_EQ(constants.viewProjection, expected);
    float flat[16];
    std::memcpy(flat, &constants, sizeof flat);
    EXPECT_NEAR(flat[13], -400.0f * 1.4281480f, 1e-3f);  // [3][1]: the translation's y times yScale
    EXPECT_EQ(flat[11], 1.0f);                           // [2][3]: w takes the view depth

    const Vec4 ahead = transformPoint({0, 400, 10, 1}, constants.viewProjection);
    EXPECT_NEAR(ahead.x, 0.0f, 1e-5f);
    EXPECT_NEAR(ahead.y, 0.0f, 1e-4f);
    EXPECT_NEAR(ahead.w, 10.0f, 1e-5f);
    const Vec4 above = transformPoint({0, 401, 10, 1}, constants.viewProjection);
    EXPECT_GT(above.y / above.w, 0.0f);
}

}  // namespace
}  // namespace gravelkin
