#include "app/scene.h"

#include <chrono>
#include <thread>

#include <gtest/gtest.h>

#include "render/device/null_graphics_device.h"
#include "tests/camera/fake_camera_input.h"

namespace gravelkin {
namespace {

TEST(Scene, PublishesTheCameraBeforeThePlanetRuns) {
    test::FakeCameraInput input;
    NullGraphicsDevice device;
    auto scene = std::make_unique<Scene>(input, device);
    ASSERT_NE(scene->camera, nullptr);
    ASSERT_NE(scene->planet, nullptr);
    EXPECT_EQ(processCamera(), scene->camera.get());
    // The camera placed the cursor once, at screen (256, 256).
    ASSERT_EQ(input.screenPlacements.size(), 1u);
    EXPECT_EQ(input.screenPlacements[0], std::make_pair(256, 256));
    scene.reset();
    EXPECT_EQ(processCamera(), nullptr);
}

TEST(Scene, StopsThePlanetAndFreesItsBuffersBeforeTheCameraGoes) {
    test::FakeCameraInput input;
    NullGraphicsDevice device;
    auto scene = std::make_unique<Scene>(input, device);
    // Let the factories make a few buffers.
    for (int i = 0; i < 400 && device.createdBuffers() == 0; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    scene.reset();
    EXPECT_EQ(device.liveBuffers(), 0);
    EXPECT_EQ(processCamera(), nullptr);
}

}  // namespace
}  // namespace gravelkin
