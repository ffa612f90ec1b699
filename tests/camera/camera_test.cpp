#include "camera/camera.h"

#include <atomic>
#include <cmath>
#include <initializer_list>
#include <memory>
#include <thread>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "tests/camera/fake_camera_input.h"

namespace gravelkin {
namespace {

using test::FakeCameraInput;
using Placements = std::vector<std::pair<int, int>>;

constexpr float tolerance = 1e-5f;
constexpr float degrees = 0.017453292f;

void expectNear(const Vec3& actual, const Vec3& expected, float eps = tolerance) {
    EXPECT_NEAR(actual.x, expected.x, eps);
    EXPECT_NEAR(actual.y, expected.y, eps);
    EXPECT_NEAR(actual.z, expected.z, eps);
}

void expectNear(const Vec4& actual, const Vec4& expected, float eps = tolerance) {
    EXPECT_NEAR(actual.x, expected.x, eps);
    EXPECT_NEAR(actual.y, expected.y, eps);
    EXPECT_NEAR(actual.z, expected.z, eps);
    EXPECT_NEAR(actual.w, expected.w, eps);
}

// A camera over a fake whose window is in front with the cursor resting at
// the centre, so that nothing moves until a test says so.
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

// --- Creation and the resting camera -----------------------------------------

TEST_F(CameraTest, StartsAtTheStartValues) {
    EXPECT_EQ(camera.position(), (Vec3{0.0f, 400.0f, 0.0f}));
    EXPECT_EQ(camera.up(), (Vec4{0.0f, 1.0f, 0.0f, 0.0f}));
    EXPECT_EQ(camera.moveSpeed(), 30.0f);
    EXPECT_EQ(camera.lookSensitivity(), 0.4f);
    EXPECT_EQ(camera.yaw(), 0.0f);
    EXPECT_EQ(camera.pitch(), 0.0f);
    EXPECT_EQ(camera.forwardDirection(), (Vec4{0.0f, 0.0f, 1.0f, 0.0f}));
}

TEST_F(CameraTest, CreationPublishesItselfAndPlacesTheCursorOnTheScreen) {
    EXPECT_EQ(processCamera(), &camera);
    EXPECT_EQ(input.screenPlacements, (Placements{{256, 256}}));
    EXPECT_TRUE(input.clientPlacements.empty());
    EXPECT_TRUE(input.visibilityCalls.empty());
    EXPECT_TRUE(input.keyPolls.empty());
}

TEST_F(CameraTest, WithNoInputItStaysPutLookingAlongPlusZ) {
    const Mat4 expectedView{{{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, -400, 0, 1}}};
    EXPECT_EQ(camera.viewMatrix(), expectedView);
    for (int i = 0; i < 5; ++i) frame({});
    input.foreground = false;
    for (int i = 0; i < 5; ++i) frame({});
    EXPECT_EQ(camera.position(), (Vec3{0.0f, 400.0f, 0.0f}));
    EXPECT_EQ(camera.yaw(), 0.0f);
    EXPECT_EQ(camera.pitch(), 0.0f);
    EXPECT_EQ(camera.forwardDirection(), (Vec4{0.0f, 0.0f, 1.0f, 0.0f}));
    EXPECT_EQ(camera.viewMatrix(), expectedView);
}

// --- Keys ----------------------------------------------------------------------

TEST_F(CameraTest, PollsShiftThenEachMoveKeyOnceInOrder) {
    frame({});
    const std::vector<CameraKey> expected{CameraKey::Shift, CameraKey::W, CameraKey::S, CameraKey::A,
                                          CameraKey::D,     CameraKey::Q, CameraKey::E};
    EXPECT_EQ(input.keyPolls, expected);
    input.clearLog();
    frame({CameraKey::Shift, CameraKey::W, CameraKey::S, CameraKey::A, CameraKey::D, CameraKey::Q, CameraKey::E});
    EXPECT_EQ(input.keyPolls, expected);
}

TEST_F(CameraTest, KeyCodesAreTheVirtualKeyNumbers) {
    EXPECT_EQ(static_cast<int>(CameraKey::Shift), 0x10);
    EXPECT_EQ(static_cast<int>(CameraKey::W), 0x57);
    EXPECT_EQ(static_cast<int>(CameraKey::S), 0x53);
    EXPECT_EQ(static_cast<int>(CameraKey::A), 0x41);
    EXPECT_EQ(static_cast<int>(CameraKey::D), 0x44);
    EXPECT_EQ(static_cast<int>(CameraKey::Q), 0x51);
    EXPECT_EQ(static_cast<int>(CameraKey::E), 0x45);
}

TEST_F(CameraTest, WMovesThirtyUnitsPerSecondAlongTheView) {
    frame({CameraKey::W});
    expectNear(camera.position(), {0.0f, 400.0f, 3.0f});
    frame({CameraKey::W}, 0.05f);
    expectNear(camera.position(), {0.0f, 400.0f, 4.5f});
}

TEST_F(CameraTest, ShiftMakesTheStepFourTimesLonger) {
    frame({CameraKey::W, CameraKey::Shift});
    expectNear(camera.position(), {0.0f, 400.0f, 12.0f});
    frame({CameraKey::S, CameraKey::Shift});
    expectNear(camera.position(), {0.0f, 400.0f, 0.0f});
    frame({CameraKey::Shift});
    expectNear(camera.position(), {0.0f, 400.0f, 0.0f});
}

TEST_F(CameraTest, WAtPitch85MovesMostlyDown) {
    camera.setOrientation(0.0f, 85.0f);
    EXPECT_NEAR(camera.forwardDirection().y, -0.9961947f, tolerance);
    frame({CameraKey::W});
    expectNear(camera.position(), {0.0f, 400.0f - 3.0f * 0.9961947f, 3.0f * 0.0871557f});
}

TEST_F(CameraTest, WAndSFollowTheCurrentHeading) {
    camera.setOrientation(-90.0f, 0.0f);
    frame({CameraKey::W});
    expectNear(camera.position(), {-3.0f, 400.0f, 0.0f});
    camera.setOrientation(180.0f, 0.0f);
    frame({CameraKey::S});
    expectNear(camera.position(), {-3.0f, 400.0f, 3.0f});
}

TEST_F(CameraTest, OppositeKeysCancel) {
    camera.setOrientation(37.0f, 20.0f);
    const Vec3 start = camera.position();
    for (const auto& pair : {std::pair{CameraKey::W, CameraKey::S}, std::pair{CameraKey::A, CameraKey::D},
                             std::pair{CameraKey::Q, CameraKey::E}}) {
        frame({pair.first, pair.second, CameraKey::Shift});
        expectNear(camera.position(), start, 1e-4f);
    }
}

TEST_F(CameraTest, ADMoveSidewaysAtRightAnglesToTheHeading) {
    frame({CameraKey::D});
    expectNear(camera.position(), {3.0f, 400.0f, 0.0f});  // D is to the right
    frame({CameraKey::A});
    frame({CameraKey::A});
    expectNear(camera.position(), {-3.0f, 400.0f, 0.0f});

    // Pitch does not tilt the sideways step; it stays horizontal.
    const float yaw = 30.0f;
    camera.setOrientation(yaw, 40.0f);
    camera.setPosition({0.0f, 400.0f, 0.0f});
    frame({CameraKey::D});
    const Vec3 moved = camera.position();
    EXPECT_EQ(moved.y, 400.0f);
    const Vec3 heading{std::sin(yaw * degrees), 0.0f, std::cos(yaw * degrees)};
    EXPECT_NEAR(dot3(moved - Vec3{0, 400, 0}, heading), 0.0f, tolerance);
    expectNear(moved, {3.0f * std::cos(yaw * degrees), 400.0f, -3.0f * std::sin(yaw * degrees)});
}

TEST_F(CameraTest, QAndEMoveAlongUpWhateverTheHeading) {
    camera.setOrientation(123.0f, -60.0f);
    camera.setPosition({5.0f, 100.0f, -7.0f});
    frame({CameraKey::E});
    EXPECT_EQ(camera.position(), (Vec3{5.0f, 103.0f, -7.0f}));
    frame({CameraKey::Q});
    frame({CameraKey::Q});
    EXPECT_EQ(camera.position(), (Vec3{5.0f, 97.0f, -7.0f}));
}

TEST_F(CameraTest, EachKeySeesThePositionTheLastOneLeft) {
    frame({CameraKey::W, CameraKey::D, CameraKey::E});
    expectNear(camera.position(), {3.0f, 403.0f, 3.0f});
}

// --- Mouse look -------------------------------------------------------------------

TEST_F(CameraTest, CursorRightOfCentreTurnsRightAndIsPutBack) {
    input.cursorX = 356;
    frame({});
    EXPECT_NEAR(camera.yaw(), 40.0f, tolerance);
    EXPECT_EQ(camera.pitch(), 0.0f);
    EXPECT_GT(camera.forwardDirection().x, 0.6f);
    EXPECT_EQ(input.clientPlacements, (Placements{{256, 256}}));
    EXPECT_EQ(input.visibilityCalls, std::vector<bool>{false});

    // Back at the centre, the next frame turns no further.
    frame({});
    EXPECT_NEAR(camera.yaw(), 40.0f, tolerance);
}

TEST_F(CameraTest, CursorBelowCentreLooksDown) {
    input.cursorY = 281;
    frame({});
    EXPECT_NEAR(camera.pitch(), 10.0f, tolerance);
    EXPECT_LT(camera.forwardDirection().y, 0.0f);
    input.cursorX = 231;  // left turns the other way
    frame({});
    EXPECT_NEAR(camera.yaw(), -10.0f, tolerance);
}

TEST_F(CameraTest, PitchIsClampedTo85EitherWay) {
    camera.setOrientation(0.0f, 80.0f);
    input.cursorY = 306;
    frame({});
    EXPECT_EQ(camera.pitch(), 85.0f);

    camera.setOrientation(0.0f, -80.0f);
    input.cursorY = 206;
    frame({});
    EXPECT_EQ(camera.pitch(), -85.0f);
}

TEST_F(CameraTest, YawAccumulatesWithoutWrapping) {
    for (int i = 0; i < 3; ++i) {
        input.cursorX = 256 + 500;
        frame({});
    }
    EXPECT_NEAR(camera.yaw(), 600.0f, 1e-3f);
}

TEST_F(CameraTest, KeysMoveAlongTheHeadingOfTheFrameBeforeTheMouseTurns) {
    input.cursorX = 356;
    frame({CameraKey::W});
    expectNear(camera.position(), {0.0f, 400.0f, 3.0f});
    EXPECT_NEAR(camera.yaw(), 40.0f, tolerance);
}

TEST_F(CameraTest, WithAnotherWindowInFrontKeysMoveButTheMouseDoesNot) {
    input.foreground = false;
    input.cursorX = 356;
    input.cursorY = 306;
    frame({CameraKey::W});
    expectNear(camera.position(), {0.0f, 400.0f, 3.0f});
    EXPECT_EQ(camera.yaw(), 0.0f);
    EXPECT_EQ(camera.pitch(), 0.0f);
    EXPECT_EQ(input.cursorReads, 0);
    EXPECT_TRUE(input.clientPlacements.empty());
    EXPECT_EQ(input.visibilityCalls, std::vector<bool>{true});
}

TEST_F(CameraTest, CursorIsHiddenOrShownOncePerFrame) {
    frame({});
    frame({});
    input.foreground = false;
    frame({});
    frame({});
    input.foreground = true;
    frame({});
    EXPECT_EQ(input.visibilityCalls, (std::vector<bool>{false, false, true, true, false}));
    EXPECT_EQ(input.foregroundPolls, 5);
}

TEST_F(CameraTest, FailedCursorReadLeavesTheViewAndTheCursorAlone) {
    input.cursorReadSucceeds = false;
    input.cursorX = 356;
    input.cursorY = 306;
    frame({});
    EXPECT_EQ(camera.yaw(), 0.0f);
    EXPECT_EQ(camera.pitch(), 0.0f);
    EXPECT_EQ(input.cursorReads, 1);
    EXPECT_TRUE(input.clientPlacements.empty());
    EXPECT_EQ(input.visibilityCalls, std::vector<bool>{false});

    // Once reads work again, the whole travel since the last centring counts.
    input.cursorReadSucceeds = true;
    frame({});
    EXPECT_NEAR(camera.yaw(), 40.0f, tolerance);
    EXPECT_NEAR(camera.pitch(), 20.0f, tolerance);
}

TEST_F(CameraTest, FailedRecentreStillClampsPitch) {
    camera.setOrientation(0.0f, 80.0f);
    input.cursorPlaceSucceeds = false;
    input.cursorY = 306;
    frame({});
    EXPECT_EQ(input.clientPlacements, (Placements{{256, 256}}));
    EXPECT_EQ(camera.pitch(), 85.0f);
}

// --- Direction and view -------------------------------------------------------------

TEST_F(CameraTest, ForwardDirectionFollowsYawAndPitch) {
    for (const auto& [yaw, pitch] : {std::pair{90.0f, 0.0f}, std::pair{0.0f, 30.0f}, std::pair{-135.0f, -45.0f},
                                     std::pair{400.0f, 12.5f}}) {
        camera.setOrientation(yaw, pitch);
        const float p = pitch * degrees, y = yaw * degrees;
        const Vec4 f = camera.forwardDirection();
        expectNear(f, {std::cos(p) * std::sin(y), -std::sin(p), std::cos(p) * std::cos(y), 0.0f});
        EXPECT_NEAR(length3(f), 1.0f, tolerance);
    }
    camera.setOrientation(0.0f, 30.0f);
    expectNear(camera.forwardDirection(), {0.0f, -0.5f, 0.8660254f, 0.0f});
}

TEST_F(CameraTest, ViewPutsTheEyeAtTheOriginLookingAlongPlusZ) {
    camera.setPosition({10.0f, -5.0f, 300.0f});
    camera.setOrientation(50.0f, -20.0f);
    const Mat4 view = camera.viewMatrix();
    const Vec4 eye{10.0f, -5.0f, 300.0f, 0.0f};
    expectNear(transformPoint(eye, view), {0.0f, 0.0f, 0.0f, 1.0f}, 1e-4f);
    expectNear(transformPoint(eye + camera.forwardDirection() * 5.0f, view), {0.0f, 0.0f, 5.0f, 1.0f}, 1e-4f);
    // Looking up (pitch -20), world up leans toward the viewer but stays up.
    EXPECT_GT(transformPoint(eye + camera.up(), view).y, 0.9f);
}

// --- The process-wide camera ----------------------------------------------------------

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

    first.reset();  // no longer the published one: must not withdraw the second
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
