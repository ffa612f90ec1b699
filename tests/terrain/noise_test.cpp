// The noise family: lattice addressing, the constant tables, each noise
// function's defining identities, and reference samples that pin the float
// operation order bit for bit.
#include "terrain/noise/noise.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <set>
#include <vector>

#include "terrain/noise/noise_lattice_hash.h"
#include "terrain/noise/noise_tables.h"

namespace gravelkin {
namespace {

struct Point {
    float x;
    float y;
    float z;
};

// A spread of points from near the origin out to |coordinate| 1e5, both signs,
// with fractional parts, so every branch of every function is exercised.
std::vector<Point> samplePoints() {
    std::vector<Point> points;
    std::uint32_t state = 0x9E3779B9u;
    auto next = [&state] {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        return static_cast<float>(static_cast<std::int32_t>(state)) / 2147483648.0f;
    };
    for (float scale : {1.5f, 40.0f, 3000.0f, 100000.0f}) {
        for (int n = 0; n < 500; ++n) {
            const float x = next() * scale;
            const float y = next() * scale;
            const float z = next() * scale;
            points.push_back({x, y, z});
        }
    }
    return points;
}

NoiseLayer layerWith(std::uint32_t interpolation) {
    NoiseLayer layer;
    layer.interpolation = interpolation;
    return layer;
}

// ---------------------------------------------------------------- fastFloor

TEST(NoiseFloor, TruncatesTowardZeroAndSubtractsOneBelowZero) {
    EXPECT_EQ(fastFloor(-0.5f), -1);
    EXPECT_EQ(fastFloor(-2.0f), -3);
    EXPECT_EQ(fastFloor(2.0f), 2);
    EXPECT_EQ(fastFloor(0.0f), 0);
    EXPECT_EQ(fastFloor(-0.0f), 0);
    EXPECT_EQ(fastFloor(2.75f), 2);
    EXPECT_EQ(fastFloor(-2.75f), -3);
    EXPECT_EQ(fastFloor(0.999999f), 0);
    EXPECT_EQ(fastFloor(-1e-30f), -1);
}

TEST(NoiseFloor, ExactAcrossTheWholeInt32Range) {
    EXPECT_EQ(fastFloor(1e9f), 1000000000);
    EXPECT_EQ(fastFloor(-1e9f), -1000000001);
    EXPECT_EQ(fastFloor(2147483520.0f), 2147483520);     // largest float below 2^31
    EXPECT_EQ(fastFloor(-2147483520.0f), -2147483521);
    EXPECT_EQ(fastFloor(123456.5f), 123456);
    EXPECT_EQ(fastFloor(-123456.5f), -123457);
}

TEST(NoiseFloor, SaturatesOutsideTheInt32Range) {
    constexpr std::int32_t lowest = std::numeric_limits<std::int32_t>::min();
    constexpr std::int32_t highest = std::numeric_limits<std::int32_t>::max();
    EXPECT_EQ(fastFloor(2147483648.0f), highest);
    EXPECT_EQ(fastFloor(3e9f), highest);
    EXPECT_EQ(fastFloor(std::numeric_limits<float>::infinity()), highest);
    EXPECT_EQ(fastFloor(-2147483648.0f), lowest);
    EXPECT_EQ(fastFloor(-3e9f), lowest);
    EXPECT_EQ(fastFloor(-std::numeric_limits<float>::infinity()), lowest);
    EXPECT_EQ(fastFloor(std::numeric_limits<float>::quiet_NaN()), 0);
}

// ------------------------------------------------------------------- hashes

TEST(NoiseHash, SeededHashWordsAndIndices) {
    EXPECT_EQ(noise_detail::latticeHashWord(1337, 0, 0, 0), 0x5302EEF5u);
    EXPECT_EQ(latticeHash(1337, 0, 0, 0), 119u);
    EXPECT_EQ(noise_detail::latticeHashWord(1337, 1, 2, 3), 0xB43EC88Fu);
    EXPECT_EQ(latticeHash(1337, 1, 2, 3), 49u);
    EXPECT_EQ(noise_detail::latticeHashWord(1337, -1, -1, -1), 0xF5932B8Au);
    EXPECT_EQ(latticeHash(1337, -1, -1, -1), 25u);
}

TEST(NoiseHash, NextSeedMovesTheOriginIndex) {
    EXPECT_EQ(latticeHash(1338, 0, 0, 0), 17u);
    EXPECT_NE(latticeHash(1338, 0, 0, 0), latticeHash(1337, 0, 0, 0));
}

TEST(NoiseHash, IndexFoldsBits16To22OntoBits0To6) {
    EXPECT_EQ(noise_detail::foldToIndex(0x5302EEF5u), ((0x5302EEF5u >> 16) ^ 0x5302EEF5u) & 127u);
    EXPECT_EQ(noise_detail::foldToIndex(0x007F0000u), 127u);
    EXPECT_EQ(noise_detail::foldToIndex(0x007F007Fu), 0u);
    EXPECT_EQ(noise_detail::foldToIndex(0xFF80FF80u), 0u);
}

TEST(NoiseHash, WrapsAtTheEndsOfTheInt32Range) {
    // Extreme lattice coordinates and seeds must hash (wrapping, not trapping).
    constexpr std::int32_t lowest = std::numeric_limits<std::int32_t>::min();
    constexpr std::int32_t highest = std::numeric_limits<std::int32_t>::max();
    EXPECT_LT(latticeHash(highest, highest, lowest, highest), 128u);
    EXPECT_LT(latticeHash(lowest, lowest, highest, lowest), 128u);
    EXPECT_EQ(noise_detail::wrapAdd(highest, 1), lowest);
}

TEST(NoiseHash, PerturbationHashIgnoresAnySeed) {
    EXPECT_EQ(noise_detail::perturbIndex(0, 0, 0), 0u);
    EXPECT_EQ(noise_detail::perturbIndex(1, 2, 3), 81u);
    // ((1 ^ 2) * 15485863 ^ 3) * 10057189, folded.
    const std::uint32_t word = ((1u ^ 2u) * 15485863u ^ 3u) * 10057189u;
    EXPECT_EQ(noise_detail::perturbIndex(1, 2, 3), noise_detail::foldToIndex(word));
}

// ------------------------------------------------------------------- tables

TEST(NoiseTables, GradientRowsAreUnitLength) {
    for (std::uint32_t k = 0; k < noiseTableSize; ++k) {
        const NoiseGradient& g = gradientTable[k];
        const double length = std::sqrt(double(g.x) * g.x + double(g.y) * g.y + double(g.z) * g.z);
        EXPECT_NEAR(length, 1.0, 2e-7) << "row " << k;
    }
}

TEST(NoiseTables, GradientFixedRows) {
    auto expectRow = [](std::uint32_t k, float x, float y, float z) {
        EXPECT_EQ(gradientTable[k].x, x) << "row " << k;
        EXPECT_EQ(gradientTable[k].y, y) << "row " << k;
        EXPECT_EQ(gradientTable[k].z, z) << "row " << k;
    };
    expectRow(0, 0.9691928f, -0.20458838f, -0.13714564f);
    expectRow(1, 0.010505087f, 0.8692351f, -0.4942874f);
    expectRow(2, -0.0071346653f, -0.056156043f, -0.9983965f);
    expectRow(3, -0.99998707f, 0.0008578988f, 0.0050103813f);
    expectRow(127, 0.0070054452f, -0.020878883f, 0.99975747f);
}

TEST(NoiseTables, GradientRowsFourTo126FollowTheFibonacciSphere) {
    for (std::uint32_t k = 4; k <= 126; ++k) {
        const double t = (k + 0.5) / 128.0;
        const double z = 1.0 - 2.0 * t;
        const double r = std::sqrt(1.0 - z * z);
        const double phi = k * 2.399963229728653;
        EXPECT_EQ(gradientTable[k].x, static_cast<float>(r * std::cos(phi))) << "row " << k;
        EXPECT_EQ(gradientTable[k].y, static_cast<float>(r * std::sin(phi))) << "row " << k;
        EXPECT_EQ(gradientTable[k].z, static_cast<float>(z)) << "row " << k;
    }
}

TEST(NoiseTables, ValueTableHoldsEveryOddKOnce) {
    std::set<int> seen;
    for (float value : valueTable) {
        const int k = static_cast<int>(std::lround(value * 127.0f));
        EXPECT_EQ(value, static_cast<float>(k) / 127.0f);
        EXPECT_NE(k % 2, 0) << k;
        EXPECT_GE(k, -127);
        EXPECT_LE(k, 127);
        seen.insert(k);
    }
    EXPECT_EQ(seen.size(), 128u);
}

TEST(NoiseTables, ValueTableOrder) {
    EXPECT_EQ(valueTable[0], -117.0f / 127.0f);
    EXPECT_EQ(valueTable[1], 105.0f / 127.0f);
    EXPECT_EQ(valueTable[35], 1.0f / 127.0f);
    EXPECT_EQ(valueTable[58], 1.0f);
    EXPECT_EQ(valueTable[116], -1.0f);
    EXPECT_EQ(valueTable[119], -1.0f / 127.0f);
    EXPECT_EQ(valueTable[127], 35.0f / 127.0f);
}

// ------------------------------------------------------------------ simplex

TEST(NoiseSimplex, ReferenceSamples) {
    EXPECT_EQ(simplexNoise3(1337, 0.3f, -1.7f, 2.9f), -0.464612007f);
    EXPECT_EQ(simplexNoise3(1337, 12.5f, 7.25f, -3.125f), -0.106668755f);
    EXPECT_EQ(simplexNoise3(1337, -100.37f, 55.1f, 1000.9f), -0.13925603f);
    EXPECT_EQ(simplexNoise3(1337, 12345.678f, -54321.5f, 999.25f), 0.304645836f);
    EXPECT_EQ(simplexNoise3(1337, -29.97f, -33.92f, -0.29f), 0.385466963f);
}

TEST(NoiseSimplex, ZeroAtTheOriginForEverySeed) {
    // The origin corner's offset is zero and the other three lie beyond the
    // ramp radius.
    for (std::int32_t seed : {0, 1, 1337, -7, 2147483647}) {
        EXPECT_EQ(simplexNoise3(seed, 0.0f, 0.0f, 0.0f), 0.0f) << seed;
    }
}

TEST(NoiseSimplex, SeedChangesTheField) {
    int differing = 0;
    for (const Point& p : samplePoints()) {
        differing += simplexNoise3(1337, p.x, p.y, p.z) != simplexNoise3(1338, p.x, p.y, p.z);
    }
    EXPECT_GT(differing, 1900);
}

TEST(NoiseSimplex, FiniteAndBoundedFarFromTheOrigin) {
    float largest = 0.0f;
    for (const Point& p : samplePoints()) {
        const float n = simplexNoise3(1337, p.x, p.y, p.z);
        ASSERT_TRUE(std::isfinite(n)) << p.x << " " << p.y << " " << p.z;
        largest = std::max(largest, std::fabs(n));
    }
    EXPECT_LE(largest, 1.1f);
    EXPECT_GT(largest, 0.5f);  // not collapsed to nothing
}

TEST(NoiseSimplex, ContinuousAcrossSmallSteps) {
    for (const Point& p : samplePoints()) {
        if (std::fabs(p.x) > 1000.0f) {
            continue;  // float spacing there is coarser than the step
        }
        const float a = simplexNoise3(7, p.x, p.y, p.z);
        const float b = simplexNoise3(7, p.x + 1e-3f, p.y, p.z);
        EXPECT_LT(std::fabs(a - b), 0.02f);
    }
}

// ----------------------------------------------------------- gradient noise

TEST(NoiseGradient, ReferenceSamples) {
    EXPECT_EQ(gradientNoise3(layerWith(0), 1337, 0.3f, -1.7f, 2.9f), 0.0587077849f);
    EXPECT_EQ(gradientNoise3(layerWith(1), 1337, 0.3f, -1.7f, 2.9f), 0.063066192f);
    EXPECT_EQ(gradientNoise3(layerWith(2), 1337, 0.3f, -1.7f, 2.9f), 0.0609812029f);
    EXPECT_EQ(gradientNoise3(layerWith(2), 1337, 12.5f, 7.25f, -3.125f), -0.170119628f);
    EXPECT_EQ(gradientNoise3(layerWith(2), 1337, -100.37f, 55.1f, 1000.9f), -0.480995238f);
    EXPECT_EQ(gradientNoise3(layerWith(1), 1337, 12345.678f, -54321.5f, 999.25f), 0.0591080151f);
    EXPECT_EQ(gradientNoise3(layerWith(1), 1337, 5.7f, -3.3f, 0.71f), 0.289786667f);
}

TEST(NoiseGradient, ZeroAtLatticePoints) {
    for (std::uint32_t interpolation : {0u, 1u, 2u}) {
        const NoiseLayer layer = layerWith(interpolation);
        for (float x : {0.0f, 1.0f, -1.0f, 17.0f, -250.0f, 65536.0f}) {
            for (float y : {0.0f, 3.0f, -8.0f}) {
                for (float z : {0.0f, 5.0f, -12.0f}) {
                    EXPECT_EQ(gradientNoise3(layer, 1337, x, y, z), 0.0f)
                        << interpolation << ": " << x << " " << y << " " << z;
                }
            }
        }
    }
}

TEST(NoiseGradient, AlongOneEdgeOnlyTheTwoEndsMatter) {
    // On the x edge from (X, Y, Z) the y and z offsets are zero, so with linear
    // fade the value is the lerp of the two ends' x-ramps.
    const NoiseLayer layer = layerWith(0);
    const float x = 3.25f;
    const NoiseGradient& g0 = gradientTable[latticeHash(1337, 3, 4, 5)];
    const NoiseGradient& g1 = gradientTable[latticeHash(1337, 4, 4, 5)];
    const float ramp0 = (g0.x * 0.25f + g0.y * 0.0f) + g0.z * 0.0f;
    const float ramp1 = (g1.x * -0.75f + g1.y * 0.0f) + g1.z * 0.0f;
    const float expected = (ramp0 + 0.25f * (ramp1 - ramp0)) * 1.4f;
    EXPECT_EQ(gradientNoise3(layer, 1337, x, 4.0f, 5.0f), expected);
}

TEST(NoiseGradient, FiniteAndBoundedFarFromTheOrigin) {
    for (std::uint32_t interpolation : {0u, 1u, 2u}) {
        const NoiseLayer layer = layerWith(interpolation);
        for (const Point& p : samplePoints()) {
            const float n = gradientNoise3(layer, -99, p.x, p.y, p.z);
            ASSERT_TRUE(std::isfinite(n));
            ASSERT_LE(std::fabs(n), 1.5f);
        }
    }
}

// -------------------------------------------------------------- value noise

TEST(NoiseValue, ReferenceSamples) {
    EXPECT_EQ(valueNoise3(layerWith(0), 1337, 0.3f, -1.7f, 2.9f), 0.658236384f);
    EXPECT_EQ(valueNoise3(layerWith(1), 1337, 0.3f, -1.7f, 2.9f), 0.762300491f);
    EXPECT_EQ(valueNoise3(layerWith(2), 1337, 0.3f, -1.7f, 2.9f), 0.811497748f);
    EXPECT_EQ(valueNoise3(layerWith(2), 1337, 12.5f, 7.25f, -3.125f), -0.528250456f);
    EXPECT_EQ(valueNoise3(layerWith(0), 1337, -100.37f, 55.1f, 1000.9f), 0.00365555286f);
    EXPECT_EQ(valueNoise3(layerWith(2), 1337, 12345.678f, -54321.5f, 999.25f), 0.627798021f);
    EXPECT_EQ(valueNoise3(layerWith(1), 1337, -0.62f, 8.85f, -21.37f), -0.288010806f);
}

TEST(NoiseValue, NonNegativeLatticePointsReturnTheirTableEntry) {
    for (std::uint32_t interpolation : {0u, 1u, 2u}) {
        const NoiseLayer layer = layerWith(interpolation);
        for (std::int32_t x : {0, 1, 7, 1000, 65536}) {
            for (std::int32_t y : {0, 2, 31}) {
                for (std::int32_t z : {0, 3, 400}) {
                    const float expected = valueTable[latticeHash(1337, x, y, z)];
                    EXPECT_EQ(valueNoise3(layer, 1337, float(x), float(y), float(z)), expected)
                        << interpolation << ": " << x << " " << y << " " << z;
                }
            }
        }
    }
}

TEST(NoiseValue, NegativeWholeCoordinatesUseTheCellBelow) {
    // fastFloor(-2.0) is -3, so at x = -2 the weight of the upper corner is 1.
    const NoiseLayer layer = layerWith(0);
    const float lower = valueTable[latticeHash(1337, -3, 0, 0)];
    const float upper = valueTable[latticeHash(1337, -2, 0, 0)];
    EXPECT_EQ(valueNoise3(layer, 1337, -2.0f, 0.0f, 0.0f), lower + 1.0f * (upper - lower));
}

TEST(NoiseValue, LinearFadeHalfwayBetweenTwoCorners) {
    const NoiseLayer layer = layerWith(0);
    const float a = valueTable[latticeHash(5, 10, 20, 30)];
    const float b = valueTable[latticeHash(5, 10, 21, 30)];
    EXPECT_EQ(valueNoise3(layer, 5, 10.0f, 20.5f, 30.0f), a + 0.5f * (b - a));
}

TEST(NoiseValue, HermiteAndQuinticFadesAtAQuarter) {
    const float a = valueTable[latticeHash(5, 10, 20, 30)];
    const float b = valueTable[latticeHash(5, 10, 20, 31)];
    const float hermite = (0.25f * 0.25f) * (3.0f - 2.0f * 0.25f);
    const float quintic = ((0.25f * 0.25f) * 0.25f) * (0.25f * (0.25f * 6.0f - 15.0f) + 10.0f);
    EXPECT_EQ(valueNoise3(layerWith(1), 5, 10.0f, 20.0f, 30.25f), a + hermite * (b - a));
    EXPECT_EQ(valueNoise3(layerWith(2), 5, 10.0f, 20.0f, 30.25f), a + quintic * (b - a));
}

TEST(NoiseValue, FiniteAndWithinTheTableRange) {
    for (std::uint32_t interpolation : {0u, 1u, 2u}) {
        const NoiseLayer layer = layerWith(interpolation);
        for (const Point& p : samplePoints()) {
            const float n = valueNoise3(layer, 42, p.x, p.y, p.z);
            ASSERT_TRUE(std::isfinite(n));
            ASSERT_LE(std::fabs(n), 1.000001f);
        }
    }
}

// ----------------------------------------------------------------- fractals

NoiseLayer fractalLayer(std::uint32_t octaves, float gain) {
    NoiseLayer layer;
    layer.octaves = octaves;
    layer.gain = gain;
    return layer;
}

TEST(NoiseFractal, ReferenceSamples) {
    const NoiseLayer half = fractalLayer(3, 0.5f);
    const NoiseLayer earth = fractalLayer(3, 0.4f);
    EXPECT_EQ(fractalSum(half, 0.3f, -1.7f, 2.9f), -0.175183028f);
    EXPECT_EQ(fractalBillow(half, 0.3f, -1.7f, 2.9f), -0.283602446f);
    EXPECT_EQ(fractalRidge(earth, 0.3f, -1.7f, 2.9f), 0.104841128f);
    EXPECT_EQ(fractalSum(half, -100.37f, 55.1f, 1000.9f), -0.00642110826f);
    EXPECT_EQ(fractalBillow(half, -100.37f, 55.1f, 1000.9f), -0.694542766f);
    EXPECT_EQ(fractalRidge(earth, -100.37f, 55.1f, 1000.9f), 0.394038767f);
}

TEST(NoiseFractal, OneOrZeroOctavesIsTheFirstOctave) {
    for (std::uint32_t octaves : {0u, 1u}) {
        const NoiseLayer layer = fractalLayer(octaves, 0.5f);
        for (const Point& p : samplePoints()) {
            const float n = simplexNoise3(layer.seed, p.x, p.y, p.z);
            ASSERT_EQ(fractalSum(layer, p.x, p.y, p.z), n);
            ASSERT_EQ(fractalBillow(layer, p.x, p.y, p.z), std::fabs(n) * 2.0f - 1.0f);
            ASSERT_EQ(fractalRidge(layer, p.x, p.y, p.z), 1.0f - std::fabs(n));
        }
    }
}

TEST(NoiseFractal, OctavesStepFrequencySeedAndAmplitude) {
    NoiseLayer layer = fractalLayer(3, 0.4f);
    layer.seed = 99;
    layer.lacunarity = 2.5f;
    const float x = 1.3f, y = -0.7f, z = 4.1f;
    const float n0 = simplexNoise3(99, x, y, z);
    const float n1 = simplexNoise3(100, x * 2.5f, y * 2.5f, z * 2.5f);
    const float n2 = simplexNoise3(101, (x * 2.5f) * 2.5f, (y * 2.5f) * 2.5f, (z * 2.5f) * 2.5f);
    const float a1 = 0.4f;
    const float a2 = a1 * 0.4f;
    const float total = (1.0f + a1) + a2;

    EXPECT_EQ(fractalSum(layer, x, y, z), ((n0 + a1 * n1) + a2 * n2) / total);

    auto billow = [](float n) { return std::fabs(n) * 2.0f - 1.0f; };
    EXPECT_EQ(fractalBillow(layer, x, y, z),
              ((billow(n0) + a1 * billow(n1)) + a2 * billow(n2)) / total);

    auto ridge = [](float n) { return 1.0f - std::fabs(n); };
    EXPECT_EQ(fractalRidge(layer, x, y, z), (ridge(n0) - a1 * ridge(n1)) - a2 * ridge(n2));
}

TEST(NoiseFractal, EqualOctavesGiveTheOctaveValue) {
    // Simplex noise is 0 at the origin whatever the seed, so every octave
    // there is n = 0: the sum gives n, the billow 2|n| - 1, and the ridge the
    // undivided 1 - 0.5 - 0.25.
    const NoiseLayer layer = fractalLayer(3, 0.5f);
    EXPECT_EQ(fractalSum(layer, 0.0f, 0.0f, 0.0f), 0.0f);
    EXPECT_EQ(fractalBillow(layer, 0.0f, 0.0f, 0.0f), -1.0f);
    EXPECT_EQ(fractalRidge(layer, 0.0f, 0.0f, 0.0f), 0.25f);
}

TEST(NoiseFractal, ZeroGainLeavesOnlyTheFirstOctave) {
    const NoiseLayer layer = fractalLayer(5, 0.0f);
    for (const Point& p : samplePoints()) {
        const float n = simplexNoise3(layer.seed, p.x, p.y, p.z);
        ASSERT_EQ(fractalSum(layer, p.x, p.y, p.z), n);
        ASSERT_EQ(fractalBillow(layer, p.x, p.y, p.z), std::fabs(n) * 2.0f - 1.0f);
        ASSERT_EQ(fractalRidge(layer, p.x, p.y, p.z), 1.0f - std::fabs(n));
    }
}

TEST(NoiseFractal, SeedWrapsAtTheTopOfTheRange) {
    NoiseLayer layer = fractalLayer(2, 0.5f);
    layer.seed = std::numeric_limits<std::int32_t>::max();
    const float x = 0.4f, y = 1.9f, z = -2.6f;
    const float n0 = simplexNoise3(layer.seed, x, y, z);
    const float n1 = simplexNoise3(std::numeric_limits<std::int32_t>::min(), x * 2.0f, y * 2.0f, z * 2.0f);
    EXPECT_EQ(fractalSum(layer, x, y, z), (n0 + 0.5f * n1) / 1.5f);
}

TEST(NoiseFractal, FiniteAndBoundedFarFromTheOrigin) {
    const NoiseLayer layer = fractalLayer(3, 0.4f);
    for (const Point& p : samplePoints()) {
        const float sum = fractalSum(layer, p.x, p.y, p.z);
        const float billow = fractalBillow(layer, p.x, p.y, p.z);
        const float ridge = fractalRidge(layer, p.x, p.y, p.z);
        ASSERT_TRUE(std::isfinite(sum) && std::isfinite(billow) && std::isfinite(ridge));
        ASSERT_LE(std::fabs(sum), 1.1f);
        ASSERT_LE(std::fabs(billow), 1.1f);
        ASSERT_LE(ridge, 1.0f);
        ASSERT_GE(ridge, -0.56f - 0.1f);  // 1 - 0.4 - 0.16 below the floor
    }
}

// ------------------------------------------------------------- perturbation

TEST(NoisePerturb, ReferenceSamples) {
    float x = 0.3f, y = -1.7f, z = 2.9f;
    gradientPerturb(x, y, z, 0.05f, 3.0f);
    EXPECT_EQ(x, 2.35015702f);
    EXPECT_EQ(y, -1.97440302f);
    EXPECT_EQ(z, 2.34243107f);

    x = 12345.678f, y = -54321.5f, z = 999.25f;
    gradientPerturb(x, y, z, 0.05f, 3.0f);
    EXPECT_EQ(x, 12343.8623f);
    EXPECT_EQ(y, -54320.7305f);
    EXPECT_EQ(z, 1000.56488f);
}

TEST(NoisePerturb, ZeroAmplitudeLeavesThePoint) {
    for (const Point& p : samplePoints()) {
        float x = p.x, y = p.y, z = p.z;
        gradientPerturb(x, y, z, 0.37f, 0.0f);
        ASSERT_EQ(x, p.x);
        ASSERT_EQ(y, p.y);
        ASSERT_EQ(z, p.z);
    }
}

TEST(NoisePerturb, AtALatticePointMovesAlongItsSeedlessGradient) {
    // At lattice point (1, 2, 3) every weight is 0, so the displacement is
    // that point's own row: 81 by the seedless hash, where the seeded hash
    // would pick 49.
    float x = 2.0f, y = 4.0f, z = 6.0f;
    gradientPerturb(x, y, z, 0.5f, 2.0f);
    const NoiseGradient& g = gradientTable[81];
    EXPECT_EQ(x, 2.0f + 2.0f * g.x);
    EXPECT_EQ(y, 4.0f + 2.0f * g.y);
    EXPECT_EQ(z, 6.0f + 2.0f * g.z);

    float ox = 0.0f, oy = 0.0f, oz = 0.0f;
    gradientPerturb(ox, oy, oz, 0.01f, 1.0f);
    EXPECT_EQ(ox, gradientTable[0].x);
    EXPECT_EQ(oy, gradientTable[0].y);
    EXPECT_EQ(oz, gradientTable[0].z);
}

TEST(NoisePerturb, DisplacementNoLongerThanTheAmplitude) {
    // A trilinear blend of unit vectors never leaves the unit ball.
    for (const Point& p : samplePoints()) {
        float x = p.x, y = p.y, z = p.z;
        gradientPerturb(x, y, z, 0.05f, 1.0f);
        ASSERT_TRUE(std::isfinite(x) && std::isfinite(y) && std::isfinite(z));
        if (std::fabs(p.x) < 100.0f && std::fabs(p.y) < 100.0f && std::fabs(p.z) < 100.0f) {
            const float dx = x - p.x, dy = y - p.y, dz = z - p.z;
            ASSERT_LE(std::sqrt(dx * dx + dy * dy + dz * dz), 1.0001f);
        }
    }
}

// ------------------------------------------------------- extreme coordinates

TEST(NoiseRange, EveryFunctionFiniteOutToABillion) {
    const NoiseLayer layer;
    for (float c : {1e6f, -1e6f, 3.3e7f, -3.3e7f, 1e9f, -1e9f}) {
        for (const Point& p : {Point{c, 0.5f, -0.25f}, Point{c, c, c}, Point{-c, c, 0.1f * c}}) {
            ASSERT_TRUE(std::isfinite(simplexNoise3(1337, p.x, p.y, p.z)));
            ASSERT_TRUE(std::isfinite(gradientNoise3(layer, 1337, p.x, p.y, p.z)));
            ASSERT_TRUE(std::isfinite(valueNoise3(layer, 1337, p.x, p.y, p.z)));
            ASSERT_TRUE(std::isfinite(fractalSum(layer, p.x, p.y, p.z)));
            ASSERT_TRUE(std::isfinite(fractalBillow(layer, p.x, p.y, p.z)));
            ASSERT_TRUE(std::isfinite(fractalRidge(layer, p.x, p.y, p.z)));
            float x = p.x, y = p.y, z = p.z;
            gradientPerturb(x, y, z, 1.0f, 1.0f);
            ASSERT_TRUE(std::isfinite(x) && std::isfinite(y) && std::isfinite(z));
        }
    }
}

}  // namespace
}  // namespace gravelkin
