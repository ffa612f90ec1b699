// The program's shutdown order with a live, streaming planet: its threads
// stop, and every vertex buffer is back, before the first GL object is
// released.
#include <chrono>
#include <thread>

#include <gtest/gtest.h>

#include "app/shutdown.h"
#include "tests/render/gl/gl_test_support.h"
#include "tests/support/fake_camera_input.h"

namespace gravelkin::testing {
namespace {

using ShutdownTest = GlTest;

TEST_F(ShutdownTest, ThePlanetStopsBeforeAnyGlObjectIsReleased) {
    FakeCameraInput input;
    auto scene = std::make_unique<Scene>(input, renderer->device());
    // Stream until a few chunks have meshes (or a while has passed), drawing
    // frames as the program does.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (renderer->device().liveBuffers() < 3 && std::chrono::steady_clock::now() < deadline) {
        renderer->clear();
        renderer->setFrameConstants(scene->camera->viewMatrix());
        renderer->drawPlanet(*scene->planet);
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_GT(renderer->device().liveBuffers(), 0u) << "the planet made no mesh in 20 s";

    std::vector<RendererObject> released;
    bool sceneGoneFirst = false;
    std::size_t buffersAtFirstRelease = 1;
    shutDownScene(scene, *renderer, [&](RendererObject object) {
        if (released.empty()) {
            sceneGoneFirst = scene == nullptr && processCamera() == nullptr;
            buffersAtFirstRelease = renderer->device().liveBuffers();
        }
        released.push_back(object);
    });
    EXPECT_TRUE(sceneGoneFirst);
    EXPECT_EQ(buffersAtFirstRelease, 0u);
    EXPECT_EQ(released.size(), rendererReleaseOrder.size());
}

}  // namespace
}  // namespace gravelkin::testing
