#include "camera/camera.h"

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

namespace gravelkin {
namespace {

using testing::expectNear;
using testing::FakeCameraInput;
using Placements = std::vector<std::pair<int, int>>;

constexpr float tolerance = 1e-5f;
constexpr float degrees = 0.017453292f;

// A camera over a fake whose window is in front with the cursor resting at
// the centre, so that nothing turns until a test moves the cursor.
class CameraTest : public ::testing::Test {
protected:
    FakeCameraInput input;
    Camera camera{input};

    // One frame with exactly the given keys held.
    void frame(std::initializer_list<CameraKey> keys, float seconds = 0.1f) {
        input.held = keys;
        camera.update(seconds);
    }
};

TEST_F(CameraTest, StartsAtRestPublishedAndLookingAlongPlusZ) {
    EXPECT_EQ(processCamera(), &camera);
    EXPECT_EQ(input.screenPlacements, (Placements{{256, 256}}));
    EXPECT_TRUE(input.clientPlacements.empty());
    EXPECT_TRUE(input.visibilityCalls.empty());

    const Mat4 startView{{{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, -400, 0, 1}}};
    for (const bool foreground : {true, false}) {
        input.foreground = foreground;
        for (int i = 0; i < 5; ++i) frame({});
        EXPECT_EQ(camera.position(), (Vec3{0.0f, 400.0f, 0.0f}));
        EXPECT_EQ(camera.yaw(), 0.0f);
        EXPECT_EQ(camera.pitch(), 0.0f);
        EXPECT_EQ(camera.forwardDirection(), (Vec4{0.0f, 0.0f, 1.0f, 0.0f}));
        EXPECT_EQ(camera.viewMatrix(), startView);
    }
}

// One frame from the start position at the given heading: 30 units a second,
// Shift four times as far, each key moving from where the one before left.
TEST_F(CameraTest, KeysMoveAlongTheHeadingSidewaysAndUp) {
    using enum CameraKey;
    const float c30 = std::cos(30.0f * degrees), s30 = std::sin(30.0f * degrees);
    struct Case {
        float yaw, pitch;
        std::initializer_list<CameraKey> keys;
        float seconds;
        Vec3 expected;
        float tolerance = 1e-5f;
    };
    const Case cases[] = {
        {0, 0, {W}, 0.1f, {0, 400, 3}},
        {0, 0, {W}, 0.05f, {0, 400, 1.5f}},
        {0, 0, {W, Shift}, 0.1f, {0, 400, 12}},
        {0, 0, {S, Shift}, 0.1f, {0, 400, -12}},
        {0, 0, {Shift}, 0.1f, {0, 400, 0}},
        {0, 85, {W}, 0.1f, {0, 400.0f - 3.0f * 0.9961947f, 3.0f * 0.0871557f}},  // mostly down
        {-90, 0, {W}, 0.1f, {-3, 400, 0}},
        {180, 0, {S}, 0.1f, {0, 400, 3}},
        {0, 0, {D}, 0.1f, {3, 400, 0}},  // D is to the right
        {0, 0, {A}, 0.1f, {-3, 400, 0}},
        {30, 40, {D}, 0.1f, {3.0f * c30, 400, -3.0f * s30}},  // pitch does not tilt the sideways step
        {123, -60, {E}, 0.1f, {0, 403, 0}},                    // up is +y whatever the heading
        {123, -60, {Q}, 0.1f, {0, 397, 0}},
        {0, 0, {W, D, E}, 0.1f, {3, 403, 3}},
        {37, 20, {W, S, Shift}, 0.1f, {0, 400, 0}, 1e-4f},  // opposite keys cancel
        {37, 20, {A, D, Shift}, 0.1f, {0, 400, 0}, 1e-4f},
        {37, 20, {Q, E, Shift}, 0.1f, {0, 400, 0}, 1e-4f},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << "yaw " << c.yaw << " pitch " << c.pitch << " keys " << c.keys.size());
        camera.setPosition(cameraStartPosition);
        camera.setOrientation(c.yaw, c.pitch);
        frame(c.keys, c.seconds);
        expectNear(camera.position(), c.expected, c.tolerance);
    }
}

TEST_F(CameraTest, TheMouseTurnsPointFourDegreesAPixelAndIsPutBack) {
    // Keys move along the heading of the frame before the mouse turns.
    input.cursorX = 356;
    frame({CameraKey::W});
    expectNear(camera.position(), {0.0f, 400.0f, 3.0f}, tolerance);
    EXPECT_NEAR(camera.yaw(), 40.0f, tolerance);
    EXPECT_EQ(camera.pitch(), 0.0f);
    EXPECT_GT(camera.forwardDirection().x, 0.6f);
    EXPECT_EQ(input.clientPlacements, (Placements{{256, 256}}));
    EXPECT_EQ(input.visibilityCalls, std::vector<bool>{false});

    frame({});  // back at the centre: no further turn
    EXPECT_NEAR(camera.yaw(), 40.0f, tolerance);

    input.cursorX = 231;  // left turns back; below looks down
    input.cursorY = 281;
    frame({});
    EXPECT_NEAR(camera.yaw(), 30.0f, tolerance);
    EXPECT_NEAR(camera.pitch(), 10.0f, tolerance);
    EXPECT_LT(camera.forwardDirection().y, 0.0f);

    for (int i = 0; i < 3; ++i) {  // yaw is never wrapped
        input.cursorX = 256 + 500;
        frame({});
    }
    EXPECT_NEAR(camera.yaw(), 630.0f, 1e-3f);
}

TEST_F(CameraTest, PitchIsClampedTo85EvenWhenRecentringFails) {
    for (const bool placeSucceeds : {true, false}) {
        for (const float sign : {1.0f, -1.0f}) {
            camera.setOrientation(0.0f, 80.0f * sign);
            input.cursorPlaceSucceeds = placeSucceeds;
            input.cursorY = 256 + static_cast<int>(50.0f * sign);
            input.clientPlacements.clear();
            frame({});
            EXPECT_EQ(camera.pitch(), 85.0f * sign);
            EXPECT_EQ(input.clientPlacements, (Placements{{256, 256}}));
        }
    }
}

TEST_F(CameraTest, TheMouseSteersOnlyWhileOurWindowIsInFront) {
    input.foreground = false;
    input.cursorX = 356;
    input.cursorY = 306;
    frame({CameraKey::W});
    expectNear(camera.position(), {0.0f, 400.0f, 3.0f}, tolerance);  // keys act all the same
    EXPECT_EQ(camera.yaw(), 0.0f);
    EXPECT_EQ(camera.pitch(), 0.0f);
    EXPECT_EQ(input.cursorReads, 0);
    EXPECT_TRUE(input.clientPlacements.empty());

    // Shown or hidden once per frame, following the window in front.
    frame({});
    input.foreground = true;
    input.cursorX = input.cursorY = 256;
    frame({});
    frame({});
    input.foreground = false;
    frame({});
    EXPECT_EQ(input.visibilityCalls, (std::vector<bool>{true, true, false, false, true}));
    EXPECT_EQ(input.foregroundPolls, 5);
}

TEST_F(CameraTest, AFailedCursorReadDefersTheTravelToTheNextFrame) {
    input.cursorReadSucceeds = false;
    input.cursorX = 356;
    input.cursorY = 306;
    frame({});
    EXPECT_EQ(camera.yaw(), 0.0f);
    EXPECT_EQ(camera.pitch(), 0.0f);
    EXPECT_EQ(input.cursorReads, 1);
    EXPECT_TRUE(input.clientPlacements.empty());
    EXPECT_EQ(input.visibilityCalls, std::vector<bool>{false});

    input.cursorReadSucceeds = true;
    frame({});
    EXPECT_NEAR(camera.yaw(), 40.0f, tolerance);
    EXPECT_NEAR(camera.pitch(), 20.0f, tolerance);
}

TEST_F(CameraTest, ForwardDirectionFollowsYawAndPitch) {
    for (const auto& [yaw, pitch] : {std::pair{90.0f, 0.0f}, std::pair{0.0f, 30.0f}, std::pair{-135.0f, -45.0f},
                                     std::pair{400.0f, 12.5f}}) {
        camera.setOrientation(yaw, pitch);
        const float p = pitch * degrees, y = yaw * degrees;
        const Vec4 f = camera.forwardDirection();
        expectNear(f, {std::cos(p) * std::sin(y), -std::sin(p), std::cos(p) * std::cos(y), 0.0f}, tolerance);
        EXPECT_NEAR(length3(f), 1.0f, tolerance);
    }
    // The view looks from the eye along that direction.
    camera.setPosition({10.0f, -5.0f, 300.0f});
    const Vec4 eye{10.0f, -5.0f, 300.0f, 0.0f};
    expectNear(transformPoint(eye + camera.forwardDirection() * 5.0f, camera.viewMatrix()), {0, 0, 5, 1}, 1e-4f);
}

TEST(ProcessCamera, IsTheLatestLiveCameraAndNullOtherwise) {
    EXPECT_EQ(processCamera(), nullptr);
    EXPECT_EQ(cameraPosition(), cameraStartPosition);

    FakeCameraInput input;
    auto first = std::make_unique<Camera>(input);
    EXPECT_EQ(processCamera(), first.get());
    first->setPosition({1.0f, 2.0f, 3.0f});
    EXPECT_EQ(cameraPosition(), (Vec3{1.0f, 2.0f, 3.0f}));

    auto second = std::make_unique<Camera>(input);
    EXPECT_EQ(processCamera(), second.get());
    EXPECT_EQ(cameraPosition(), cameraStartPosition);

    first.reset();  // guards: a camera that is no longer published must not withdraw the second
    EXPECT_EQ(processCamera(), second.get());
    second.reset();
    EXPECT_EQ(processCamera(), nullptr);
    EXPECT_EQ(cameraPosition(), cameraStartPosition);
}

// Readers on other threads watch the position while the owning thread moves
// it. Each component only ever grows (x, z) or shrinks (y), so a reader must
// see each one move monotonically and hold only values that were written.
TEST(ProcessCamera, OtherThreadsReadWholeComponentsWhileTheOwnerMoves) {
    constexpr int steps = 20000;
    FakeCameraInput input;
    input.foreground = false;
    Camera camera(input);

    std::atomic<bool> done{false};
    std::atomic<int> violations{0};
    std::atomic<long> reads{0};

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
            reads.fetch_add(1, std::memory_order_relaxed);
        }
    };
    std::thread first(reader, false);
    std::thread second(reader, true);

    for (int i = 0; i <= steps; ++i) {
        camera.setPosition({static_cast<float>(i), 400.0f - static_cast<float>(i), static_cast<float>(2 * i)});
    }
    input.held = {CameraKey::W, CameraKey::D, CameraKey::Q};
    for (int i = 0; i < 2000; ++i) camera.update(0.01f);
    done.store(true, std::memory_order_release);
    first.join();
    second.join();

    EXPECT_EQ(violations.load(), 0);
    EXPECT_GE(reads.load(), 2);
    const Vec3 end = camera.position();
    // 2000 steps of 0.3 each, rounded at magnitudes where a float's spacing
    // is a few thousandths.
    const float travel = 2000.0f * 0.3f;
    EXPECT_NEAR(end.x, steps + travel, 5.0f);
    EXPECT_NEAR(end.y, 400.0f - steps - travel, 5.0f);
    EXPECT_NEAR(end.z, 2.0f * steps + travel, 5.0f);
    EXPECT_EQ(cameraPosition(), end);
}

}  // namespace
}  // namespace gravelkin
