// The two depth modes as they reach the pixels: reversed float depth sorts
// surfaces a unit apart two thousand units away, the mode switches between
// frames and back without leaving a trace, and the reversed target goes with
// the rest at release.
#include <memory>
#include <string>
#include <vector>

#include <epoxy/gl.h>
#include <gtest/gtest.h>

#include "tests/render/gl_test_support.h"

namespace gravelkin::test {
namespace {

using DepthModeTest = GlTest;

// A red square at view depth 2000 in front of a wider green one at 2001:
// in 24-bit fixed point the two would share depth values.
const std::vector<ChunkVertex> nearRed = square(0, 0, 2000, 200, {1, 0, 0});
const std::vector<ChunkVertex> farGreen = square(0, 0, 2001, 1000, {0, 1, 0});

void expectRedInFrontOfGreen(const RgbaImage& image) {
    const Pixel centre = pixelAt(image, centreX, centreY), ring = pixelAt(image, centreX + 30, centreY);
    EXPECT_GT(centre.r, 40);
    EXPECT_EQ(centre.g, 0);
    EXPECT_EQ(ring.r, 0);
    EXPECT_GT(ring.g, 40);
}

void switchTo(Renderer& renderer, DepthMode mode) {
    std::string error;
    ASSERT_TRUE(renderer.setDepthMode(mode, error)) << error;
    EXPECT_EQ(renderer.depthMode(), mode);
}

TEST_F(DepthModeTest, ReversedDepthSortsSurfacesAUnitApartTwoThousandAway) {
    switchTo(*renderer, DepthMode::ReversedInfinite);
    for (bool nearFirst : {true, false}) {
        SCOPED_TRACE(nearFirst ? "near first" : "far first");
        expectRedInFrontOfGreen(
            renderFrame(*renderer, nearFirst ? std::vector{nearRed, farGreen} : std::vector{farGreen, nearRed}));
        EXPECT_FLOAT_EQ(renderer->readDepth(centreX, centreY), 0.1f / 2000.0f);
        EXPECT_FLOAT_EQ(renderer->readDepth(centreX + 30, centreY), 0.1f / 2001.0f);
    }
}

TEST_F(DepthModeTest, ReversedDepthClearsToZeroAndClipsOnlyInFrontOfTheNearPlane) {
    switchTo(*renderer, DepthMode::ReversedInfinite);
    const auto depthAt = [&](float z) {  // -1 where nothing is drawn
        const bool drawn = !isSky(pixelAt(renderFrame(*renderer, {square(0, 0, z, 0.2f * z)}), centreX, centreY));
        return drawn ? renderer->readDepth(centreX, centreY) : -1.0f;
    };
    EXPECT_EQ(depthAt(0.0999f), -1.0f);
    EXPECT_NEAR(depthAt(0.1001f), 1.0f, 2e-3f);
    EXPECT_FLOAT_EQ(depthAt(1e6f), 1e-7f);
    EXPECT_EQ(renderer->readDepth(0, 0), 0.0f);  // cleared, nothing drawn there
}

// Standard, reversed and standard again: the last frame is the first bit
// for bit, and the reversed one shows the same picture.
TEST_F(DepthModeTest, SwitchingAtRunTimeLeavesStandardFramesAsTheyWere) {
    const std::vector<std::vector<ChunkVertex>> scene = {square(0, 0, 3, 0.3f, {1, 0, 0}), square(0, 0, 5, 1.5f, {0, 1, 0})};
    const RgbaImage before = renderFrame(*renderer, scene);
    const float depthBefore = renderer->readDepth(centreX, centreY);

    switchTo(*renderer, DepthMode::ReversedInfinite);
    const RgbaImage reversed = renderFrame(*renderer, scene);
    EXPECT_FLOAT_EQ(renderer->readDepth(centreX, centreY), 0.1f / 3.0f);
    EXPECT_EQ(pixelAt(reversed, centreX, centreY).r, pixelAt(before, centreX, centreY).r);
    EXPECT_EQ(pixelAt(reversed, centreX + 15, centreY).g, pixelAt(before, centreX + 15, centreY).g);

    switchTo(*renderer, DepthMode::Standard);
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
        expectRedInFrontOfGreen(renderFrame(*reversed, {farGreen, nearRed}));
    }
}

TEST_F(DepthModeTest, FinishFrameLeavesAnOffscreenFrameAlone) {
    switchTo(*renderer, DepthMode::ReversedInfinite);
    const RgbaImage drawn = renderFrame(*renderer, {nearRed, farGreen});
    renderer->finishFrame();
    EXPECT_EQ(renderer->readColor().pixels, drawn.pixels);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(DepthModeTest, ReleaseFreesTheReversedTarget) {
    EXPECT_EQ(renderer->reversedFramebufferName(), 0u);  // made only when first needed
    switchTo(*renderer, DepthMode::ReversedInfinite);
    const GLuint framebuffer = renderer->reversedFramebufferName();
    EXPECT_TRUE(glIsFramebuffer(framebuffer));
    switchTo(*renderer, DepthMode::Standard);
    EXPECT_TRUE(glIsFramebuffer(framebuffer));  // kept for the next switch
    renderer->release();
    EXPECT_FALSE(glIsFramebuffer(framebuffer));
}

}  // namespace
}  // namespace gravelkin::test
