// The noise family: the lattice floor and hashes at their edges, the constant
// tables, reference samples that pin the float operation order bit for bit,
// and the values at lattice points and extreme coordinates.
#include "terrain/noise/noise.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <set>

#include "terrain/noise/noise_lattice_hash.h"
#include "terrain/noise/noise_tables.h"

namespace gravelkin {
namespace {

constexpr std::int32_t lowest = std::numeric_limits<std::int32_t>::min();
constexpr std::int32_t highest = std::numeric_limits<std::int32_t>::max();
constexpr Interpolation everyInterpolation[] = {Interpolation::Linear, Interpolation::Hermite, Interpolation::Quintic};

NoiseLayer layerWith(Interpolation interpolation, std::uint32_t octaves = 3, float gain = 0.5f) {
    NoiseLayer layer;
    layer.interpolation = interpolation;
    layer.octaves = octaves;
    layer.gain = gain;
    return layer;
}

TEST(NoiseFloor, TruncatesMinusOneBelowZeroAndSaturates) {
    const float inf = std::numeric_limits<float>::infinity();
    const struct {
        float a;
        std::int32_t floor;
    } cases[] = {
        {-0.5f, -1}, {-2.0f, -3}, {2.0f, 2}, {0.0f, 0}, {-0.0f, 0}, {-2.75f, -3}, {0.999999f, 0}, {-1e-30f, -1},
        {-1e9f, -1000000001}, {2147483520.0f, 2147483520}, {-2147483520.0f, -2147483521},  // largest below 2^31
        {2147483648.0f, highest}, {3e9f, highest}, {inf, highest}, {-2147483648.0f, lowest}, {-inf, lowest},
        {std::numeric_limits<float>::quiet_NaN(), 0},
    };
    for (const auto& c : cases) EXPECT_EQ(fastFloor(c.a), c.floor) << c.a;
}

TEST(NoiseHash, SeededAndSeedlessIndices) {
    EXPECT_EQ(noise_detail::latticeHashWord(1337, 0, 0, 0), 0x5302EEF5u);
    EXPECT_EQ(latticeHash(1337, 0, 0, 0), 119u);
    EXPECT_EQ(latticeHash(1338, 0, 0, 0), 17u);
    EXPECT_EQ(noise_detail::latticeHashWord(1337, 1, 2, 3), 0xB43EC88Fu);
    EXPECT_EQ(latticeHash(1337, 1, 2, 3), 49u);
    EXPECT_EQ(noise_detail::latticeHashWord(1337, -1, -1, -1), 0xF5932B8Au);
    EXPECT_EQ(latticeHash(1337, -1, -1, -1), 25u);
    // The perturbation's hash has no seed: another row for the same point.
    EXPECT_EQ(noise_detail::perturbIndex(0, 0, 0), 0u);
    EXPECT_EQ(noise_detail::perturbIndex(1, 2, 3), 81u);
    // Extreme coordinates and seeds wrap rather than trap.
    EXPECT_LT(latticeHash(highest, highest, lowest, highest), 128u);
    EXPECT_LT(latticeHash(lowest, lowest, highest, lowest), 128u);
    EXPECT_EQ(noise_detail::wrapAdd(highest, 1), lowest);
}

// Unit gradients, and every odd k / 127 from -127 to 127 once as a value,
// which keeps value noise within [-1, 1].
TEST(NoiseTables, UnitGradientsAndEveryOddValueOnce) {
    for (const NoiseGradient& g : gradientTable) {
        EXPECT_NEAR(std::sqrt(double(g.x) * g.x + double(g.y) * g.y + double(g.z) * g.z), 1.0, 2e-7);
    }
    std::set<int> seen;
    for (float value : valueTable) {
        const int k = static_cast<int>(std::lround(value * 127.0f));
        EXPECT_EQ(value, static_cast<float>(k) / 127.0f);
        EXPECT_NE(k % 2, 0) << k;
        seen.insert(k);
    }
    EXPECT_EQ(seen.size(), 128u);
    EXPECT_EQ(*seen.begin(), -127);
}

TEST(NoiseReference, SamplesKeepTheirBits) {
    const NoiseLayer linear = layerWith(Interpolation::Linear);
    const NoiseLayer hermite = layerWith(Interpolation::Hermite);
    const NoiseLayer quintic = layerWith(Interpolation::Quintic);
    const NoiseLayer ridged = layerWith(Interpolation::Quintic, 3, 0.4f);
    EXPECT_EQ(simplexNoise3(1337, 0.3f, -1.7f, 2.9f), -0.464612007f);
    EXPECT_EQ(simplexNoise3(1337, 12345.678f, -54321.5f, 999.25f), 0.304645836f);
    EXPECT_EQ(gradientNoise3(linear, 1337, 0.3f, -1.7f, 2.9f), 0.0587077849f);
    EXPECT_EQ(gradientNoise3(hermite, 1337, 0.3f, -1.7f, 2.9f), 0.063066192f);
    EXPECT_EQ(gradientNoise3(quintic, 1337, 0.3f, -1.7f, 2.9f), 0.0609812029f);
    EXPECT_EQ(gradientNoise3(quintic, 1337, -100.37f, 55.1f, 1000.9f), -0.480995238f);
    EXPECT_EQ(gradientNoise3(hermite, 1337, 12345.678f, -54321.5f, 999.25f), 0.0591080151f);
    EXPECT_EQ(valueNoise3(linear, 1337, 0.3f, -1.7f, 2.9f), 0.658236384f);
    EXPECT_EQ(valueNoise3(hermite, 1337, 0.3f, -1.7f, 2.9f), 0.762300491f);
    EXPECT_EQ(valueNoise3(quintic, 1337, 0.3f, -1.7f, 2.9f), 0.811497748f);
    EXPECT_EQ(valueNoise3(quintic, 1337, 12345.678f, -54321.5f, 999.25f), 0.627798021f);
    EXPECT_EQ(fractalSum(quintic, 0.3f, -1.7f, 2.9f), -0.175183028f);
    EXPECT_EQ(fractalBillow(quintic, 0.3f, -1.7f, 2.9f), -0.283602446f);
    EXPECT_EQ(fractalRidge(ridged, 0.3f, -1.7f, 2.9f), 0.104841128f);
    float x = 12345.678f, y = -54321.5f, z = 999.25f;
    gradientPerturb(x, y, z, 0.05f, 3.0f);
    EXPECT_EQ(x, 12343.8623f);
    EXPECT_EQ(y, -54320.7305f);
    EXPECT_EQ(z, 1000.56488f);
}

// At a lattice point the offset from the lower corner is zero, so gradient
// noise is 0 and value noise is the point's own table entry, whatever the
// fade; a negative whole coordinate lies in the cell below (floor(-2) = -3),
// with its upper corner's weight 1.
TEST(NoiseLattice, LatticePointsAndNegativeWholeCoordinates) {
    for (Interpolation interpolation : everyInterpolation) {
        const NoiseLayer layer = layerWith(interpolation);
        for (std::int32_t x : {0, 1, -1, 17, -250, 65536}) {
            for (std::int32_t y : {0, 3, -8}) {
                for (std::int32_t z : {0, 5, -12}) {
                    const float fx = float(x), fy = float(y), fz = float(z);
                    EXPECT_EQ(gradientNoise3(layer, 1337, fx, fy, fz), 0.0f) << x << " " << y << " " << z;
                    if (x >= 0 && y >= 0 && z >= 0) {
                        EXPECT_EQ(valueNoise3(layer, 1337, fx, fy, fz), valueTable[latticeHash(1337, x, y, z)]);
                    }
                }
            }
        }
    }
    const float lower = valueTable[latticeHash(1337, -3, 0, 0)];
    const float upper = valueTable[latticeHash(1337, -2, 0, 0)];
    EXPECT_EQ(valueNoise3(layerWith(Interpolation::Linear), 1337, -2.0f, 0.0f, 0.0f), lower + 1.0f * (upper - lower));
    // Simplex noise is 0 at the origin for every seed.
    for (std::int32_t seed : {0, 1337, -7, highest}) EXPECT_EQ(simplexNoise3(seed, 0.0f, 0.0f, 0.0f), 0.0f);
}

TEST(NoiseFractal, OneOrZeroOctavesIsTheShapedFirstOctaveAndSeedsWrap) {
    for (std::uint32_t octaves : {0u, 1u}) {
        const NoiseLayer layer = layerWith(Interpolation::Quintic, octaves);
        for (float x : {0.3f, -41.7f, 1234.5f}) {
            const float n = simplexNoise3(layer.seed, x, 2.0f * x, -0.5f);
            ASSERT_EQ(fractalSum(layer, x, 2.0f * x, -0.5f), n);
            ASSERT_EQ(fractalBillow(layer, x, 2.0f * x, -0.5f), std::fabs(n) * 2.0f - 1.0f);
            ASSERT_EQ(fractalRidge(layer, x, 2.0f * x, -0.5f), 1.0f - std::fabs(n));
        }
    }
    NoiseLayer layer = layerWith(Interpolation::Quintic, 2);
    layer.seed = highest;
    const float n0 = simplexNoise3(highest, 0.4f, 1.9f, -2.6f);
    const float n1 = simplexNoise3(lowest, 0.4f * 2.0f, 1.9f * 2.0f, -2.6f * 2.0f);
    EXPECT_EQ(fractalSum(layer, 0.4f, 1.9f, -2.6f), (n0 + 0.5f * n1) / 1.5f);
}

TEST(NoisePerturb, ZeroAmplitudeAndLatticePoints) {
    float x = 17.3f, y = -4.1f, z = 0.7f;
    gradientPerturb(x, y, z, 0.37f, 0.0f);
    EXPECT_EQ(x, 17.3f);
    EXPECT_EQ(y, -4.1f);
    EXPECT_EQ(z, 0.7f);
    // At lattice point (1, 2, 3) every weight is 0: the displacement is its
    // own seedless row, 81 (the seeded hash would pick 49).
    x = 2.0f, y = 4.0f, z = 6.0f;
    gradientPerturb(x, y, z, 0.5f, 2.0f);
    EXPECT_EQ(x, 2.0f + 2.0f * gradientTable[81].x);
    EXPECT_EQ(y, 4.0f + 2.0f * gradientTable[81].y);
    EXPECT_EQ(z, 6.0f + 2.0f * gradientTable[81].z);
}

// Bounded near the origin and finite out to a billion, where the lattice
// coordinates come close to the ends of the int32 range.
TEST(NoiseRange, EveryFunctionBoundedAndFinite) {
    for (Interpolation interpolation : everyInterpolation) {
        const NoiseLayer layer = layerWith(interpolation, 3, 0.4f);
        for (float c : {0.37f, 41.3f, 3000.7f, 1e6f, -1e6f, 3.3e7f, -3.3e7f, 1e9f, -1e9f}) {
            const float points[3][3] = {{c, 0.5f, -0.25f}, {c, c, c}, {-c, c, 0.1f * c}};
            for (const auto& p : points) {
                EXPECT_LE(std::fabs(simplexNoise3(1337, p[0], p[1], p[2])), 1.1f);
                EXPECT_LE(std::fabs(gradientNoise3(layer, 1337, p[0], p[1], p[2])), 1.5f);
                EXPECT_LE(std::fabs(valueNoise3(layer, 1337, p[0], p[1], p[2])), 1.000001f);
                EXPECT_LE(std::fabs(fractalSum(layer, p[0], p[1], p[2])), 1.1f);
                EXPECT_LE(std::fabs(fractalBillow(layer, p[0], p[1], p[2])), 1.1f);
                const float ridge = fractalRidge(layer, p[0], p[1], p[2]);
                EXPECT_TRUE(ridge <= 1.0f && ridge >= -0.66f) << ridge;  // 1 - 0.4 - 0.16 below the floor
                float x = p[0], y = p[1], z = p[2];
                gradientPerturb(x, y, z, 1.0f, 1.0f);
                EXPECT_TRUE(std::isfinite(x) && std::isfinite(y) && std::isfinite(z));
            }
        }
    }
}

}  // namespace
}  // namespace gravelkin
