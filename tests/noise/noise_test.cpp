// The noise family: the lattice floor and hash at their edges, values at
// lattice points, fractal and perturbation identities and a bit guard over
// samples near and far; the array forms against the scalar functions, bit for
// bit, on every SIMD instruction set this CPU can run; and bounds over boxes
// that hold every value sampled inside, with simplex noise's global cap.
#include "noise/noise.h"
#include "noise/noise_batch.h"
#include "noise/noise_bounds.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <limits>
#include <map>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "noise/noise_lattice_hash.h"
#include "noise/noise_tables.h"
#include "tests/support/simd_target_params.h"
#include "tests/support/comparisons.h"
#include "tests/support/fnv_hash.h"

namespace gravelkin::test {
namespace {

using test::sameBits;

constexpr std::int32_t lowest = std::numeric_limits<std::int32_t>::min();
constexpr std::int32_t highest = std::numeric_limits<std::int32_t>::max();
constexpr Interpolation everyInterpolation[] = {Interpolation::Linear, Interpolation::Hermite, Interpolation::Quintic};

// The floor saturates at the ends of the int32 range and maps NaN to 0;
// lattice coordinates and seeds wrap there rather than trap.
TEST(NoiseLatticeTest, FloorAndHashAtTheEdges) {
    const float inf = std::numeric_limits<float>::infinity();
    const struct { float a; std::int32_t floor; } cases[] = {
        {-0.5f, -1}, {-2.0f, -3}, {2.0f, 2}, {0.0f, 0}, {-0.0f, 0}, {-2.75f, -3}, {0.999999f, 0}, {-1e-30f, -1},
        {-1e9f, -1000000001}, {2147483520.0f, 2147483520}, {-2147483520.0f, -2147483521},  // largest below 2^31
        {2147483648.0f, highest}, {3e9f, highest}, {inf, highest}, {-2147483648.0f, lowest}, {-inf, lowest},
        {std::numeric_limits<float>::quiet_NaN(), 0},
    };
    for (const auto& c : cases) EXPECT_EQ(fastFloor(c.a), c.floor) << c.a;
    EXPECT_LT(latticeHash(highest, highest, lowest, highest), 128u);
    EXPECT_LT(latticeHash(lowest, lowest, highest, lowest), 128u);
    EXPECT_EQ(noise_detail::wrapAdd(highest, 1), lowest);
}

// Guards the bits of every function, for every fade and two gains, near the
// origin and out to a billion, where the lattice coordinates come close to the
// ends of the int32 range: a change in the hash, the tables or the order of
// the float operations shows here, and so would a value out of range.
TEST(NoiseReferenceTest, SamplesKeepTheirBits) {
    // One hash per function, so that a failure names the function that moved.
    std::map<std::string, FnvHash> hashes;
    std::vector<std::array<float, 3>> points = {{0.3f, -1.7f, 2.9f}, {12345.678f, -54321.5f, 999.25f},
                                                {-100.37f, 55.1f, 1000.9f}};
    for (float c : {0.37f, 41.3f, 3000.7f, 1e6f, -1e6f, 3.3e7f, -3.3e7f, 1e9f, -1e9f}) {
        points.insert(points.end(), {{c, 0.5f, -0.25f}, {c, c, c}, {-c, c, 0.1f * c}});
    }
    for (const auto& [x, y, z] : points) {
        hashes["simplexNoise3"].mix(simplexNoise3(1337, x, y, z));
        for (Interpolation interpolation : everyInterpolation) {
            for (float gain : {0.5f, 0.4f}) {
                const NoiseLayer layer{.interpolation = interpolation, .gain = gain};
                hashes["gradientNoise3"].mix(gradientNoise3(layer, 1337, x, y, z));
                hashes["valueNoise3"].mix(valueNoise3(layer, 1337, x, y, z));
                hashes["fractalSum"].mix(fractalSum(layer, x, y, z));
                hashes["fractalBillow"].mix(fractalBillow(layer, x, y, z));
                hashes["fractalRidge"].mix(fractalRidge(layer, x, y, z));
            }
        }
        for (const auto& [frequency, amplitude] : {std::pair{0.05f, 3.0f}, std::pair{1.0f, 1.0f}}) {
            float px = x, py = y, pz = z;
            gradientPerturb(px, py, pz, frequency, amplitude);
            for (float value : {px, py, pz}) hashes["gradientPerturb"].mix(value);
        }
    }
    const std::map<std::string, std::uint64_t> expected = {
        {"simplexNoise3", 0x7f975013b167dbcbull}, {"gradientNoise3", 0xe3ba0d427277d309ull},
        {"valueNoise3", 0xfbdfb3ede1335791ull},   {"fractalSum", 0x35b459b78dd41951ull},
        {"fractalBillow", 0xaa78b9d225f6d0acull}, {"fractalRidge", 0xccfaf5e2833072b9ull},
        {"gradientPerturb", 0xf49c6876b96a236cull},
    };
    for (const auto& [function, hash] : expected) {
        EXPECT_EQ(hashes[function].value(), hash) << function << " moved";
    }
}

// At a lattice point the offset from the lower corner is zero, so gradient
// noise is 0 and value noise is the point's own table entry, whatever the
// fade; a negative whole coordinate lies in the cell below (floor(-2) = -3),
// with its upper corner's weight 1.
TEST(NoiseLatticeTest, LatticePointsAndNegativeWholeCoordinates) {
    for (Interpolation interpolation : everyInterpolation) {
        const NoiseLayer layer{.interpolation = interpolation};
        for (std::int32_t x : {0, 1, -1, 17, -250, 65536}) {
            for (std::int32_t y : {0, 3, -8}) {
                for (std::int32_t z : {0, 5, -12}) {
                    const float fx = float(x), fy = float(y), fz = float(z);
                    EXPECT_EQ(gradientNoise3(layer, 1337, fx, fy, fz), 0.0f) << x << " " << y << " " << z;
                    if (x < 0 || y < 0 || z < 0) continue;
                    EXPECT_EQ(valueNoise3(layer, 1337, fx, fy, fz), valueTable[latticeHash(1337, x, y, z)]);
                }
            }
        }
    }
    const float lower = valueTable[latticeHash(1337, -3, 0, 0)];
    const float upper = valueTable[latticeHash(1337, -2, 0, 0)];
    const NoiseLayer linear{.interpolation = Interpolation::Linear};
    EXPECT_EQ(valueNoise3(linear, 1337, -2.0f, 0.0f, 0.0f), lower + 1.0f * (upper - lower));
    // Simplex noise is 0 at the origin for every seed.
    for (std::int32_t seed : {0, 1337, -7, highest}) EXPECT_EQ(simplexNoise3(seed, 0.0f, 0.0f, 0.0f), 0.0f);
}

TEST(NoiseFractalTest, OneOrZeroOctavesIsTheShapedFirstOctaveAndSeedsWrap) {
    for (std::uint32_t octaves : {0u, 1u}) {
        const NoiseLayer layer{.octaves = octaves};
        for (float x : {0.3f, -41.7f, 1234.5f}) {
            const float n = simplexNoise3(layer.seed, x, 2.0f * x, -0.5f);
            ASSERT_EQ(fractalSum(layer, x, 2.0f * x, -0.5f), n);
            ASSERT_EQ(fractalBillow(layer, x, 2.0f * x, -0.5f), std::fabs(n) * 2.0f - 1.0f);
            ASSERT_EQ(fractalRidge(layer, x, 2.0f * x, -0.5f), 1.0f - std::fabs(n));
        }
    }
    const NoiseLayer layer{.seed = highest, .octaves = 2};
    const float n0 = simplexNoise3(highest, 0.4f, 1.9f, -2.6f);
    const float n1 = simplexNoise3(lowest, 0.4f * 2.0f, 1.9f * 2.0f, -2.6f * 2.0f);
    EXPECT_EQ(fractalSum(layer, 0.4f, 1.9f, -2.6f), (n0 + 0.5f * n1) / 1.5f);
}

TEST(NoisePerturbTest, ZeroAmplitudeAndLatticePoints) {
    float x = 17.3f, y = -4.1f, z = 0.7f;
    gradientPerturb(x, y, z, 0.37f, 0.0f);
    EXPECT_TRUE(x == 17.3f && y == -4.1f && z == 0.7f) << x << " " << y << " " << z;
    // At lattice point (1, 2, 3) every weight is 0: the displacement is its
    // own seedless row, 81 (the seeded hash would pick 49).
    x = 2.0f, y = 4.0f, z = 6.0f;
    gradientPerturb(x, y, z, 0.5f, 2.0f);
    const NoiseGradient& g = gradientTable[81];
    EXPECT_TRUE(x == 2 + 2 * g.x && y == 4 + 2 * g.y && z == 6 + 2 * g.z) << x << " " << y << " " << z;
}

struct Points { std::vector<float> x, y, z; };

// Random points at several scales, both signs; lattice and half-way points
// (where floors and fades meet their edges); out-of-range coordinates, where
// the floor saturates and NaN maps to 0; and a count that leaves a partial
// last vector on every instruction set.
Points testPoints() {
    Points p;
    const auto add = [&p](float a, float b, float c) { p.x.push_back(a); p.y.push_back(b); p.z.push_back(c); };
    std::uint32_t state = 2024u;
    auto uniform = [&state](float extent) {
        state = state * 1664525u + 1013904223u;
        return (static_cast<float>(state >> 8) / 16777216.0f * 2.0f - 1.0f) * extent;
    };
    for (float extent : {0.75f, 3.0f, 12.0f, 200.0f, 70000.0f}) {
        for (int k = 0; k < 400; ++k) add(uniform(extent), uniform(extent), uniform(extent));
    }
    for (float a = -3.0f; a <= 3.0f; a += 1.0f) {
        for (float b = -3.0f; b <= 3.0f; b += 1.0f) {
            add(a, b, a - b);
            add(a * 0.5f, b * 0.5f, -0.5f);
            add(-0.0f, a, b * 0.25f);
        }
    }
    add(1e-30f, -1e-30f, 0.0f);
    const float inf = std::numeric_limits<float>::infinity(), nan = std::numeric_limits<float>::quiet_NaN();
    for (float v : {3e9f, -3e9f, 2147483648.0f, -2147483648.0f, 2147483520.0f, -2147483520.0f, inf, -inf, nan, -nan,
                    1e38f, -1e38f}) {
        add(v, 0.25f, -0.75f);
        add(0.5f, v, 1.5f);
        add(-1.25f, 2.0f, v);
    }
    return p;
}

template <typename Batch, typename Scalar>
void expectSame(const Points& p, Batch batch, Scalar scalar, const char* name) {
    std::vector<float> out(p.x.size(), -123.0f);
    batch(p.x.data(), p.y.data(), p.z.data(), out.data(), out.size());
    for (std::size_t k = 0; k < out.size(); ++k) {
        ASSERT_TRUE(sameBits(scalar(p.x[k], p.y[k], p.z[k]), out[k]))
            << name << " sample " << k << " at (" << p.x[k] << ", " << p.y[k] << ", " << p.z[k] << "): " << out[k];
    }
}

// `function`Batch against `function`, both given the same leading arguments.
#define EXPECT_BATCH_MATCHES(p, function, ...)                                       \
    expectSame(p, [&](auto... a) { function##Batch(__VA_ARGS__, a...); },            \
               [&](float x, float y, float z) { return function(__VA_ARGS__, x, y, z); }, #function)

using NoiseBatchTest = OnEachSimdTarget;

// Every fade with 0, 1, 3 and 5 octaves, a seed whose octave seeds wrap, and
// perturbation at several frequencies and amplitudes, zero and negative too.
TEST_P(NoiseBatchTest, EveryFunctionMatchesScalar) {
    const Points p = testPoints();
    for (std::int32_t seed : {1337, 0, -1, INT32_MIN}) EXPECT_BATCH_MATCHES(p, simplexNoise3, seed);
    std::vector<NoiseLayer> layers(1, NoiseLayer{.seed = INT32_MAX});
    for (Interpolation interpolation : everyInterpolation) {
        for (std::uint32_t octaves : {0u, 1u, 3u, 5u}) {
            layers.push_back({.seed = octaves == 5 ? -7 : 1337, .interpolation = interpolation, .octaves = octaves,
                              .lacunarity = octaves == 5 ? 2.1f : 2.0f, .gain = octaves == 3 ? 0.4f : 0.5f});
        }
    }
    for (const NoiseLayer& layer : layers) {
        EXPECT_BATCH_MATCHES(p, gradientNoise3, layer, layer.seed);
        EXPECT_BATCH_MATCHES(p, valueNoise3, layer, layer.seed);
        EXPECT_BATCH_MATCHES(p, fractalSum, layer);
        EXPECT_BATCH_MATCHES(p, fractalBillow, layer);
        EXPECT_BATCH_MATCHES(p, fractalRidge, layer);
    }
    for (float frequency : {6.0f, 12.0f, 0.37f}) {
        for (float amplitude : {0.15f, 0.06f, 0.0f, -2.5f}) {
            Points moved = p;
            gradientPerturbBatch(moved.x.data(), moved.y.data(), moved.z.data(), p.x.size(), frequency, amplitude);
            for (std::size_t k = 0; k < p.x.size(); ++k) {
                float x = p.x[k], y = p.y[k], z = p.z[k];
                gradientPerturb(x, y, z, frequency, amplitude);
                ASSERT_TRUE(sameBits(x, moved.x[k]) && sameBits(y, moved.y[k]) && sameBits(z, moved.z[k]))
                    << "sample " << k << " frequency " << frequency << " amplitude " << amplitude;
            }
        }
    }
}

// Every count from 0 to a few vectors: the partial last vector reads and
// writes only its own elements.
TEST_P(NoiseBatchTest, AnyCountTouchesOnlyItsElements) {
    const Points p = testPoints();
    for (std::size_t count = 0; count <= 40; ++count) {
        std::vector<float> out(count + 8, -123.0f);
        simplexNoise3Batch(1337, p.x.data(), p.y.data(), p.z.data(), out.data(), count);
        for (std::size_t k = 0; k < count; ++k) {
            ASSERT_TRUE(sameBits(simplexNoise3(1337, p.x[k], p.y[k], p.z[k]), out[k])) << "count " << count;
        }
        for (std::size_t k = count; k < out.size(); ++k) ASSERT_EQ(out[k], -123.0f) << "count " << count;
    }
}

GRAVELKIN_ON_EACH_SIMD_TARGET(NoiseBatchTest);

// Unpinned, the fast paths run on the best instruction set, and do again once
// a pin ends; each fixture above checks its own pin.
TEST(SimdTargetsTest, UnpinnedTheBestRuns) {
    const std::vector<SimdTarget> targets = availableSimdTargets();
    ASSERT_FALSE(targets.empty());
    EXPECT_EQ(currentSimdTarget(), targets.front().name);
    { const ScopedSimdTarget pinned(targets.back()); }
    EXPECT_EQ(currentSimdTarget(), targets.front().name);
}

// 40 times the largest sum of the four corner kernels' magnitudes
// max(0, 0.6 - r^2)^4 r over a grid of the simplex x >= y >= z of the skewed
// unit cube (every simplex is a copy of it), plus the most that sum can grow
// between grid points: its slope is at most 4 x 0.1296 (the kernel
// magnitude's steepest, at r = 0), and every point lies within half a grid
// diagonal of a grid point.
TEST(NoiseBoundsTest, SimplexMagnitudeCapHoldsOverTheWholeSimplex) {
    constexpr int steps = 200;
    double corners[4][3] = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {1, 1, 1}};
    const auto unskew = [](double p[3]) {
        const double t = (p[0] + p[1] + p[2]) / 6.0;
        for (int k = 0; k < 3; ++k) p[k] -= t;
    };
    for (auto& c : corners) unskew(c);
    double largest = 0.0;
    for (int a = 0; a <= steps; ++a) {
        for (int b = 0; b <= a; ++b) {
            for (int c = 0; c <= b; ++c) {
                double p[3] = {double(a) / steps, double(b) / steps, double(c) / steps};
                unskew(p);
                double sum = 0.0;
                for (const auto& corner : corners) {
                    double r2 = 0.0;
                    for (int k = 0; k < 3; ++k) r2 += (p[k] - corner[k]) * (p[k] - corner[k]);
                    const double reach = 0.6 - r2;
                    if (reach > 0.0) sum += reach * reach * reach * reach * std::sqrt(r2);
                }
                largest = std::max(largest, sum);
            }
        }
    }
    const double halfDiagonal = std::sqrt(3.0) / 2.0 / steps;  // unskewing shortens distances
    EXPECT_LE(40.0 * (largest + 4 * 0.1296 * halfDiagonal), simplexMagnitudeBound);
}

TEST(NoiseBoundsTest, HoldEveryValueSampledInsideRandomBoxes) {
    NoiseLayer layer;
    layer.gain = 0.4f;
    std::mt19937 random(99);
    std::uniform_real_distribution<double> corner(-50.0, 50.0), size(0.01, 1.5), unit(0.0, 1.0);
    for (int trial = 0; trial < 300; ++trial) {
        NoiseBox box;
        for (int k = 0; k < 3; ++k) {
            box.lo[k] = corner(random);
            box.hi[k] = box.lo[k] + size(random);
        }
        layer.fractalKind = static_cast<FractalKind>(trial % 3);
        const Interval gradient = gradientNoiseBounds(layer, 1337, box);
        const Interval value = valueNoiseBounds(layer, 1337, box);
        const Interval simplex = simplexNoiseBounds(1337, box);
        const Interval fractal = fractalBounds(layer, box);
        for (int sample = 0; sample < 200; ++sample) {
            float p[3];
            for (int k = 0; k < 3; ++k) p[k] = static_cast<float>(box.lo[k] + unit(random) * (box.hi[k] - box.lo[k]));
            const auto within = [](Interval bounds, float v) { return v >= bounds.lo - 1e-5 && v <= bounds.hi + 1e-5; };
            ASSERT_TRUE(within(gradient, gradientNoise3(layer, 1337, p[0], p[1], p[2]))) << trial;
            ASSERT_TRUE(within(value, valueNoise3(layer, 1337, p[0], p[1], p[2]))) << trial;
            ASSERT_TRUE(within(simplex, simplexNoise3(1337, p[0], p[1], p[2]))) << trial;
            const float f = layer.fractalKind == FractalKind::Sum      ? fractalSum(layer, p[0], p[1], p[2])
                            : layer.fractalKind == FractalKind::Billow ? fractalBillow(layer, p[0], p[1], p[2])
                                                                       : fractalRidge(layer, p[0], p[1], p[2]);
            ASSERT_TRUE(within(fractal, f)) << trial;
        }
    }
}

}  // namespace
}  // namespace gravelkin::test
