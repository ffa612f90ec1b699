#include "app/scene.h"

#include <utility>

#include <gtest/gtest.h>

#include "device/null_graphics_device.h"
#include "tests/support/fake_camera_input.h"

namespace gravelkin::test {
namespace {

// Guards the Scene's order: the planet's threads read the published camera,
// so it is there while they run, and withdrawn with the scene. That they stop
// and give every buffer back first is the rendering suite's shutdown test.
TEST(SceneTest, ThePlanetRunsOnlyWhileTheCameraIsPublished) {
    FakeCameraInput input;
    NullGraphicsDevice device;
    auto scene = std::make_unique<Scene>(input, device);
    ASSERT_NE(scene->camera, nullptr);
    ASSERT_NE(scene->planet, nullptr);
    EXPECT_EQ(processCamera(), scene->camera.get());
    EXPECT_EQ(input.screenPlacements, (std::vector<std::pair<int, int>>{{256, 256}}));
    scene.reset();
    EXPECT_EQ(processCamera(), nullptr);
}

}  // namespace
}  // namespace gravelkin::test
