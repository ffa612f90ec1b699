#include "app/frame_timer.h"

#include <gtest/gtest.h>

namespace gravelkin {
namespace {

// A clock counting ten-thousandths of a second.
constexpr std::int64_t frequency = 10000;

TEST(FrameRateTitle, ShowsTheNumberAfterTheName) {
    EXPECT_EQ(frameRateTitle(60), "Gravelkin - FPS: 60");
    EXPECT_EQ(frameRateTitle(0), "Gravelkin - FPS: 0");
    EXPECT_EQ(frameRateTitle(12345), "Gravelkin - FPS: 12345");
}

TEST(FrameTimer, TwelveFramesOverPoint2012SecondsShowSixty) {
    // 59.64 frames a second rounds to 60. Eleven frames of 167 ticks and one
    // of 175 make 2012 ticks.
    FrameTimer timer(frequency, 0);
    std::int64_t now = 0;
    FrameTimer::Frame frame;
    for (int i = 0; i < 11; ++i) {
        now += 167;
        frame = timer.tick(now);
        EXPECT_FALSE(frame.refreshTitle) << "frame " << i;
    }
    now += 175;
    frame = timer.tick(now);
    ASSERT_TRUE(frame.refreshTitle);
    EXPECT_EQ(frame.framesPerSecond, 60);
    EXPECT_EQ(timer.framesSinceTitle(), 0);
    EXPECT_EQ(timer.secondsSinceTitle(), 0.0f);
}

TEST(FrameTimer, ExactlyPoint2SecondsRefreshes) {
    FrameTimer timer(frequency, 1000);
    const FrameTimer::Frame frame = timer.tick(3000);
    EXPECT_EQ(frame.seconds, 0.2f);
    ASSERT_TRUE(frame.refreshTitle);
    EXPECT_EQ(frame.framesPerSecond, 5);
}

TEST(FrameTimer, JustBelowPoint2SecondsWaits) {
    FrameTimer timer(frequency, 0);
    EXPECT_FALSE(timer.tick(1999).refreshTitle);
    EXPECT_EQ(timer.framesSinceTitle(), 1);
}

TEST(FrameTimer, BelowFiveFramesASecondEveryFrameRefreshesWithItsReciprocal) {
    FrameTimer timer(frequency, 0);
    FrameTimer::Frame frame = timer.tick(2500);  // 0.25 s: 4 per second
    ASSERT_TRUE(frame.refreshTitle);
    EXPECT_EQ(frame.framesPerSecond, 4);
    frame = timer.tick(2500 + 3000);  // 0.3 s: 3.33 rounds to 3
    ASSERT_TRUE(frame.refreshTitle);
    EXPECT_EQ(frame.framesPerSecond, 3);
    frame = timer.tick(5500 + 4000);  // 0.4 s: 2.5 rounds away from zero, to 3
    ASSERT_TRUE(frame.refreshTitle);
    EXPECT_EQ(frame.framesPerSecond, 3);
}

TEST(FrameTimer, TheFirstFrameRunsFromTheStartReading) {
    FrameTimer timer(frequency, 5000);
    EXPECT_EQ(timer.tick(5100).seconds, 0.01f);
}

TEST(FrameTimer, TheClampTouchesOnlyTheCamerasTime) {
    // 0.25 s moves the camera by 0.1 s, while the average counts 0.25 s.
    FrameTimer timer(frequency, 0);
    const FrameTimer::Frame frame = timer.tick(2500);
    EXPECT_EQ(frame.seconds, 0.25f);
    EXPECT_EQ(frame.clampedSeconds, 0.1f);
    EXPECT_EQ(frame.framesPerSecond, 4);
}

TEST(FrameClamp, CapsAtATenthOfASecond) {
    EXPECT_EQ(clampFrameSeconds(0.0f), 0.0f);
    EXPECT_EQ(clampFrameSeconds(0.016f), 0.016f);
    EXPECT_EQ(clampFrameSeconds(0.099999994f), 0.099999994f);
    EXPECT_EQ(clampFrameSeconds(0.1f), 0.1f);
    EXPECT_EQ(clampFrameSeconds(0.25f), 0.1f);
    EXPECT_EQ(clampFrameSeconds(7.0f), 0.1f);
}

}  // namespace
}  // namespace gravelkin
