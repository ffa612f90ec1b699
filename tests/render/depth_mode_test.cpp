// The two depth modes: their frame constants, and as they reach the pixels
// the depth range, clipping and clear of each, reversed float depth sorting
// surfaces a unit apart two thousand units away, and the mode switching
// between frames without leaving a trace.
#include "render/frame_constants.h"

#include <cmath>
#include <cstring>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include <epoxy/gl.h>
#include <gtest/gtest.h>

#include "render/clear_color.h"

#include "tests/render/gl_test_support.h"

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
// transposed, and takes world points to clip space as row vectors. The
// reversed record keeps the view's x, y and w; its frustum keeps what lies a
// million units ahead and culls what lies behind the eye.
TEST(FrameConstantsTest, ViewProjectionIsStoredRowByRowAndTheReversedOneReachesToInfinity) {
    const Mat4 startView = lookAtLH({0, 400, 0, 1}, {0, 400, 1, 1}, {0, 1, 0, 0});
    FrameConstants standard = initialFrameConstants(), reversed = initialFrameConstants();
    setView(standard, startView);
    setView(reversed, startView, DepthMode::ReversedInfinite);
    EXPECT_EQ(standard.viewProjection, multiply(startView, fixedProjection()));
    float flat[16];
    std::memcpy(flat, &standard, sizeof flat);
    EXPECT_NEAR(flat[13], -400.0f * 1.4281480f, 1e-3f);  // [3][1]: the translation's y times yScale
    EXPECT_EQ(flat[11], 1.0f);                           // [2][3]: w takes the view depth
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

using DepthModeTest = GlTest;

// Standard depth maps view depths 0.1 to 1000 onto 0 to 1, reversed maps 0.1
// to infinity onto 1 to 0. Both clear to the bytes that the crack count takes
// for sky (clearColorBytes).
TEST_F(DepthModeTest, EachModeMapsViewDepthClipsAndClearsAsDesigned) {
    const auto expectCleared = [&](float depth) {
        const Pixel corner = pixelAt(renderer->readColor(), 0, 0);
        EXPECT_EQ((std::vector{corner.r, corner.g, corner.b, corner.a}),
                  (std::vector<int>(clearColorBytes, clearColorBytes + 4)));
        EXPECT_EQ(renderer->readDepth(0, 0), depth);
    };
    EXPECT_NEAR(depthOfSquareAt(*renderer, 0.1001f), 0.0f, 2e-3f);
    const float farDepth = depthOfSquareAt(*renderer, 990.0f);
    EXPECT_LT(farDepth, 1.0f);
    EXPECT_GT(farDepth, 0.99999f);
    EXPECT_EQ(depthOfSquareAt(*renderer, 0.0999f), -1.0f);
    EXPECT_EQ(depthOfSquareAt(*renderer, 1001.0f), -1.0f);
    expectCleared(1.0f);

    switchDepthMode(*renderer, DepthMode::ReversedInfinite);
    EXPECT_EQ(depthOfSquareAt(*renderer, 0.0999f), -1.0f);
    EXPECT_NEAR(depthOfSquareAt(*renderer, 0.1001f), 1.0f, 2e-3f);
    EXPECT_FLOAT_EQ(depthOfSquareAt(*renderer, 1e6f), 1e-7f);
    expectCleared(0.0f);
}

// In 24-bit fixed point the reversed case's two squares would share depth
// values.
TEST_F(DepthModeTest, NearerGeometryHidesFartherWhateverTheOrder) {
    for (const DepthMode mode : {DepthMode::Standard, DepthMode::ReversedInfinite}) {
        switchDepthMode(*renderer, mode);
        const bool reversed = mode == DepthMode::ReversedInfinite;
        const float nearZ = reversed ? 2000 : 3, farZ = reversed ? 2001 : 5;
        std::vector<std::vector<ChunkVertex>> scene = redBeforeGreen(nearZ, farZ);
        for (bool nearFirst : {true, false}) {
            SCOPED_TRACE(std::string(reversed ? "reversed" : "standard") +
                         (nearFirst ? ", near first" : ", far first"));
            expectRedBeforeGreen(renderFrame(*renderer, scene));
            if (reversed) {
                EXPECT_FLOAT_EQ(renderer->readDepth(centreX, centreY), 0.1f / nearZ);
                EXPECT_FLOAT_EQ(renderer->readDepth(centreX + 15, centreY), 0.1f / farZ);
            }
            std::swap(scene[0], scene[1]);
        }
    }
}

// Standard, reversed and standard again: the last frame is the first bit for
// bit, the reversed one shows the same picture, and finishing the offscreen
// reversed frame leaves it alone.
TEST_F(DepthModeTest, SwitchingAtRunTimeLeavesStandardFramesAsTheyWere) {
    const std::vector<std::vector<ChunkVertex>> scene = redBeforeGreen(3, 5);
    const RgbaImage before = renderFrame(*renderer, scene);
    const float depthBefore = renderer->readDepth(centreX, centreY);

    switchDepthMode(*renderer, DepthMode::ReversedInfinite);
    const RgbaImage reversed = renderFrame(*renderer, scene);
    EXPECT_FLOAT_EQ(renderer->readDepth(centreX, centreY), 0.1f / 3.0f);
    EXPECT_EQ(pixelAt(reversed, centreX, centreY).r, pixelAt(before, centreX, centreY).r);
    EXPECT_EQ(pixelAt(reversed, centreX + 15, centreY).g, pixelAt(before, centreX + 15, centreY).g);
    renderer->finishFrame();
    EXPECT_EQ(renderer->readColor().pixels, reversed.pixels);

    switchDepthMode(*renderer, DepthMode::Standard);
    const RgbaImage after = renderFrame(*renderer, scene);
    EXPECT_EQ(after.pixels, before.pixels);
    EXPECT_EQ(renderer->readDepth(centreX, centreY), depthBefore);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

// The settings' mode from the start, on the window path too: with no window
// here, the frame is read from the renderer's own target.
TEST_F(DepthModeTest, TheSettingsChooseTheModeFromTheStart) {
    for (bool offscreen : {true, false}) {
        SCOPED_TRACE(offscreen ? "offscreen" : "window path");
        RendererSettings settings = testSettings();
        settings.offscreen = offscreen;
        settings.depthMode = DepthMode::ReversedInfinite;
        std::string error;
        std::unique_ptr<Renderer> reversed = Renderer::create(settings, error);
        ASSERT_TRUE(reversed) << error;
        EXPECT_EQ(reversed->depthMode(), DepthMode::ReversedInfinite);
        const auto scene = redBeforeGreen(2000, 2001);
        expectRedBeforeGreen(renderFrame(*reversed, {scene[1], scene[0]}));
    }
}

}  // namespace
}  // namespace gravelkin::test
