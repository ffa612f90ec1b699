// Fixed pseudo-random sample points for the noise benchmarks, in arrays of
// x, y and z, so that every run and every variant sees the same inputs.
#pragma once

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace gravelkin::bench {

struct SamplePoints {
    std::vector<float> x, y, z;
    std::size_t size() const { return x.size(); }
};

// `count` points spread uniformly over the cube [-extent, extent]^3, from a
// 32-bit linear congruential sequence.
inline SamplePoints cubePoints(std::size_t count, float extent) {
    SamplePoints points;
    std::uint32_t state = 12345u;
    auto next = [&state, extent] {
        state = state * 1664525u + 1013904223u;
        return (static_cast<float>(state >> 8) / 16777216.0f * 2.0f - 1.0f) * extent;
    };
    for (std::size_t k = 0; k < count; ++k) {
        points.x.push_back(next());
        points.y.push_back(next());
        points.z.push_back(next());
    }
    return points;
}

// `count` unit directions: cube points pushed onto the sphere.
inline SamplePoints spherePoints(std::size_t count) {
    SamplePoints points = cubePoints(count, 1.0f);
    for (std::size_t k = 0; k < count; ++k) {
        const float x = points.x[k];
        const float y = points.y[k];
        const float z = points.z[k];
        const float length = std::sqrt(x * x + y * y + z * z);
        points.x[k] /= length;
        points.y[k] /= length;
        points.z[k] /= length;
    }
    return points;
}

}  // namespace gravelkin::bench
