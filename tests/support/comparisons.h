// Comparisons every suite needs: bit-exact equality (the fast paths must give
// the same bits as the plain ones, -0.0 and NaN payloads included) and
// near-equality for values that come through trigonometry.
#pragma once

#include <bit>
#include <cstdint>
#include <cstring>
#include <ostream>
#include <vector>

#include <gtest/gtest.h>

#include "camera/vector_math.h"
#include "voxel/fill_state.h"
#include "voxel/voxel.h"
#include "device/chunk_vertex.h"

namespace gravelkin {

// How GoogleTest prints a fill state in a failure message.
inline void PrintTo(ChunkFillState state, std::ostream* out) { *out << fillStateName(state); }

}  // namespace gravelkin

namespace gravelkin::test {

inline bool sameBits(float a, float b) { return std::bit_cast<std::uint32_t>(a) == std::bit_cast<std::uint32_t>(b); }

// Vectors of three: gravelkin::sameBits (vector_math.h), found by argument.
using gravelkin::sameBits;

inline bool sameBits(const Vec4& a, const Vec4& b) {
    return sameBits(a.x, b.x) && sameBits(a.y, b.y) && sameBits(a.z, b.z) && sameBits(a.w, b.w);
}

inline bool sameBits(const Voxel& a, const Voxel& b) {
    return sameBits(a.density, b.density) && a.colour[0] == b.colour[0] && a.colour[1] == b.colour[1] &&
           a.colour[2] == b.colour[2];
}

inline bool sameBits(const std::vector<ChunkVertex>& a, const std::vector<ChunkVertex>& b) {
    // memcmp must not see the null data() of an empty vector.
    return a.size() == b.size() && (a.empty() || std::memcmp(a.data(), b.data(), a.size() * sizeof(ChunkVertex)) == 0);
}

inline void expectNear(const Vec3& actual, const Vec3& expected, float tolerance) {
    EXPECT_NEAR(actual.x, expected.x, tolerance);
    EXPECT_NEAR(actual.y, expected.y, tolerance);
    EXPECT_NEAR(actual.z, expected.z, tolerance);
}

inline void expectNear(const Vec4& actual, const Vec4& expected, float tolerance) {
    EXPECT_NEAR(actual.x, expected.x, tolerance);
    EXPECT_NEAR(actual.y, expected.y, tolerance);
    EXPECT_NEAR(actual.z, expected.z, tolerance);
    EXPECT_NEAR(actual.w, expected.w, tolerance);
}

inline void expectNear(const Mat4& actual, const Mat4& expected, float tolerance) {
    for (int row = 0; row < 4; ++row) {
        for (int col = 0; col < 4; ++col) {
            EXPECT_NEAR(actual.m[row][col], expected.m[row][col], tolerance) << "row " << row << " col " << col;
        }
    }
}

}  // namespace gravelkin::test
