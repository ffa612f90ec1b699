// The pipeline's fixed state, checked by rendering on Mesa's software
// rasteriser: clear colour, winding and culling, depth test, depth range.
#include <gtest/gtest.h>

#include "tests/render/gl/gl_test_support.h"

namespace gravelkin {
namespace {

using namespace test;

using RenderingTest = GlTest;

const int centreX = frameWidth / 2;
const int centreY = frameHeight / 2;

TEST_F(RenderingTest, TheClearColourFillsTheEmptyFrame) {
    renderFrame(identityView, {});
    const RgbaImage image = renderer->readColor();
    ASSERT_EQ(image.width, frameWidth);
    ASSERT_EQ(image.height, frameHeight);
    for (int y = 0; y < frameHeight; ++y)
        for (int x = 0; x < frameWidth; ++x) ASSERT_TRUE(isSky(pixelAt(image, x, y))) << x << ", " << y;
    EXPECT_EQ(renderer->readDepth(centreX, centreY), 1.0f);
}

TEST_F(RenderingTest, AQuadWoundClockwiseAsSeenIsDrawn) {
    renderFrame(identityView, {centredQuad(2.0f, 0.2f, white)});
    const RgbaImage image = renderer->readColor();
    EXPECT_FALSE(isSky(pixelAt(image, centreX, centreY)));
    EXPECT_TRUE(isSky(pixelAt(image, 2, 2)));
}

TEST_F(RenderingTest, AQuadWoundTheOtherWayIsCulled) {
    renderFrame(identityView, {centredQuad(2.0f, 0.2f, white, false)});
    const RgbaImage image = renderer->readColor();
    EXPECT_TRUE(isSky(pixelAt(image, centreX, centreY)));
}

TEST_F(RenderingTest, UpInTheWorldIsUpInTheImage) {
    // A quad above the view axis lands in the top half of the image (read
    // top row first).
    renderFrame(identityView, {quad(2.0f, -0.2f, 0.2f, 0.2f, 0.6f, white)});
    const RgbaImage image = renderer->readColor();
    EXPECT_FALSE(isSky(pixelAt(image, centreX, 35)));
    EXPECT_TRUE(isSky(pixelAt(image, centreX, 65)));
}

TEST_F(RenderingTest, NearerGeometryHidesFartherWhateverTheOrder) {
    for (bool nearFirst : {true, false}) {
        const auto nearQuad = centredQuad(3.0f, 0.1f, red);
        const auto farQuad = centredQuad(5.0f, 0.3f, green);
        renderFrame(identityView, nearFirst ? std::vector{nearQuad, farQuad} : std::vector{farQuad, nearQuad});
        const RgbaImage image = renderer->readColor();
        const Pixel centre = pixelAt(image, centreX, centreY);
        EXPECT_GT(centre.r, 40) << "near first: " << nearFirst;
        EXPECT_EQ(centre.g, 0) << "near first: " << nearFirst;
        // Around the near quad the far one shows.
        const Pixel ring = pixelAt(image, centreX + 15, centreY);
        EXPECT_EQ(ring.r, 0) << "near first: " << nearFirst;
        EXPECT_GT(ring.g, 40) << "near first: " << nearFirst;
    }
}

TEST_F(RenderingTest, ViewDepthPointOneIsDepthZeroAndAThousandIsDepthOne) {
    renderFrame(identityView, {centredQuad(0.1001f, 0.2f, white)});
    EXPECT_NEAR(renderer->readDepth(centreX, centreY), 0.0f, 2e-3f);

    renderFrame(identityView, {centredQuad(990.0f, 0.2f, white)});
    const float farDepth = renderer->readDepth(centreX, centreY);
    EXPECT_LT(farDepth, 1.0f);
    EXPECT_GT(farDepth, 0.99999f);
}

TEST_F(RenderingTest, GeometryOutsideTheDepthRangeIsClipped) {
    renderFrame(identityView, {centredQuad(0.0999f, 0.2f, white)});
    EXPECT_TRUE(isSky(pixelAt(renderer->readColor(), centreX, centreY)));
    renderFrame(identityView, {centredQuad(1001.0f, 0.2f, white)});
    EXPECT_TRUE(isSky(pixelAt(renderer->readColor(), centreX, centreY)));
}

TEST_F(RenderingTest, TheViewMatrixMovesTheScene) {
    // The camera's start view: eye at (0, 400, 0) looking along +z.
    const Mat4 view = lookAtLH({0, 400, 0, 0}, {0, 400, 1, 0}, {0, 1, 0, 0});
    renderFrame(view, {quad(2.0f, -0.4f, 399.6f, 0.4f, 400.4f, white)});
    EXPECT_FALSE(isSky(pixelAt(renderer->readColor(), centreX, centreY)));
}

}  // namespace
}  // namespace gravelkin
