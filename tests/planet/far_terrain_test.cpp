// Far terrain on the real planet: nodes are built, drawn and dropped as the
// camera moves, and the pieces drawn once settled cover the planet in sight
// exactly once.

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "device/null_graphics_device.h"
#include "planet/far_terrain.h"
#include "planet/planet.h"
#include "tests/support/test_planet.h"

namespace gravelkin::test {
namespace {

using namespace std::chrono_literals;

bool waitUntilSettled(const Planet& planet, std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    int quiet = 0;
    while (std::chrono::steady_clock::now() < deadline) {
        quiet = planet.idle() ? quiet + 1 : 0;
        if (quiet >= 20) return true;
        std::this_thread::sleep_for(5ms);
    }
    return false;
}

TEST(FarTerrainTest, HeldJobsWaitAndThenStart) {
    FarTerrain far(500.0f, 9, 16);
    far.enable(true);
    far.pass(Vec3{0.0f, 0.0f, -1600.0f}, [](const ChunkKey&) { return false; });
    ASSERT_GT(far.stats().queued, 0u);
    FarNodeKey key;
    far.holdJobs(true);
    EXPECT_FALSE(far.beginJob(key));
    EXPECT_FALSE(far.idle()) << "held requests are still owed";
    far.holdJobs(false);
    ASSERT_TRUE(far.beginJob(key));
    EXPECT_EQ(key.level, farTopLevel) << "the coarsest level comes first";
    far.finishJob(key, nullptr);
}

// Off it builds nothing; on, from orbit, it draws the hemisphere at level 1
// and the audit finds every part in sight drawn once; off again, it drops
// everything.
TEST(FarTerrainTest, OrbitDrawsTheHemisphereAtLevelOneAndOffDropsEverything) {
    TestPosition position({0.0f, 0.0f, -1600.0f});
    NullGraphicsDevice device;
    auto planet = streamingPlanet(device, 500.0f);
    waitForPasses(*planet, 5);
    EXPECT_EQ(planet->farTerrainStats().built, 0u);

    const auto start = std::chrono::steady_clock::now();
    planet->enableFarTerrain(true);
    ASSERT_TRUE(waitUntilSettled(*planet, 60s));
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const FarTerrainStats stats = planet->farTerrainStats();
    std::printf("settled in %.2f s: %llu drawn nodes, %llu faces, %llu MiB\n", seconds,
                static_cast<unsigned long long>(stats.drawnNodes), static_cast<unsigned long long>(stats.drawnFaces),
                static_cast<unsigned long long>(stats.deviceBytes >> 20));
    EXPECT_GT(stats.drawnNodes, 100u);
    EXPECT_EQ(stats.nodesByLevel[1], stats.drawnNodes);
    // Levels between the roots and level 1 would only be replaced here.
    EXPECT_EQ(stats.nodesByLevel[2], 0u);
    EXPECT_EQ(stats.nodesByLevel[3], 0u);

    const std::uint64_t audits = planet->stats().audits;
    planet->requestAudit();
    waitForPasses(*planet, 3);
    ASSERT_GT(planet->stats().audits, audits);
    EXPECT_EQ(planet->stats().auditViolations, 0u);

    planet->enableFarTerrain(false);
    waitForPasses(*planet, 3);
    const FarTerrainStats off = planet->farTerrainStats();
    EXPECT_EQ(off.drawnNodes, 0u);
    EXPECT_EQ(off.deviceBytes, 0u);
    for (const std::uint64_t held : off.nodesByLevel) EXPECT_EQ(held, 0u);
}

}  // namespace
}  // namespace gravelkin::test
