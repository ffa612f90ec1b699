#include "terrain/biome_scatter.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "terrain/classic_random.h"
#include "terrain/nearest_biome.h"

namespace gravelkin {
namespace {

TEST(ClassicRandom, FirstValuesFromTheInitialState) {
    ClassicRandom random;
    EXPECT_EQ(random.state(), 1u);
    const std::int32_t expected[] = {41, 18467, 6334, 26500, 19169};
    for (std::int32_t value : expected) EXPECT_EQ(random.next(), value);
}

TEST(ClassicRandom, ValuesStayInRangeAndStateWraps) {
    ClassicRandom random(0xFFFFFFFFu);
    for (int k = 0; k < 100000; ++k) {
        const std::int32_t value = random();
        ASSERT_GE(value, 0);
        ASSERT_LE(value, ClassicRandom::maxValue);
    }
    ClassicRandom wrap(0xFFFFFFFFu);
    wrap.next();
    EXPECT_EQ(wrap.state(), 0xFFFFFFFFu * 214013u + 2531011u);
}

// Counts the draws that the scatter makes.
struct CountingDraw {
    ClassicRandom random;
    int draws = 0;
    std::int32_t operator()() {
        ++draws;
        return random.next();
    }
};

void expectScatterRules(const std::vector<BiomePoint>& points) {
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
}

TEST(BiomeScatter, ClassicSequenceFollowsTheRules) {
    CountingDraw counter;
    const std::vector<BiomePoint> points = scatterBiomePoints(std::ref(counter));
    expectScatterRules(points);
    EXPECT_GE(points.size(), 4u);
    // Every candidate takes three draws; the scatter ends on 396 points or on
    // the 10000th rejection.
    ASSERT_EQ(counter.draws % 3, 0);
    const int candidates = counter.draws / 3;
    const int rejected = candidates - static_cast<int>(points.size());
    if (points.size() < maxBiomePoints) {
        EXPECT_EQ(rejected, static_cast<int>(maxBiomeRejections));
    } else {
        EXPECT_LE(rejected, static_cast<int>(maxBiomeRejections));
    }
}

TEST(BiomeScatter, FirstPointIsTheFirstCandidate) {
    ClassicRandom random;
    const std::vector<BiomePoint> points = scatterBiomePoints(std::ref(random));
    ASSERT_FALSE(points.empty());
    // z, y, x are drawn in that order.
    const float z = 41.0f - 16383.0f;
    const float y = 18467.0f - 16383.0f;
    const float x = 6334.0f - 16383.0f;
    const float inverseLength = 1.0f / std::sqrt((x * x + y * y) + z * z);
    EXPECT_EQ(points[0].direction, (Vec4{x * inverseLength, y * inverseLength, z * inverseLength, 0.0f}));
    EXPECT_EQ(points[0].biome, 0);
}

TEST(BiomeScatter, SameDrawsGiveTheSameList) {
    ClassicRandom a;
    ClassicRandom b;
    const std::vector<BiomePoint> first = scatterBiomePoints(std::ref(a));
    const std::vector<BiomePoint> second = scatterBiomePoints(std::ref(b));
    ASSERT_EQ(first.size(), second.size());
    for (std::size_t k = 0; k < first.size(); ++k) {
        EXPECT_EQ(first[k].direction, second[k].direction);
        EXPECT_EQ(first[k].biome, second[k].biome);
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

TEST(BiomeScatter, TwoAlternatingDirectionsStopAfterTenThousandRejections) {
    // Opposite directions: (1,1,1) and (-1,-1,-1). The second is accepted as
    // biome 1; then neither is new, and every later candidate is rejected.
    int candidate = 0;
    int draw = 0;
    const std::vector<BiomePoint> points = scatterBiomePoints([&] {
        const std::int32_t value = (candidate % 2 == 0) ? 32767 : 0;
        if (++draw == 3) {
            draw = 0;
            ++candidate;
        }
        return value;
    });
    ASSERT_EQ(points.size(), 2u);
    EXPECT_EQ(points[0].biome, 0);
    EXPECT_EQ(points[1].biome, 1);
    EXPECT_EQ(candidate, 2 + static_cast<int>(maxBiomeRejections));
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

TEST(BiomeScatter, ReachesFullListWhenDrawsAreGenerous) {
    // A generator with plenty of spread, fed for as long as needed.
    ClassicRandom random(12345u);
    const std::vector<BiomePoint> points = scatterBiomePoints(std::ref(random));
    expectScatterRules(points);
}

TEST(NearestBiome, EmptyListGivesBiomeZero) {
    EXPECT_EQ(nearestBiome({}, Vec4{0.0f, 0.0f, 1.0f, 0.0f}), 0);
}

TEST(NearestBiome, LargestDotWinsAndTiesKeepTheEarlierPoint) {
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
