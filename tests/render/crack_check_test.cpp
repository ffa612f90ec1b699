// The crack count: on painted images, sky counts only inside the sphere's
// outline, in either depth mode, with rows read top first; on far terrain
// rendered from the air, it finds no sky where the planet is.
#include "render/crack_check.h"

#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "render/clear_color.h"
#include "render/frame_constants.h"
#include "render/headless_snapshot.h"
#include "render/image_file.h"
#include "tests/render/gl_test_support.h"

namespace gravelkin::test {
namespace {

constexpr int width = 1440, height = 900;
constexpr float radius = 288.0f;
const Vec3 eye{0, 0, -1600};

Mat4 viewProjectionTowards(Vec3 focus, DepthMode mode) {
    return multiply(lookAtLH({eye.x, eye.y, eye.z, 1}, {focus.x, focus.y, focus.z, 1}, {0, 1, 0, 0}),
                    projectionFor(mode));
}

// Every pixel the sky, except where `painted(column, row)` says otherwise.
template <typename Painted>
RgbaImage skyImage(Painted painted) {
    RgbaImage image{width, height, std::vector<std::uint8_t>(static_cast<std::size_t>(width) * height * 4)};
    for (int row = 0; row < height; ++row) {
        for (int col = 0; col < width; ++col) {
            std::uint8_t* pixel = image.pixels.data() + (static_cast<std::size_t>(row) * width + col) * 4;
            std::memcpy(pixel, clearColorBytes, 4);
            if (painted(col, row)) pixel[1] = 100;
        }
    }
    return image;
}

// Seen head on from 1600, the sphere's outline is a circle of this many
// pixels' radius around the centre of the picture.
double outlineRadiusPixels() {
    const double tangent = radius / std::sqrt(1600.0 * 1600.0 - radius * radius);
    return tangent / std::tan(projectionFieldOfViewRadians / 2.0) * height / 2.0;
}

bool withinOutline(int col, int row, double slack) {
    const double dx = col + 0.5 - width / 2.0, dy = row + 0.5 - height / 2.0;
    return std::sqrt(dx * dx + dy * dy) < outlineRadiusPixels() + slack;
}

// Seen head on: all sky counts the disc, ground over the disc nothing, one
// sky pixel in it one, and ground stopping two pixels short leaves a ring.
// Looking away, all sky counts nothing.
TEST(CrackCheckTest, SkyCountsOnlyInsideTheSpheresOutlineInBothDepthModes) {
    const double disc = 3.14159265358979 * outlineRadiusPixels() * outlineRadiusPixels();  // about 43,500
    const RgbaImage sky = skyImage([](int, int) { return false; });
    const RgbaImage covered = skyImage([](int col, int row) { return withinOutline(col, row, 2.0); });
    const RgbaImage onePixel = skyImage([](int col, int row) { return col != width / 2 || row != height / 2; });
    const RgbaImage stopsShort = skyImage([](int col, int row) { return withinOutline(col, row, -2.0); });
    std::uint64_t counts[2];
    for (const DepthMode mode : {DepthMode::Standard, DepthMode::ReversedInfinite}) {
        const Mat4 headOn = viewProjectionTowards({0, 0, 0}, mode);
        const std::uint64_t count = countCrackPixels(sky, headOn, eye, radius);
        EXPECT_NEAR(static_cast<double>(count), disc, 0.01 * disc);
        counts[mode == DepthMode::Standard ? 0 : 1] = count;
        EXPECT_EQ(countCrackPixels(covered, headOn, eye, radius), 0u);
        EXPECT_EQ(countCrackPixels(onePixel, headOn, eye, radius), 1u);
        EXPECT_GT(countCrackPixels(stopsShort, headOn, eye, radius), 1000u);
        EXPECT_EQ(countCrackPixels(sky, viewProjectionTowards({0, 0, -3200}, mode), eye, radius), 0u);
    }
    EXPECT_NEAR(static_cast<double>(counts[0]), static_cast<double>(counts[1]), 2.0);
}

// Looking up and to the left puts the sphere in the lower right of the
// picture: the lower right quadrant holds all of it, the rest none.
TEST(CrackCheckTest, RowsRunTopFirstAndColumnsLeftToRight) {
    const Mat4 viewProjection = viewProjectionTowards({-580, 490, 0}, DepthMode::ReversedInfinite);
    const std::uint64_t whole = countCrackPixels(skyImage([](int, int) { return false; }), viewProjection, eye, radius);
    EXPECT_GT(whole, 30000u);
    const RgbaImage lowerRightSky = skyImage([](int col, int row) { return col < width / 2 || row < height / 2; });
    EXPECT_EQ(countCrackPixels(lowerRightSky, viewProjection, eye, radius), whole);
    const RgbaImage otherSky = skyImage([](int col, int row) { return col >= width / 2 && row >= height / 2; });
    EXPECT_EQ(countCrackPixels(otherSky, viewProjection, eye, radius), 0u);
}

// Far terrain, rendered: from cameras in the air, no pixel whose line of
// sight meets the solid sphere shows the sky, at orbit, above the faces and a
// cube corner, across level boundaries and just above the surface.
//
// The AddressSanitizer preset leaves these out: LeakSanitizer's tracer can
// crash at exit, after the test has passed, in a process holding llvmpipe's
// threads and a heap this size. What they draw runs under AddressSanitizer in
// the planet's far-terrain tests, the flight check and check-all's soak.
struct Pose {
    const char* name;
    Vec3 position;
    float yaw, pitch;
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
    EXPECT_EQ(countCrackPixels(result.image, result.viewProjection, result.eye, radius), 0u) << pose.name;
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
