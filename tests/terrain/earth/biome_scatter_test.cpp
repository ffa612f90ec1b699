// The biome layout: the classic random sequence it draws from, the scatter's
// acceptance and stopping rules on chosen draws, and the nearest-point lookup.
#include "terrain/earth/biome_scatter.h"

#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "terrain/earth/classic_random.h"
#include "terrain/earth/nearest_biome.h"

namespace gravelkin::test {
namespace {

TEST(ClassicRandomTest, FirstValuesAndStateWrap) {
    ClassicRandom random;
    EXPECT_EQ(random.state(), 1u);
    for (std::int32_t value : {41, 18467, 6334, 26500, 19169}) EXPECT_EQ(random(), value);
    ClassicRandom wrapping(0xFFFFFFFFu);
    EXPECT_EQ(wrapping.next(), 35);
    EXPECT_EQ(wrapping.state(), 0x00235AC6u);
}

// Scatters with `draw`, counting the draws.
std::vector<BiomePoint> scatter(const std::function<std::int32_t()>& draw, int& draws) {
    return scatterBiomePoints([&] {
        ++draws;
        return draw();
    });
}

// The Earth's draws: the same list every time, of unit directions at least
// minBiomePointDot apart with biomes in turn, ending on maxBiomePoints or the
// maxBiomeRejections-th rejection (every candidate takes three draws). The
// first candidate is always kept, with biome 0.
TEST(BiomeScatterTest, ClassicSequenceIsDeterministicAndFollowsTheRules) {
    int draws = 0, again = 0;
    const std::vector<BiomePoint> points = scatter(ClassicRandom(), draws);
    const std::vector<BiomePoint> second = scatter(ClassicRandom(), again);
    ASSERT_TRUE(points.size() >= 4u && points.size() <= maxBiomePoints && second.size() == points.size());
    for (std::size_t k = 0; k < points.size(); ++k) {
        const Vec4& d = points[k].direction;
        EXPECT_TRUE(points[k].biome == static_cast<std::int32_t>(k % 4) && d.w == 0.0f) << "point " << k;
        EXPECT_NEAR(dot3(d, d), 1.0f, 1e-5f);
        EXPECT_TRUE(second[k].direction == d && second[k].biome == points[k].biome) << "point " << k;
        for (std::size_t m = 0; m < k; ++m) ASSERT_LE(dot3(d, points[m].direction), minBiomePointDot) << m << " " << k;
    }
    ASSERT_EQ(draws % 3, 0);
    const int rejected = draws / 3 - static_cast<int>(points.size());
    EXPECT_TRUE(points.size() < maxBiomePoints ? rejected == int{maxBiomeRejections}
                                                : rejected <= int{maxBiomeRejections}) << rejected;
}

TEST(BiomeScatterTest, CandidateIsKeptOnlyWhereTheDueBiomeIsScarcest) {
    // Values are drawn z, y, x; value - 16383 is the component. After these,
    // +z again and again: always too close.
    const std::vector<std::int32_t> values = {
        16383, 16383, 32767,  // +x: biome 0
        16383, 16383, 0,      // -x: biomes 1..3 have no point yet, 1 is due
        16383, 32767, 16383,  // +y: 2 is due and has no point
        16383, 0, 16383,      // -y: 3 is due and has no point
        16383, 21383, 32767,  // near +x (dot 0.956): scarcest is 1, not due 0
        32767, 16383, 16383,  // +z: every dot 0, the tie goes to 0, due
    };
    int draws = 0;
    const std::vector<BiomePoint> points = scatter(
        [&] { return draws <= int(values.size()) ? values[draws - 1] : (draws - 1) % 3 == 0 ? 32767 : 16383; }, draws);
    ASSERT_EQ(points.size(), 5u);
    const Vec4 expected[] = {{1, 0, 0, 0}, {-1, 0, 0, 0}, {0, 1, 0, 0}, {0, -1, 0, 0}, {0, 0, 1, 0}};
    for (int k = 0; k < 5; ++k) EXPECT_GT(dot3(points[k].direction, expected[k]), 0.99f) << "point " << k;
    EXPECT_EQ(points[4].biome, 0);
    // The near-+x candidate was the first of the 10000 rejections.
    EXPECT_EQ(draws - int(values.size()), 3 * (static_cast<int>(maxBiomeRejections) - 1));
}

TEST(NearestBiomeTest, LargestDotWinsTiesKeepTheEarlierPointAndNoPointsGiveZero) {
    EXPECT_EQ(nearestBiome({}, Vec4{0.0f, 0.0f, 1.0f, 0.0f}), 0);
    // The last point has the second's direction: being later, it loses the tie.
    const std::vector<BiomePoint> points = {{{1, 0, 0, 0}, 2}, {{0, 1, 0, 0}, 3}, {{0, 1, 0, 0}, 1}};
    EXPECT_EQ(nearestBiome(points, Vec4{0.9f, 0.1f, 0.0f, 0.0f}), 2);
    EXPECT_EQ(nearestBiome(points, Vec4{0.1f, 0.9f, 0.0f, 0.0f}), 3);
    EXPECT_EQ(nearestBiome(points, Vec4{0.0f, 0.0f, 1.0f, 0.0f}), 2);  // all dots 0: the first
}

}  // namespace
}  // namespace gravelkin::test
