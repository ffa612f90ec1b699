// The statistics overlay's far-terrain figures and lines: read from the
// planet while it draws far terrain, absent while it does not, and never a
// stale state's figures just after a switch.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "app/overlay_far_terrain_lines.h"
#include "app/overlay_figures.h"
#include "device/null_graphics_device.h"
#include "tests/support/test_planet.h"

namespace gravelkin::test {
namespace {

using namespace std::chrono_literals;

void expectSameStats(const FarTerrainStats& shown, const FarTerrainStats& planet) {
    for (std::uint32_t level = 0; level <= farTopLevel; ++level) {
        EXPECT_EQ(shown.nodesByLevel[level], planet.nodesByLevel[level]) << "level " << level;
    }
    EXPECT_EQ(shown.drawnNodes, planet.drawnNodes);
    EXPECT_EQ(shown.drawnFaces, planet.drawnFaces);
    EXPECT_EQ(shown.deviceBytes, planet.deviceBytes);
    EXPECT_EQ(shown.queued, planet.queued);
    EXPECT_EQ(shown.built, planet.built);
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

TEST(OverlayFigureRecorderTest, ShowsTheFarTerrainOnlyWhileOnAndRefreshesAtEachSwitch) {
    OverlayFigureRecorder statistics;
    NullGraphicsDevice device;
    Planet planet(device, 40.0f, ChunkPipeline::Fast, [] { return Vec3{0.0f, 0.0f, -400.0f}; });
    const Vec3 camera{0.0f, 0.0f, -400.0f};
    const OverlayFigures& off = statistics.update(planet, camera);
    EXPECT_FALSE(off.farTerrain);
    expectSameStats(off.far, FarTerrainStats{});
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
    expectSameStats(on.far, held);
    EXPECT_EQ(farTerrainLines(on).size(), 3u);

    planet.enableFarTerrain(false);
    const OverlayFigures& offAgain = statistics.update(planet, camera);
    EXPECT_FALSE(offAgain.farTerrain);
    expectSameStats(offAgain.far, FarTerrainStats{});
    EXPECT_TRUE(farTerrainLines(offAgain).empty());
}

}  // namespace
}  // namespace gravelkin::test
