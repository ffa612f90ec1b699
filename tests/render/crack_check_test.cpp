// The crack count on painted images: sky counts only inside the sphere's
// outline, in either depth mode, with rows read top first.
#include "render/crack_check.h"

#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

#include <gtest/gtest.h>

#include "render/clear_color.h"
#include "render/frame_constants.h"
#include "render/image_file.h"

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

RgbaImage allSky() {
    return skyImage([](int, int) { return false; });
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

TEST(CrackCheckTest, AllSkyCountsTheSpheresDiscInBothDepthModes) {
    const double disc = 3.14159265358979 * outlineRadiusPixels() * outlineRadiusPixels();  // about 43,500
    std::uint64_t counts[2];
    for (const DepthMode mode : {DepthMode::Standard, DepthMode::ReversedInfinite}) {
        const std::uint64_t count = countCrackPixels(allSky(), viewProjectionTowards({0, 0, 0}, mode), eye, radius);
        EXPECT_NEAR(static_cast<double>(count), disc, 0.01 * disc);
        counts[mode == DepthMode::Standard ? 0 : 1] = count;
    }
    EXPECT_NEAR(static_cast<double>(counts[0]), static_cast<double>(counts[1]), 2.0);
}

TEST(CrackCheckTest, GroundOverTheWholeDiscCountsNothing) {
    const RgbaImage covered = skyImage([](int col, int row) { return withinOutline(col, row, 2.0); });
    for (const DepthMode mode : {DepthMode::Standard, DepthMode::ReversedInfinite})
        EXPECT_EQ(countCrackPixels(covered, viewProjectionTowards({0, 0, 0}, mode), eye, radius), 0u);
    // Ground that stops two pixels short of the outline leaves a ring.
    const RgbaImage stopsShort = skyImage([](int col, int row) { return withinOutline(col, row, -2.0); });
    EXPECT_GT(countCrackPixels(stopsShort, viewProjectionTowards({0, 0, 0}, DepthMode::Standard), eye, radius), 1000u);
}

TEST(CrackCheckTest, LookingAwayCountsNothing) {
    for (const DepthMode mode : {DepthMode::Standard, DepthMode::ReversedInfinite})
        EXPECT_EQ(countCrackPixels(allSky(), viewProjectionTowards({0, 0, -3200}, mode), eye, radius), 0u);
}

TEST(CrackCheckTest, OneSkyPixelInTheGroundCountsOne) {
    const RgbaImage image = skyImage([](int col, int row) { return col != width / 2 || row != height / 2; });
    for (const DepthMode mode : {DepthMode::Standard, DepthMode::ReversedInfinite})
        EXPECT_EQ(countCrackPixels(image, viewProjectionTowards({0, 0, 0}, mode), eye, radius), 1u);
}

// Looking up and to the left puts the sphere in the lower right of the
// picture: the lower right quadrant holds all of it, the rest none.
TEST(CrackCheckTest, RowsRunTopFirstAndColumnsLeftToRight) {
    const Mat4 viewProjection = viewProjectionTowards({-580, 490, 0}, DepthMode::ReversedInfinite);
    const std::uint64_t whole = countCrackPixels(allSky(), viewProjection, eye, radius);
    EXPECT_GT(whole, 30000u);
    const RgbaImage lowerRightSky = skyImage([](int col, int row) { return col < width / 2 || row < height / 2; });
    EXPECT_EQ(countCrackPixels(lowerRightSky, viewProjection, eye, radius), whole);
    const RgbaImage otherSky = skyImage([](int col, int row) { return col >= width / 2 && row >= height / 2; });
    EXPECT_EQ(countCrackPixels(otherSky, viewProjection, eye, radius), 0u);
}

}  // namespace
}  // namespace gravelkin::test
