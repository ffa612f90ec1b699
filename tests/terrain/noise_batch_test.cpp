// The array forms of the noise functions against the scalar functions, bit
// for bit, on every SIMD instruction set this CPU can run.
#include "terrain/noise/noise_batch.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

#include "simd_target_params.h"

namespace gravelkin {
namespace {

struct Points {
    std::vector<float> x, y, z;
    std::size_t size() const { return x.size(); }
    void add(float a, float b, float c) {
        x.push_back(a);
        y.push_back(b);
        z.push_back(c);
    }
};

// A fixed mix: random points at several scales, both signs, lattice points
// and half-way points (where floors and fades meet their edges), and a count
// that leaves a partial last vector on every instruction set.
Points testPoints() {
    Points p;
    std::uint32_t state = 2024u;
    auto uniform = [&state](float extent) {
        state = state * 1664525u + 1013904223u;
        return (static_cast<float>(state >> 8) / 16777216.0f * 2.0f - 1.0f) * extent;
    };
    for (float extent : {0.75f, 3.0f, 12.0f, 200.0f, 70000.0f}) {
        for (int k = 0; k < 400; ++k) p.add(uniform(extent), uniform(extent), uniform(extent));
    }
    for (int a = -3; a <= 3; ++a) {
        for (int b = -3; b <= 3; ++b) {
            const float fa = static_cast<float>(a);
            const float fb = static_cast<float>(b);
            p.add(fa, fb, fa - fb);
            p.add(fa * 0.5f, fb * 0.5f, -0.5f);
            p.add(-0.0f, fa, fb * 0.25f);
        }
    }
    p.add(1e-30f, -1e-30f, 0.0f);
    return p;
}

// Out-of-range lattice coordinates: the floor saturates and NaN maps to 0,
// the same in both paths.
Points extremePoints() {
    const float inf = std::numeric_limits<float>::infinity();
    const float nan = std::numeric_limits<float>::quiet_NaN();
    Points p;
    for (float v : {3e9f, -3e9f, 2147483648.0f, -2147483648.0f, 2147483520.0f, -2147483520.0f, inf, -inf, nan,
                    -nan, 1e38f, -1e38f}) {
        p.add(v, 0.25f, -0.75f);
        p.add(0.5f, v, 1.5f);
        p.add(-1.25f, 2.0f, v);
    }
    return p;
}

// Equal bits (NaN payloads included).
::testing::AssertionResult sameFloat(float expected, float actual, std::size_t k) {
    if (std::bit_cast<std::uint32_t>(expected) == std::bit_cast<std::uint32_t>(actual)) {
        return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure() << "sample " << k << ": expected " << expected << " (0x" << std::hex
                                         << std::bit_cast<std::uint32_t>(expected) << "), got " << std::dec << actual
                                         << " (0x" << std::hex << std::bit_cast<std::uint32_t>(actual) << ")";
}

template <typename Batch, typename Scalar>
void expectSame(const Points& p, Batch batch, Scalar scalar) {
    std::vector<float> out(p.size(), -123.0f);
    batch(p.x.data(), p.y.data(), p.z.data(), out.data(), p.size());
    for (std::size_t k = 0; k < p.size(); ++k) {
        ASSERT_TRUE(sameFloat(scalar(p.x[k], p.y[k], p.z[k]), out[k], k))
            << "at (" << p.x[k] << ", " << p.y[k] << ", " << p.z[k] << ")";
    }
}

std::vector<NoiseLayer> layerVariants() {
    std::vector<NoiseLayer> layers;
    for (std::uint32_t interpolation : {0u, 1u, 2u}) {
        for (std::uint32_t octaves : {0u, 1u, 3u, 5u}) {
            NoiseLayer layer;
            layer.interpolation = interpolation;
            layer.octaves = octaves;
            layer.seed = octaves == 5 ? -7 : 1337;
            layer.gain = octaves == 3 ? 0.4f : 0.5f;
            layer.lacunarity = octaves == 5 ? 2.1f : 2.0f;
            layers.push_back(layer);
        }
    }
    NoiseLayer wrapping;
    wrapping.seed = INT32_MAX;  // the octave seeds wrap
    layers.push_back(wrapping);
    return layers;
}

using NoiseBatch = test::OnEachSimdTarget;

TEST_P(NoiseBatch, SimplexMatchesScalar) {
    for (const Points& p : {testPoints(), extremePoints()}) {
        for (std::int32_t seed : {1337, 0, -1, INT32_MIN}) {
            expectSame(
                p, [&](auto... a) { simplexNoise3Batch(seed, a...); },
                [&](float x, float y, float z) { return simplexNoise3(seed, x, y, z); });
        }
    }
}

TEST_P(NoiseBatch, GradientAndValueNoiseMatchScalar) {
    for (const Points& p : {testPoints(), extremePoints()}) {
        for (const NoiseLayer& layer : layerVariants()) {
            const std::int32_t seed = layer.seed;
            expectSame(
                p, [&](auto... a) { gradientNoise3Batch(layer, seed, a...); },
                [&](float x, float y, float z) { return gradientNoise3(layer, seed, x, y, z); });
            expectSame(
                p, [&](auto... a) { valueNoise3Batch(layer, seed, a...); },
                [&](float x, float y, float z) { return valueNoise3(layer, seed, x, y, z); });
        }
    }
}

TEST_P(NoiseBatch, FractalsMatchScalar) {
    const Points p = testPoints();
    for (const NoiseLayer& layer : layerVariants()) {
        expectSame(
            p, [&](auto... a) { fractalSumBatch(layer, a...); },
            [&](float x, float y, float z) { return fractalSum(layer, x, y, z); });
        expectSame(
            p, [&](auto... a) { fractalBillowBatch(layer, a...); },
            [&](float x, float y, float z) { return fractalBillow(layer, x, y, z); });
        expectSame(
            p, [&](auto... a) { fractalRidgeBatch(layer, a...); },
            [&](float x, float y, float z) { return fractalRidge(layer, x, y, z); });
    }
}

TEST_P(NoiseBatch, PerturbMatchesScalar) {
    for (const Points& p : {testPoints(), extremePoints()}) {
        for (float frequency : {6.0f, 12.0f, 0.37f}) {
            for (float amplitude : {0.15f, 0.06f, 0.0f, -2.5f}) {
                Points moved = p;
                gradientPerturbBatch(moved.x.data(), moved.y.data(), moved.z.data(), moved.size(), frequency,
                                     amplitude);
                for (std::size_t k = 0; k < p.size(); ++k) {
                    float x = p.x[k];
                    float y = p.y[k];
                    float z = p.z[k];
                    gradientPerturb(x, y, z, frequency, amplitude);
                    ASSERT_TRUE(sameFloat(x, moved.x[k], k));
                    ASSERT_TRUE(sameFloat(y, moved.y[k], k));
                    ASSERT_TRUE(sameFloat(z, moved.z[k], k));
                }
            }
        }
    }
}

// Every count from 0 to a few vectors: the partial last vector reads and
// writes only its own elements.
TEST_P(NoiseBatch, AnyCountTouchesOnlyItsElements) {
    const Points p = testPoints();
    for (std::size_t count = 0; count <= 40; ++count) {
        std::vector<float> out(count + 8, -123.0f);
        simplexNoise3Batch(1337, p.x.data(), p.y.data(), p.z.data(), out.data(), count);
        for (std::size_t k = 0; k < count; ++k) {
            ASSERT_TRUE(sameFloat(simplexNoise3(1337, p.x[k], p.y[k], p.z[k]), out[k], k)) << "count " << count;
        }
        for (std::size_t k = count; k < out.size(); ++k) ASSERT_EQ(out[k], -123.0f) << "count " << count;
    }
}

GRAVELKIN_ON_EACH_SIMD_TARGET(NoiseBatch);

TEST(SimdTargets, PinningChoosesTheTarget) {
    const std::vector<SimdTarget> targets = availableSimdTargets();
    ASSERT_FALSE(targets.empty());
    const std::string best = currentSimdTarget();
    EXPECT_EQ(best, targets.front().name);
    for (const SimdTarget& target : targets) {
        const ScopedSimdTarget pinned(target);
        EXPECT_EQ(currentSimdTarget(), target.name);
    }
    EXPECT_EQ(currentSimdTarget(), best);
}

}  // namespace
}  // namespace gravelkin
