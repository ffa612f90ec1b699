// The array forms of the noise functions against the scalar functions, bit
// for bit, on every SIMD instruction set this CPU can run.
#include "terrain/noise/noise_batch.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <limits>
#include <vector>

#include "simd_target_params.h"
#include "tests/support/comparisons.h"

namespace gravelkin {
namespace {

using testing::sameBits;

struct Points {
    std::vector<float> x, y, z;
    std::size_t size() const { return x.size(); }
    void add(float a, float b, float c) {
        x.push_back(a);
        y.push_back(b);
        z.push_back(c);
    }
};

// Random points at several scales, both signs; lattice and half-way points
// (where floors and fades meet their edges); out-of-range coordinates, where
// the floor saturates and NaN maps to 0; and a count that leaves a partial
// last vector on every instruction set.
Points testPoints(bool extreme) {
    Points p;
    std::uint32_t state = 2024u;
    auto uniform = [&state](float extent) {
        state = state * 1664525u + 1013904223u;
        return (static_cast<float>(state >> 8) / 16777216.0f * 2.0f - 1.0f) * extent;
    };
    for (float extent : {0.75f, 3.0f, 12.0f, 200.0f, 70000.0f}) {
        for (int k = 0; k < 400; ++k) p.add(uniform(extent), uniform(extent), uniform(extent));
    }
    for (float a = -3.0f; a <= 3.0f; a += 1.0f) {
        for (float b = -3.0f; b <= 3.0f; b += 1.0f) {
            p.add(a, b, a - b);
            p.add(a * 0.5f, b * 0.5f, -0.5f);
            p.add(-0.0f, a, b * 0.25f);
        }
    }
    p.add(1e-30f, -1e-30f, 0.0f);
    if (!extreme) return p;
    const float inf = std::numeric_limits<float>::infinity();
    const float nan = std::numeric_limits<float>::quiet_NaN();
    for (float v : {3e9f, -3e9f, 2147483648.0f, -2147483648.0f, 2147483520.0f, -2147483520.0f, inf, -inf, nan,
                    -nan, 1e38f, -1e38f}) {
        p.add(v, 0.25f, -0.75f);
        p.add(0.5f, v, 1.5f);
        p.add(-1.25f, 2.0f, v);
    }
    return p;
}

using Batch = std::function<void(const float*, const float*, const float*, float*, std::size_t)>;
using Scalar = std::function<float(float, float, float)>;

void expectSame(const Points& p, const Batch& batch, const Scalar& scalar) {
    std::vector<float> out(p.size(), -123.0f);
    batch(p.x.data(), p.y.data(), p.z.data(), out.data(), p.size());
    for (std::size_t k = 0; k < p.size(); ++k) {
        ASSERT_TRUE(sameBits(scalar(p.x[k], p.y[k], p.z[k]), out[k]))
            << "sample " << k << " at (" << p.x[k] << ", " << p.y[k] << ", " << p.z[k] << "): " << out[k];
    }
}

// Every fade with 0, 1, 3 and 5 octaves, and a seed whose octave seeds wrap.
std::vector<NoiseLayer> layerVariants() {
    std::vector<NoiseLayer> layers;
    for (Interpolation interpolation : {Interpolation::Linear, Interpolation::Hermite, Interpolation::Quintic}) {
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
    layers.emplace_back().seed = INT32_MAX;
    return layers;
}

using NoiseBatch = test::OnEachSimdTarget;

TEST_P(NoiseBatch, EveryFunctionMatchesScalar) {
    for (bool extreme : {false, true}) {
        const Points p = testPoints(extreme);
        for (std::int32_t seed : {1337, 0, -1, INT32_MIN}) {
            expectSame(p, [&](auto... a) { simplexNoise3Batch(seed, a...); },
                       [&](float x, float y, float z) { return simplexNoise3(seed, x, y, z); });
        }
        for (const NoiseLayer& layer : layerVariants()) {
            const std::int32_t seed = layer.seed;
            expectSame(p, [&](auto... a) { gradientNoise3Batch(layer, seed, a...); },
                       [&](float x, float y, float z) { return gradientNoise3(layer, seed, x, y, z); });
            expectSame(p, [&](auto... a) { valueNoise3Batch(layer, seed, a...); },
                       [&](float x, float y, float z) { return valueNoise3(layer, seed, x, y, z); });
            expectSame(p, [&](auto... a) { fractalSumBatch(layer, a...); },
                       [&](float x, float y, float z) { return fractalSum(layer, x, y, z); });
            expectSame(p, [&](auto... a) { fractalBillowBatch(layer, a...); },
                       [&](float x, float y, float z) { return fractalBillow(layer, x, y, z); });
            expectSame(p, [&](auto... a) { fractalRidgeBatch(layer, a...); },
                       [&](float x, float y, float z) { return fractalRidge(layer, x, y, z); });
        }
    }
}

TEST_P(NoiseBatch, PerturbMatchesScalar) {
    for (bool extreme : {false, true}) {
        const Points p = testPoints(extreme);
        for (float frequency : {6.0f, 12.0f, 0.37f}) {
            for (float amplitude : {0.15f, 0.06f, 0.0f, -2.5f}) {
                Points moved = p;
                gradientPerturbBatch(moved.x.data(), moved.y.data(), moved.z.data(), moved.size(), frequency,
                                     amplitude);
                for (std::size_t k = 0; k < p.size(); ++k) {
                    float x = p.x[k], y = p.y[k], z = p.z[k];
                    gradientPerturb(x, y, z, frequency, amplitude);
                    ASSERT_TRUE(sameBits(x, moved.x[k]) && sameBits(y, moved.y[k]) && sameBits(z, moved.z[k]))
                        << "sample " << k << " frequency " << frequency << " amplitude " << amplitude;
                }
            }
        }
    }
}

// Every count from 0 to a few vectors: the partial last vector reads and
// writes only its own elements.
TEST_P(NoiseBatch, AnyCountTouchesOnlyItsElements) {
    const Points p = testPoints(false);
    for (std::size_t count = 0; count <= 40; ++count) {
        std::vector<float> out(count + 8, -123.0f);
        simplexNoise3Batch(1337, p.x.data(), p.y.data(), p.z.data(), out.data(), count);
        for (std::size_t k = 0; k < count; ++k) {
            ASSERT_TRUE(sameBits(simplexNoise3(1337, p.x[k], p.y[k], p.z[k]), out[k])) << "count " << count;
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
