// Far terrain, rendered: from cameras in the air, no pixel whose line of
// sight meets the solid sphere of radius 288 shows the sky, at orbit, above
// the faces and a cube corner, across level boundaries and just above the
// surface.
//
// The AddressSanitizer run leaves these out (its test preset): there
// LeakSanitizer's tracer can crash at exit, after the test has passed, in a
// process holding llvmpipe's threads and a heap this size (a fault of the
// sanitizer runtime). What they draw runs under AddressSanitizer all the
// same: in the planet's far-terrain tests, the flight check and the
// far-terrain soak of check-all.

#include <gtest/gtest.h>

#include <cstdio>

#include "render/crack_check.h"
#include "render/headless_snapshot.h"
#include "tests/render/gl_test_support.h"

namespace gravelkin::test {
namespace {

struct Pose {
    const char* name;
    Vec3 position;
    float yaw;
    float pitch;
};

class FarTerrainCrackTest : public ::testing::TestWithParam<Pose> {};

TEST_P(FarTerrainCrackTest, NoSkyShowsWhereThePlanetIs) {
    const Pose& pose = GetParam();
    SnapshotOptions options;
    options.position = pose.position;
    options.yawDegrees = pose.yaw;
    options.pitchDegrees = pose.pitch;
    options.width = 480;
    options.height = 300;
    options.farTerrain = true;
    options.timedFrames = 1;
    options.shaderPath = sourcePath("shaders.hlsl");
    options.texturePath = sourcePath("assets/seamless_rock.jpg");
    const SnapshotResult result = renderSnapshot(options);
    ASSERT_TRUE(result.ok) << result.error;
    ASSERT_TRUE(result.converged);
    EXPECT_GT(result.facesDrawn, 0u);
    EXPECT_EQ(countCrackPixels(result.image, result.viewProjection, result.eye, 288.0f), 0u) << pose.name;
}

INSTANTIATE_TEST_SUITE_P(
    Poses, FarTerrainCrackTest,
    ::testing::Values(Pose{"orbit", {0.0f, 0.0f, -1600.0f}, 0.0f, 0.0f},
                      Pose{"above face 1", {0.0f, 1300.0f, 0.0f}, 0.0f, 90.0f},
                      Pose{"above face 5", {1300.0f, 0.0f, 100.0f}, -90.0f, 0.0f},
                      Pose{"above a cube corner", {750.0f, 750.0f, 750.0f}, 225.0f, 35.0f},
                      Pose{"level 1 to 2 boundary", {0.0f, 900.0f, -700.0f}, 0.0f, 45.0f},
                      Pose{"start, looking down", {0.0f, 460.0f, 0.0f}, 30.0f, 50.0f},
                      Pose{"start, at the horizon", {0.0f, 470.0f, 0.0f}, 90.0f, 10.0f}),
    [](const ::testing::TestParamInfo<Pose>& info) { return "pose" + std::to_string(info.index); });

}  // namespace
}  // namespace gravelkin::test
