// What the program shows of itself: the frame rate in the title, and the
// statistics overlay's figures, read from the planet and the process (the far
// terrain's only while it is drawn, and never a stale state's just after a
// switch), and the lines made of them.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <iterator>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "app/frame_timer.h"
#include "app/overlay_far_terrain_lines.h"
#include "app/overlay_figures.h"
#include "app/overlay_memory_lines.h"
#include "device/null_graphics_device.h"
#include "tests/support/test_planet.h"

namespace gravelkin::test {
namespace {

using namespace std::chrono_literals;

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
    EXPECT_EQ(frame.clampedSeconds, frame.seconds);  // under a tenth, left as it is
    EXPECT_EQ(timer.framesSinceTitle(), 0);
    EXPECT_EQ(timer.secondsSinceTitle(), 0.0f);
}

// The first frame runs from the start reading. The camera's time is clamped
// to a tenth; the average counts the full time.
TEST(FrameTimerTest, RefreshesOnceTheSecondsReachPoint2AndBelowFiveFramesASecondEveryFrame) {
    EXPECT_FALSE(FrameTimer(frequency, 0).tick(1999).refreshTitle);
    FrameTimer timer(frequency, 1000);
    // 0.2 s: 5 a second; 0.25 s: 4; 0.3 s: 3.33 rounds to 3; 0.4 s: 2.5 rounds away from zero, to 3.
    const std::tuple<std::int64_t, float, int> frames[] = {{3000, 0.2f, 5}, {5500, 0.25f, 4}, {8500, 0.3f, 3},
                                                           {12500, 0.4f, 3}};
    for (const auto& [now, seconds, expected] : frames) {
        const FrameTimer::Frame frame = timer.tick(now);
        EXPECT_EQ(frame.seconds, seconds) << now;
        ASSERT_TRUE(frame.refreshTitle) << now;
        EXPECT_EQ(frame.framesPerSecond, expected) << now;
        EXPECT_EQ(frame.clampedSeconds, 0.1f) << now;
    }
}

// Every far-terrain figure, so that a mismatch shows them all.
std::vector<std::uint64_t> figuresOf(const FarTerrainStats& stats) {
    std::vector<std::uint64_t> all(std::begin(stats.nodesByLevel), std::end(stats.nodesByLevel));
    all.insert(all.end(), {stats.drawnNodes, stats.drawnFaces, stats.deviceBytes, stats.queued, stats.built});
    return all;
}

TEST(FarTerrainLinesTest, NoLinesWhileOffAndEveryFigureWhileOn) {
    OverlayFigures figures;
    figures.far.nodesByLevel[0] = 9;  // no level 0 exists; it must not show
    for (std::uint32_t level = 1; level <= farTopLevel; ++level) figures.far.nodesByLevel[level] = 11 * level;
    figures.far.drawnNodes = 55;
    figures.far.drawnFaces = 66666;
    figures.far.deviceBytes = 7 * 1024 * 1024 / 2;
    figures.far.queued = 77;
    figures.far.built = 88;
    EXPECT_TRUE(farTerrainLines(figures).empty());
    figures.farTerrain = true;
    EXPECT_EQ(farTerrainLines(figures), (std::vector<std::string>{"far nodes held by level: 1: 11, 2: 22, 3: 33, 4: 44",
                                                                  "far nodes drawn 55, their faces 66666",
                                                                  "far node memory 3.5 MiB, queued 77"}));
}

// The radius in effect shows only while it is smaller than the one asked for.
TEST(OverlayMemoryLinesTest, TheRadiusInEffectShowsOnlyWhileTheBudgetBindsAndMemoryAgainstTheBudget) {
    OverlayFigures figures;
    figures.viewRadius = 4000.0f;
    figures.effectiveRadius = 4000.0f;
    EXPECT_EQ(radiusLine(figures), "streaming radius 4000");
    figures.effectiveRadius = 512.4f;
    EXPECT_EQ(radiusLine(figures), "streaming radius 4000, 512 in effect (memory budget)");
    figures.memoryBytes = 768ull * 1024 * 1024 + 512 * 1024;
    figures.memoryBudget = 1024ull * 1024 * 1024;
    EXPECT_EQ(memoryLine(figures), "planet memory 768.5 MiB of a 1024 MiB budget");
}

class OverlayFigureRecorderTest : public ::testing::Test {
protected:
    OverlayFigureRecorder statistics;
    NullGraphicsDevice device;
    Planet planet{device, 40.0f, ChunkPipeline::Fast, [] { return Vec3{0.0f, 0.0f, -400.0f}; }};
};

TEST_F(OverlayFigureRecorderTest, KeepsTheLastSecondsOfFramesAndReadsThePlanetAndTheProcess) {
    for (int i = 0; i < 400; ++i) statistics.recordFrame(0.02f);  // 8 s of frames
    waitForPasses(planet, 2);
    planet.stop();  // the counters hold still for the comparison below
    const OverlayFigures& figures = statistics.update(planet, Vec3{3.0f, 4.0f, 0.0f});
    EXPECT_NEAR(static_cast<float>(figures.frameMilliseconds.size()) * 0.02f, OverlayFigureRecorder::historySeconds, 0.03f);
    EXPECT_FLOAT_EQ(figures.frameMilliseconds.back(), 20.0f);
    EXPECT_NEAR(figures.framesPerSecond, 50.0f, 0.5f);
    EXPECT_FLOAT_EQ(figures.distanceFromCentre, 5.0f);
    EXPECT_EQ(figures.viewRadius, 40.0f);
    EXPECT_GT(figures.residentKiB, 1000);
    const StreamingStats stats = planet.stats();
    ASSERT_GT(stats.passes, 0u);
    for (const StreamingCounterEntry& counted : streamingCounterTable) {
        EXPECT_EQ(figures.streaming.*counted.stat, stats.*counted.stat) << counted.name;
    }
    for (int i = 0; i < 100'000; ++i) statistics.recordFrame(1e-5f);
    EXPECT_EQ(statistics.update(planet, Vec3{}).frameMilliseconds.size(), OverlayFigureRecorder::maxFrames);
}

TEST_F(OverlayFigureRecorderTest, ShowsTheFarTerrainOnlyWhileOnAndRefreshesAtEachSwitch) {
    const Vec3 camera{0.0f, 0.0f, -400.0f};
    const OverlayFigures& off = statistics.update(planet, camera);
    EXPECT_FALSE(off.farTerrain);
    EXPECT_EQ(figuresOf(off.far), figuresOf(FarTerrainStats{}));
    EXPECT_TRUE(farTerrainLines(off).empty());

    planet.enableFarTerrain(true);
    const auto deadline = std::chrono::steady_clock::now() + 60s;
    while (planet.farTerrainStats().drawnNodes == 0 && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(5ms);
    }
    planet.stop();  // the figures hold still for the comparison below
    const FarTerrainStats held = planet.farTerrainStats();
    ASSERT_GT(held.drawnNodes, 0u);
    // No frame recorded since the first update: only the switch refreshes.
    const OverlayFigures& on = statistics.update(planet, camera);
    EXPECT_TRUE(on.farTerrain);
    EXPECT_EQ(figuresOf(on.far), figuresOf(held));
    EXPECT_EQ(farTerrainLines(on).size(), 3u);

    planet.enableFarTerrain(false);
    const OverlayFigures& offAgain = statistics.update(planet, camera);
    EXPECT_FALSE(offAgain.farTerrain);
    EXPECT_EQ(figuresOf(offAgain.far), figuresOf(FarTerrainStats{}));
    EXPECT_TRUE(farTerrainLines(offAgain).empty());
}

}  // namespace
}  // namespace gravelkin::test
