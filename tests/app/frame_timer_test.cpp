#include "app/frame_timer.h"

#include <utility>

#include <gtest/gtest.h>

namespace gravelkin::test {
namespace {

constexpr std::int64_t frequency = 10000;  // a clock counting ten-thousandths of a second

TEST(FrameTimerTest, TwelveFramesOverPoint2012SecondsShowSixty) {
    EXPECT_EQ(frameRateTitle(60), "Gravelkin - FPS: 60");
    // 59.64 frames a second rounds to 60. Eleven frames of 167 ticks and one
    // of 175 make 2012 ticks; the frame that reaches 0.2 s counts too.
    FrameTimer timer(frequency, 0);
    std::int64_t now = 0;
    for (int i = 0; i < 11; ++i) EXPECT_FALSE(timer.tick(now += 167).refreshTitle) << "frame " << i;
    const FrameTimer::Frame frame = timer.tick(now += 175);
    ASSERT_TRUE(frame.refreshTitle);
    EXPECT_EQ(frame.framesPerSecond, 60);
    EXPECT_EQ(timer.framesSinceTitle(), 0);
    EXPECT_EQ(timer.secondsSinceTitle(), 0.0f);
}

TEST(FrameTimerTest, RefreshesOnceTheSecondsReachPoint2) {
    FrameTimer exact(frequency, 1000);  // the first frame runs from the start reading
    const FrameTimer::Frame frame = exact.tick(3000);
    EXPECT_EQ(frame.seconds, 0.2f);
    ASSERT_TRUE(frame.refreshTitle);
    EXPECT_EQ(frame.framesPerSecond, 5);
    EXPECT_FALSE(FrameTimer(frequency, 0).tick(1999).refreshTitle);
}

// The camera's time is clamped to a tenth; the average counts the full time.
TEST(FrameTimerTest, BelowFiveFramesASecondEveryFrameRefreshesWithItsRoundedReciprocal) {
    FrameTimer timer(frequency, 0);
    // 0.25 s: 4 a second; 0.3 s: 3.33 rounds to 3; 0.4 s: 2.5 rounds away from zero, to 3.
    const std::pair<std::int64_t, int> frames[] = {{2500, 4}, {5500, 3}, {9500, 3}};
    for (const auto& [now, expected] : frames) {
        const FrameTimer::Frame frame = timer.tick(now);
        ASSERT_TRUE(frame.refreshTitle) << now;
        EXPECT_EQ(frame.framesPerSecond, expected) << now;
        EXPECT_EQ(frame.clampedSeconds, 0.1f) << now;
    }
}

TEST(FrameTimerTest, TheClampToATenth) {
    const float seconds[][2] = {{0.0f, 0.0f}, {0.016f, 0.016f}, {0.099999994f, 0.099999994f},
                                {0.1f, 0.1f}, {0.25f, 0.1f},    {7.0f, 0.1f}};
    for (const auto& [in, out] : seconds) EXPECT_EQ(clampFrameSeconds(in), out) << in;
}

}  // namespace
}  // namespace gravelkin::test
