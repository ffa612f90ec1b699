// Far terrain on the real planet: nodes are built, drawn and dropped as the
// camera moves, and the pieces drawn once settled cover the planet in sight
// exactly once.

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "device/null_graphics_device.h"
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

TEST(FarTerrainTest, OrbitDrawsTheHemisphereAtLevelOne) {
    TestPosition position({0.0f, 0.0f, -1600.0f});
    NullGraphicsDevice device;
    auto planet = streamingPlanet(device, 500.0f);
    const auto start = std::chrono::steady_clock::now();
    planet->enableFarTerrain(true);
    ASSERT_TRUE(waitUntilSettled(*planet, 60s));
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const FarTerrainStats stats = planet->farTerrainStats();
    std::printf("settled in %.2f s: %llu drawn nodes, %llu faces, %llu MiB; held by level 1..4: %llu %llu %llu %llu\n",
                seconds, static_cast<unsigned long long>(stats.drawnNodes),
                static_cast<unsigned long long>(stats.drawnFaces),
                static_cast<unsigned long long>(stats.deviceBytes >> 20),
                static_cast<unsigned long long>(stats.nodesByLevel[1]),
                static_cast<unsigned long long>(stats.nodesByLevel[2]),
                static_cast<unsigned long long>(stats.nodesByLevel[3]),
                static_cast<unsigned long long>(stats.nodesByLevel[4]));
    EXPECT_GT(stats.drawnNodes, 100u);
}

}  // namespace
}  // namespace gravelkin::test
