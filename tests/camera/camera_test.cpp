#include "camera/camera.h"

#include <array>
#include <atomic>
#include <cmath>
#include <initializer_list>
#include <memory>
#include <thread>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "tests/support/comparisons.h"
#include "tests/support/fake_camera_input.h"

namespace gravelkin::test {
namespace {

using test::expectNear;
using Placements = std::vector<std::pair<int, int>>;

constexpr float tolerance = 1e-5f;

// A camera over a fake whose window is in front with the cursor resting at
// the centre, so that nothing turns until a test moves the cursor.
struct CameraTest : ::testing::Test {
    FakeCameraInput input;
    Camera camera{input};

    // One frame with the cursor at (x, y) and exactly the given keys held.
    void frame(int x, int y, std::initializer_list<CameraKey> keys = {}, float seconds = 0.1f) {
        input.cursorX = x;
        input.cursorY = y;
        input.held = keys;
        camera.update(seconds);
    }

    void expectTurned(float yaw, float pitch, float within = tolerance) {  // within 0: not turned at all
        EXPECT_NEAR(camera.yaw(), yaw, within);
        EXPECT_NEAR(camera.pitch(), pitch, within);
    }
};

TEST_F(CameraTest, StartsAtRestLookingAlongPlusZ) {
    EXPECT_EQ(input.screenPlacements, (Placements{{256, 256}}));
    EXPECT_TRUE(input.clientPlacements.empty() && input.visibilityCalls.empty());
    for (const bool foreground : {true, false}) {
        input.foreground = foreground;
        for (int i = 0; i < 5; ++i) frame(256, 256);
        EXPECT_EQ(camera.position(), (Vec3{0.0f, 400.0f, 0.0f}));
        expectTurned(0.0f, 0.0f, 0.0f);
        EXPECT_EQ(camera.forwardDirection(), (Vec4{0.0f, 0.0f, 1.0f, 0.0f}));
        const Mat4 startView{{{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, -400, 0, 1}}};
        EXPECT_EQ(camera.viewMatrix(), startView);
    }
}

// One frame from the start at a heading: 30 units a second, Shift four times as far, the keys adding up.
TEST_F(CameraTest, KeysMoveAlongTheHeadingSidewaysAndUp) {
    using enum CameraKey;
    struct Case { float yaw, pitch; std::initializer_list<CameraKey> keys; Vec3 expected;
                  float seconds = 0.1f, within = 1e-5f; };
    const Case cases[] = {
        {0, 0, {W}, {0, 400, 3}},         {0, 0, {W}, {0, 400, 1.5f}, 0.05f},  {0, 0, {W, Shift}, {0, 400, 12}},
        {0, 0, {S, Shift}, {0, 400, -12}}, {0, 0, {Shift}, {0, 400, 0}},       {-90, 0, {W}, {-3, 400, 0}},
        {180, 0, {S}, {0, 400, 3}},        {0, 0, {A}, {-3, 400, 0}},          {0, 0, {W, D, E}, {3, 403, 3}},
        {0, 85, {W}, {0, 400.0f - 3.0f * 0.9961947f, 3.0f * 0.0871557f}},  // mostly down
        {0, 0, {D}, {3, 400, 0}},                                           // D is to the right
        {30, 40, {D}, {3.0f * 0.8660254f, 400, -1.5f}},  // pitch does not tilt the sideways step
        {123, -60, {E}, {0, 403, 0}},                    // up is +y whatever the heading
        {123, -60, {Q}, {0, 397, 0}},
        {37, 20, {W, S, A, D, Q, E, Shift}, {0, 400, 0}, 0.1f, 1e-4f},  // opposite keys cancel
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << "yaw " << c.yaw << " pitch " << c.pitch << " keys " << c.keys.size());
        camera.setPosition(cameraStartPosition);
        camera.setOrientation(c.yaw, c.pitch);
        frame(256, 256, c.keys, c.seconds);
        expectNear(camera.position(), c.expected, c.within);
    }
}

// Mouse look turns 0.4 degrees a pixel from the centre, puts the cursor back
// there and clamps the pitch to 85 degrees, even where the cursor stays put.
TEST_F(CameraTest, TheMouseTurnsFromTheCentreAndPitchIsClamped) {
    frame(356, 256, {CameraKey::W});
    expectNear(camera.position(), {0.0f, 400.0f, 3.0f}, tolerance);  // along the heading before the turn
    expectTurned(40.0f, 0.0f);
    EXPECT_EQ(input.clientPlacements, (Placements{{256, 256}}));
    frame(256, 256);
    expectTurned(40.0f, 0.0f);
    frame(231, 281);  // left turns back; below looks down
    expectTurned(30.0f, 10.0f);
    for (int i = 0; i < 3; ++i) frame(756, 256);  // yaw is never wrapped
    EXPECT_NEAR(camera.yaw(), 630.0f, 1e-3f);
    for (const bool placeSucceeds : {true, false}) {
        for (const int sign : {1, -1}) {
            camera.setOrientation(0.0f, 80.0f * sign);
            input.cursorPlaceSucceeds = placeSucceeds;
            input.clientPlacements.clear();
            frame(256, 256 + 50 * sign);
            EXPECT_EQ(camera.pitch(), 85.0f * sign);
            EXPECT_EQ(input.clientPlacements, (Placements{{256, 256}}));
        }
    }
}

// Keys act all the same, and the cursor shows or hides once per frame,
// following the window in front.
TEST_F(CameraTest, TheMouseSteersOnlyWhileOurWindowIsInFrontAndTheCursorIsRead) {
    input.foreground = false;
    frame(356, 306, {CameraKey::W});
    expectNear(camera.position(), {0.0f, 400.0f, 3.0f}, tolerance);
    expectTurned(0.0f, 0.0f, 0.0f);
    EXPECT_TRUE(input.cursorReads == 0 && input.clientPlacements.empty());
    for (const bool foreground : {false, true, true, false}) {
        input.foreground = foreground;
        frame(256, 256);
    }
    input.foreground = true;  // a failed read defers the travel to the next frame
    input.cursorReadSucceeds = false;
    frame(356, 306);
    expectTurned(0.0f, 0.0f, 0.0f);
    EXPECT_EQ(input.cursorReads, 3);
    EXPECT_EQ(input.clientPlacements, (Placements{{256, 256}, {256, 256}}));  // none for the failed read
    EXPECT_EQ(input.visibilityCalls, (std::vector<bool>{true, true, false, false, true, false}));
    EXPECT_EQ(input.foregroundPolls, 6);
    input.cursorReadSucceeds = true;
    frame(356, 306);
    expectTurned(40.0f, 20.0f);
}

// Forward is (cos pitch sin yaw, -sin pitch, cos pitch cos yaw), and the view
// looks from the eye along it.
TEST_F(CameraTest, ForwardDirectionAndViewFollowYawAndPitch) {
    camera.setPosition({10.0f, -5.0f, 300.0f});
    for (const auto& [yaw, pitch] : {std::array{90.0f, 0.0f}, {0.0f, 30.0f}, {-135.0f, -45.0f}, {400.0f, 12.5f}}) {
        camera.setOrientation(yaw, pitch);
        const float p = pitch * cameraDegreesToRadians, y = yaw * cameraDegreesToRadians;
        const Vec4 f = camera.forwardDirection();
        expectNear(f, {std::cos(p) * std::sin(y), -std::sin(p), std::cos(p) * std::cos(y), 0.0f}, tolerance);
        expectNear(transformPoint(Vec4{10, -5, 300, 0} + f * 5.0f, camera.viewMatrix()), {0, 0, 5, 1}, 1e-4f);
    }
}

TEST(ProcessCameraTest, IsTheLatestLiveCameraAndNullOtherwise) {
    EXPECT_TRUE(processCamera() == nullptr && cameraPosition() == cameraStartPosition);
    FakeCameraInput input;
    auto first = std::make_unique<Camera>(input);
    first->setPosition({1.0f, 2.0f, 3.0f});
    EXPECT_TRUE(processCamera() == first.get() && cameraPosition() == (Vec3{1.0f, 2.0f, 3.0f}));
    auto second = std::make_unique<Camera>(input);
    EXPECT_TRUE(processCamera() == second.get() && cameraPosition() == cameraStartPosition);
    first.reset();  // guards: a camera that is no longer published must not withdraw the second
    EXPECT_EQ(processCamera(), second.get());
    second.reset();
    EXPECT_TRUE(processCamera() == nullptr && cameraPosition() == cameraStartPosition);
}

// Readers on other threads watch the position while the owning thread moves
// it. Each component only ever grows (x, z) or shrinks (y), so a reader must
// see each one move monotonically and hold only values that were written.
TEST(ProcessCameraTest, OtherThreadsReadWholeComponentsWhileTheOwnerMoves) {
    constexpr int steps = 20000;
    FakeCameraInput input;
    input.foreground = false;
    Camera camera(input);
    std::atomic<bool> done{false};
    std::atomic<int> violations{0};
    const auto reader = [&](bool throughPointer) {
        Vec3 last{-1.0f, 1e9f, -1.0f};
        for (bool finished = false; !finished;) {
            finished = done.load(std::memory_order_acquire);
            const Vec3 p = throughPointer ? processCamera()->position() : cameraPosition();
            const bool finite = std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.z);
            const bool monotonic = p.x >= last.x && p.y <= last.y && p.z >= last.z;
            // Set positions are whole numbers; later key moves go past them.
            const bool whole = p.x > static_cast<float>(steps) || p.x == std::floor(p.x);
            if (!finite || !monotonic || !whole) violations.fetch_add(1, std::memory_order_relaxed);
            last = p;
        }
    };
    std::thread first(reader, false);
    std::thread second(reader, true);
    for (float i = 0.0f; i <= steps; ++i) camera.setPosition({i, 400.0f - i, 2.0f * i});
    input.held = {CameraKey::W, CameraKey::D, CameraKey::Q};
    for (int i = 0; i < 2000; ++i) camera.update(0.01f);
    done.store(true, std::memory_order_release);
    first.join();
    second.join();
    EXPECT_EQ(violations.load(), 0);
    const Vec3 end = camera.position();
    // 600: 2000 steps of 0.3, rounded where a float's spacing is a few thousandths.
    expectNear(end, {steps + 600.0f, 400.0f - steps - 600.0f, 2.0f * steps + 600.0f}, 5.0f);
    EXPECT_EQ(cameraPosition(), end);
}

}  // namespace
}  // namespace gravelkin::test
