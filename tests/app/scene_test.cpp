#include "app/scene.h"

#include <chrono>
#include <thread>
#include <utility>

#include <gtest/gtest.h>

#include "render/device/null_graphics_device.h"
#include "tests/support/fake_camera_input.h"

namespace gravelkin {
namespace {

// Guards the Scene's order: the planet's threads read the published camera,
// so it is there before they start and withdrawn only after they stop and
// every buffer is back.
TEST(Scene, ThePlanetRunsOnlyWhileTheCameraIsPublished) {
    testing::FakeCameraInput input;
    NullGraphicsDevice device;
    auto scene = std::make_unique<Scene>(input, device);
    ASSERT_NE(scene->camera, nullptr);
    ASSERT_NE(scene->planet, nullptr);
    EXPECT_EQ(processCamera(), scene->camera.get());
    EXPECT_EQ(input.screenPlacements, (std::vector<std::pair<int, int>>{{256, 256}}));

    for (int i = 0; i < 400 && device.createdBuffers() == 0; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    scene.reset();
    EXPECT_EQ(device.liveBuffers(), 0);
    EXPECT_EQ(processCamera(), nullptr);
}

}  // namespace
}  // namespace gravelkin
