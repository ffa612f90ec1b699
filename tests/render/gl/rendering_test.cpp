// The pipeline's fixed state, checked by rendering on Mesa's software
// rasteriser: clear colour, winding and culling, image orientation, depth
// test and depth range.
#include <gtest/gtest.h>

#include "tests/render/gl/gl_test_support.h"

namespace gravelkin::testing {
namespace {

using RenderingTest = GlTest;

TEST_F(RenderingTest, TheClearColourFillsTheEmptyFrameAtDepthOne) {
    const RgbaImage image = renderFrame(identityView, {});
    ASSERT_EQ(image.width, frameWidth);
    ASSERT_EQ(image.height, frameHeight);
    for (int y = 0; y < frameHeight; ++y)
        for (int x = 0; x < frameWidth; ++x) ASSERT_TRUE(isSky(pixelAt(image, x, y))) << x << ", " << y;
    EXPECT_EQ(renderer->readDepth(centreX, centreY), 1.0f);
}

TEST_F(RenderingTest, ClockwiseQuadsAreDrawnAndTheOthersCulled) {
    const RgbaImage drawn = renderFrame(identityView, {centredQuad(2.0f)});
    EXPECT_FALSE(isSky(pixelAt(drawn, centreX, centreY)));
    EXPECT_TRUE(isSky(pixelAt(drawn, 2, 2)));
    const RgbaImage culled = renderFrame(identityView, {centredQuad(2.0f, 0.2f, white, false)});
    EXPECT_TRUE(isSky(pixelAt(culled, centreX, centreY)));
}

TEST_F(RenderingTest, UpInTheWorldIsUpInTheImage) {
    // Above the view axis lands in the top half (images are read top row first).
    const RgbaImage image = renderFrame(identityView, {quad(2.0f, -0.2f, 0.2f, 0.2f, 0.6f, white)});
    EXPECT_FALSE(isSky(pixelAt(image, centreX, 35)));
    EXPECT_TRUE(isSky(pixelAt(image, centreX, 65)));

    // The camera's start view: eye at (0, 400, 0) looking along +z.
    const Mat4 view = lookAtLH({0, 400, 0, 0}, {0, 400, 1, 0}, {0, 1, 0, 0});
    const RgbaImage moved = renderFrame(view, {quad(2.0f, -0.4f, 399.6f, 0.4f, 400.4f, white)});
    EXPECT_FALSE(isSky(pixelAt(moved, centreX, centreY)));
}

TEST_F(RenderingTest, NearerGeometryHidesFartherWhateverTheOrder) {
    const auto nearQuad = centredQuad(3.0f, 0.1f, red);
    const auto farQuad = centredQuad(5.0f, 0.3f, green);
    for (bool nearFirst : {true, false}) {
        SCOPED_TRACE(nearFirst ? "near first" : "far first");
        const RgbaImage image =
            renderFrame(identityView, nearFirst ? std::vector{nearQuad, farQuad} : std::vector{farQuad, nearQuad});
        const Pixel centre = pixelAt(image, centreX, centreY);
        EXPECT_GT(centre.r, 40);
        EXPECT_EQ(centre.g, 0);
        const Pixel ring = pixelAt(image, centreX + 15, centreY);  // around the near quad the far one shows
        EXPECT_EQ(ring.r, 0);
        EXPECT_GT(ring.g, 40);
    }
}

TEST_F(RenderingTest, ViewDepthsPointOneToAThousandMapToDepthZeroToOne) {
    renderFrame(identityView, {centredQuad(0.1001f)});
    EXPECT_NEAR(renderer->readDepth(centreX, centreY), 0.0f, 2e-3f);
    renderFrame(identityView, {centredQuad(990.0f)});
    const float farDepth = renderer->readDepth(centreX, centreY);
    EXPECT_LT(farDepth, 1.0f);
    EXPECT_GT(farDepth, 0.99999f);

    // Outside that range, clipped.
    EXPECT_TRUE(isSky(pixelAt(renderFrame(identityView, {centredQuad(0.0999f)}), centreX, centreY)));
    EXPECT_TRUE(isSky(pixelAt(renderFrame(identityView, {centredQuad(1001.0f)}), centreX, centreY)));
}

}  // namespace
}  // namespace gravelkin::testing
