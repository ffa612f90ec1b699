// Bounds of the noise family over boxes hold every value the float functions
// give inside the box, and the global cap of simplex noise holds.
#include "noise/noise_bounds.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

namespace gravelkin::test {
namespace {

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
