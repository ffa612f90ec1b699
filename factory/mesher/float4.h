// Four floats operated on lane by lane: SSE registers where the target has
// SSE2 (every x86-64), plain arrays elsewhere.
//
// Every operation is exact IEEE single precision per lane, the same operation
// a scalar expression would do, so results match scalar code bit for bit as
// long as the same operations come in the same order. Only what the fast
// mesher needs is here.
#pragma once

#include <cstdint>
#include <cstring>

#include "camera/vector_math.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace gravelkin::lanes {

#if defined(__SSE2__)

using Float4 = __m128;

inline Float4 set(float a, float b, float c, float d) { return _mm_setr_ps(a, b, c, d); }
inline Float4 splat(float a) { return _mm_set1_ps(a); }
inline Float4 load(const Vec4& v) { return _mm_loadu_ps(&v.x); }
inline void store(float* out, Float4 a) { _mm_storeu_ps(out, a); }
inline Float4 add(Float4 a, Float4 b) { return _mm_add_ps(a, b); }
inline Float4 sub(Float4 a, Float4 b) { return _mm_sub_ps(a, b); }
inline Float4 mul(Float4 a, Float4 b) { return _mm_mul_ps(a, b); }
inline Float4 bitAnd(Float4 a, Float4 b) { return _mm_and_ps(a, b); }
inline Float4 bitOr(Float4 a, Float4 b) { return _mm_or_ps(a, b); }
// (a.y, a.z, a.x, a.w) and (a.z, a.x, a.y, a.w)
inline Float4 yzx(Float4 a) { return _mm_shuffle_ps(a, a, _MM_SHUFFLE(3, 0, 2, 1)); }
inline Float4 zxy(Float4 a) { return _mm_shuffle_ps(a, a, _MM_SHUFFLE(3, 1, 0, 2)); }
// (0 bits, a.x, a.y, a.z)
inline Float4 shiftUp(Float4 a) { return _mm_castsi128_ps(_mm_slli_si128(_mm_castps_si128(a), 4)); }
inline float laneX(Float4 a) { return _mm_cvtss_f32(a); }
inline float laneY(Float4 a) { return _mm_cvtss_f32(_mm_shuffle_ps(a, a, _MM_SHUFFLE(1, 1, 1, 1))); }
inline float laneZ(Float4 a) { return _mm_cvtss_f32(_mm_movehl_ps(a, a)); }
// All ones in x, y and z, zero in w.
inline Float4 xyzMask() { return _mm_castsi128_ps(_mm_setr_epi32(-1, -1, -1, 0)); }

#else

struct Float4 {
    float v[4];
};

inline Float4 set(float a, float b, float c, float d) { return {{a, b, c, d}}; }
inline Float4 splat(float a) { return {{a, a, a, a}}; }
inline Float4 load(const Vec4& v) { return {{v.x, v.y, v.z, v.w}}; }
inline void store(float* out, Float4 a) { std::memcpy(out, a.v, sizeof a.v); }
inline Float4 add(Float4 a, Float4 b) { return {{a.v[0] + b.v[0], a.v[1] + b.v[1], a.v[2] + b.v[2], a.v[3] + b.v[3]}}; }
inline Float4 sub(Float4 a, Float4 b) { return {{a.v[0] - b.v[0], a.v[1] - b.v[1], a.v[2] - b.v[2], a.v[3] - b.v[3]}}; }
inline Float4 mul(Float4 a, Float4 b) { return {{a.v[0] * b.v[0], a.v[1] * b.v[1], a.v[2] * b.v[2], a.v[3] * b.v[3]}}; }
inline Float4 bitwise(Float4 a, Float4 b, bool both) {
    Float4 r;
    for (int k = 0; k < 4; ++k) {
        std::uint32_t x, y;
        std::memcpy(&x, &a.v[k], 4);
        std::memcpy(&y, &b.v[k], 4);
        const std::uint32_t z = both ? (x & y) : (x | y);
        std::memcpy(&r.v[k], &z, 4);
    }
    return r;
}
inline Float4 bitAnd(Float4 a, Float4 b) { return bitwise(a, b, true); }
inline Float4 bitOr(Float4 a, Float4 b) { return bitwise(a, b, false); }
inline Float4 yzx(Float4 a) { return {{a.v[1], a.v[2], a.v[0], a.v[3]}}; }
inline Float4 zxy(Float4 a) { return {{a.v[2], a.v[0], a.v[1], a.v[3]}}; }
inline Float4 shiftUp(Float4 a) { return {{0.0f, a.v[0], a.v[1], a.v[2]}}; }
inline float laneX(Float4 a) { return a.v[0]; }
inline float laneY(Float4 a) { return a.v[1]; }
inline float laneZ(Float4 a) { return a.v[2]; }
inline Float4 xyzMask() {
    const std::uint32_t ones = ~std::uint32_t{0};
    Float4 r;
    for (int k = 0; k < 3; ++k) std::memcpy(&r.v[k], &ones, 4);
    r.v[3] = 0.0f;
    return r;
}

#endif

// (a.y b.z - a.z b.y, a.z b.x - a.x b.z, a.x b.y - a.y b.x): the scalar
// cross product's products and differences, lane by lane.
inline Float4 cross(Float4 a, Float4 b) { return sub(mul(yzx(a), zxy(b)), mul(zxy(a), yzx(b))); }

}  // namespace gravelkin::lanes
