// Culling never changes the picture: one streamed planet drawn through the
// renderer's frustum test and face groups' facing test and drawn whole gives
// the same pixels, at views
// like the four the snapshot tool is checked at (a smaller streaming radius
// and frame, for time; the pole view closer, so its surface is streamed).
#include <memory>
#include <string>

#include <gtest/gtest.h>

#include "camera/still_camera_input.h"
#include "planet/planet.h"
#include "render/headless_snapshot.h"
#include "tests/render/gl_test_support.h"

namespace gravelkin::test {
namespace {

using CullingTest = GlTest;

struct CullingView {
    const char* name;
    Vec3 position;
    float pitchDegrees;
    float viewRadius;
};

TEST_F(CullingTest, CulledAndWholeFramesAreIdenticalAtTheCheckedViews) {
    RendererSettings settings = testSettings();
    settings.width = 480, settings.height = 300;
    std::string error;
    std::unique_ptr<Renderer> large = Renderer::create(settings, error);
    ASSERT_TRUE(large) << error;
    const CullingView views[] = {{"start", {0, 400, 0}, 0, 150},
                                 {"above the start", {0, 470, -120}, 25, 150},
                                 {"above the pole, looking down", {0, 600, 0}, 90, 250},
                                 {"inside the core", {0, 100, 0}, 0, 150}};
    std::size_t culledInAll = 0;
    std::uint64_t facingAwayInAll = 0;
    for (const CullingView& view : views) {
        SCOPED_TRACE(view.name);
        StillCameraInput input;
        Camera camera(input);
        camera.setPosition(view.position);
        camera.setOrientation(0.0f, view.pitchDegrees);
        auto planet = std::make_unique<Planet>(large->device(), view.viewRadius);
        ASSERT_TRUE(streamUntilConverged(*planet, large->device(), 3, 300.0));

        large->clear();
        large->setFrameConstants(camera.viewMatrix());
        const DrawWalkCounts culled = large->drawChunksOf(*planet);
        const RgbaImage culledImage = large->readColor();
        const FaceCounts culledFaces = large->lastFaceCounts();
        large->clear();
        const DrawWalkCounts whole = planet->drawChunks(*large);
        const RgbaImage wholeImage = large->readColor();

        EXPECT_GT(culled.drawn, 0u);
        EXPECT_EQ(whole.culled, 0u);
        EXPECT_EQ(culled.drawn + culled.culled, whole.drawn);
        EXPECT_TRUE(culledImage.pixels == wholeImage.pixels) << culled.culled << " culled made a difference";
        culledInAll += culled.culled;
        facingAwayInAll += culledFaces.facingAway;
        planet.reset();  // its threads read the camera
    }
    EXPECT_GT(culledInAll, 0u);
    EXPECT_GT(facingAwayInAll, 0u);
}

}  // namespace
}  // namespace gravelkin::test
