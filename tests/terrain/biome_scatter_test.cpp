// The biome layout: the classic random sequence it draws from, the scatter's
// acceptance and stopping rules on chosen draws, and the nearest-point lookup.
#include "terrain/biome_scatter.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "terrain/classic_random.h"
#include "terrain/nearest_biome.h"

namespace gravelkin {
namespace {

TEST(ClassicRandom, FirstValuesStateWrapAndRange) {
    ClassicRandom random;
    EXPECT_EQ(random.state(), 1u);
    for (std::int32_t value : {41, 18467, 6334, 26500, 19169}) EXPECT_EQ(random.next(), value);
    ClassicRandom wrapping(0xFFFFFFFFu);
    wrapping.next();
    EXPECT_EQ(wrapping.state(), 0xFFFFFFFFu * 214013u + 2531011u);
    for (int k = 0; k < 100000; ++k) {
        const std::int32_t value = wrapping();
        ASSERT_TRUE(value >= 0 && value <= ClassicRandom::maxValue) << value;
    }
}

// The Earth's draws: the same list every time, of unit directions at least
// minBiomePointDot apart with biomes in turn, ending on maxBiomePoints or the
// maxBiomeRejections-th rejection (every candidate takes three draws).
TEST(BiomeScatter, ClassicSequenceIsDeterministicAndFollowsTheRules) {
    ClassicRandom random;
    int draws = 0;
    const std::vector<BiomePoint> points = scatterBiomePoints([&] {
        ++draws;
        return random.next();
    });
    ASSERT_GE(points.size(), 4u);
    ASSERT_LE(points.size(), maxBiomePoints);
    for (std::size_t k = 0; k < points.size(); ++k) {
        EXPECT_EQ(points[k].biome, static_cast<std::int32_t>(k % 4)) << "point " << k;
        const Vec4& d = points[k].direction;
        EXPECT_EQ(d.w, 0.0f);
        EXPECT_NEAR(dot3(d, d), 1.0f, 1e-5f);
        for (std::size_t m = 0; m < k; ++m) {
            ASSERT_LE(dot3(d, points[m].direction), minBiomePointDot) << "points " << m << " and " << k;
        }
    }
    // The same draws give the same list.
    ClassicRandom again;
    const std::vector<BiomePoint> second = scatterBiomePoints(std::ref(again));
    ASSERT_EQ(second.size(), points.size());
    for (std::size_t k = 0; k < points.size(); ++k) {
        EXPECT_EQ(second[k].direction, points[k].direction);
        EXPECT_EQ(second[k].biome, points[k].biome);
    }
    // The first point is the first candidate, drawn z, y, x.
    const float z = 41.0f - 16383.0f;
    const float y = 18467.0f - 16383.0f;
    const float x = 6334.0f - 16383.0f;
    const float inverseLength = 1.0f / std::sqrt((x * x + y * y) + z * z);
    EXPECT_EQ(points[0].direction, (Vec4{x * inverseLength, y * inverseLength, z * inverseLength, 0.0f}));
    ASSERT_EQ(draws % 3, 0);
    const int rejected = draws / 3 - static_cast<int>(points.size());
    if (points.size() < maxBiomePoints) {
        EXPECT_EQ(rejected, static_cast<int>(maxBiomeRejections));
    } else {
        EXPECT_LE(rejected, static_cast<int>(maxBiomeRejections));
    }
}

TEST(BiomeScatter, ConstantDrawsStopAfterTenThousandRejections) {
    // Every candidate is the same direction: the first is accepted, every
    // later one is too close to it.
    int draws = 0;
    const std::vector<BiomePoint> points = scatterBiomePoints([&draws] {
        ++draws;
        return 20000;
    });
    ASSERT_EQ(points.size(), 1u);
    EXPECT_EQ(points[0].biome, 0);
    EXPECT_EQ(draws, 3 * (1 + static_cast<int>(maxBiomeRejections)));
}

TEST(BiomeScatter, CandidateIsKeptOnlyWhereTheDueBiomeIsScarcest) {
    // Values are drawn z, y, x; value - 16383 is the component.
    const std::vector<std::int32_t> values = {
        16383, 16383, 32767,  // +x: biome 0
        16383, 16383, 0,      // -x: biomes 1..3 have no point yet, 1 is due
        16383, 32767, 16383,  // +y: 2 is due and has no point
        16383, 0, 16383,      // -y: 3 is due and has no point
        16383, 21383, 32767,  // near +x (dot 0.956): scarcest is 1, not due 0
        32767, 16383, 16383,  // +z: every dot 0, the tie goes to 0, due
    };
    std::size_t next = 0;
    int extra = 0;
    const std::vector<BiomePoint> points = scatterBiomePoints([&]() -> std::int32_t {
        if (next < values.size()) return values[next++];
        // +z again (z, y, x): always too close.
        return extra++ % 3 == 0 ? 32767 : 16383;
    });
    ASSERT_EQ(points.size(), 5u);
    EXPECT_GT(points[0].direction.x, 0.99f);
    EXPECT_LT(points[1].direction.x, -0.99f);
    EXPECT_GT(points[2].direction.y, 0.99f);
    EXPECT_LT(points[3].direction.y, -0.99f);
    EXPECT_GT(points[4].direction.z, 0.99f);
    EXPECT_EQ(points[4].biome, 0);
    // The near-+x candidate was the first of the 10000 rejections.
    EXPECT_EQ(extra, 3 * (static_cast<int>(maxBiomeRejections) - 1));
}

TEST(NearestBiome, LargestDotWinsTiesKeepTheEarlierPointAndNoPointsGiveZero) {
    EXPECT_EQ(nearestBiome({}, Vec4{0.0f, 0.0f, 1.0f, 0.0f}), 0);
    const std::vector<BiomePoint> points = {
        {{1.0f, 0.0f, 0.0f, 0.0f}, 2},
        {{0.0f, 1.0f, 0.0f, 0.0f}, 3},
        {{0.0f, 1.0f, 0.0f, 0.0f}, 1},  // same direction, later: loses the tie
    };
    EXPECT_EQ(nearestBiome(points, Vec4{0.9f, 0.1f, 0.0f, 0.0f}), 2);
    EXPECT_EQ(nearestBiome(points, Vec4{0.1f, 0.9f, 0.0f, 0.0f}), 3);
    EXPECT_EQ(nearestBiome(points, Vec4{0.0f, 0.0f, 1.0f, 0.0f}), 2);  // all dots 0: the first
}

}  // namespace
}  // namespace gravelkin
