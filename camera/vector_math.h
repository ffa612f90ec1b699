// Single-precision vector and matrix math for the camera and the renderer.
//
// Conventions: vectors are rows (a point p is transformed as p x M, and
// "A then B" is A x B); matrices are stored row by row; the frame is
// left-handed with y up (+x right, +z forward, away from the viewer).
// Angles here are radians. Three-term sums run left to right:
// (a.x*b.x + a.y*b.y) + a.z*b.z, so results are reproducible bit for bit.
//
// Threads: every operation is a pure function of its arguments; any thread
// may call them.
#pragma once

#include <bit>
#include <cstdint>

namespace gravelkin {

struct Vec3 {
    float x, y, z;
    friend bool operator==(const Vec3&, const Vec3&) = default;
};

// Equal bit for bit: unlike ==, 0 and -0 differ and a NaN equals itself.
inline bool sameBits(const Vec3& a, const Vec3& b) {
    return std::bit_cast<std::uint32_t>(a.x) == std::bit_cast<std::uint32_t>(b.x) &&
           std::bit_cast<std::uint32_t>(a.y) == std::bit_cast<std::uint32_t>(b.y) &&
           std::bit_cast<std::uint32_t>(a.z) == std::bit_cast<std::uint32_t>(b.z);
}

struct Vec4 {
    float x, y, z, w;
    friend bool operator==(const Vec4&, const Vec4&) = default;
};

struct Mat4 {
    float m[4][4];
    friend bool operator==(const Mat4&, const Mat4&) = default;
};

// Component-wise arithmetic on all four components.
inline Vec4 operator+(const Vec4& a, const Vec4& b) { return {a.x + b.x, a.y + b.y, a.z + b.z, a.w + b.w}; }
inline Vec4 operator-(const Vec4& a, const Vec4& b) { return {a.x - b.x, a.y - b.y, a.z - b.z, a.w - b.w}; }
inline Vec4 operator*(const Vec4& a, float s) { return {a.x * s, a.y * s, a.z * s, a.w * s}; }

inline Vec3 operator+(const Vec3& a, const Vec3& b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
inline Vec3 operator-(const Vec3& a, const Vec3& b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
inline Vec3 operator*(const Vec3& a, float s) { return {a.x * s, a.y * s, a.z * s}; }

inline Vec3 xyz(const Vec4& v) { return {v.x, v.y, v.z}; }

// Three-component operations (w ignored).
inline float dot3(const Vec4& a, const Vec4& b) { return (a.x * b.x + a.y * b.y) + a.z * b.z; }
inline float dot3(const Vec3& a, const Vec3& b) { return (a.x * b.x + a.y * b.y) + a.z * b.z; }
Vec4 cross3(const Vec4& a, const Vec4& b);
Vec3 cross3(const Vec3& a, const Vec3& b);
float length3(const Vec4& v);

// All four components divided by the length of (x, y, z); zero stays zero.
Vec4 normalise3(const Vec4& v);

// Rz(roll) x Rx(pitch) x Ry(yaw): roll applies first, then pitch, then yaw.
Mat4 rotationPitchYawRoll(float pitch, float yaw, float roll);

// (v.x, v.y, v.z, 1) x m, all four result components kept.
Vec4 transformPoint(const Vec4& v, const Mat4& m);

Mat4 multiply(const Mat4& a, const Mat4& b);

// Left-handed views and projection.
Mat4 lookToLH(const Vec4& eye, const Vec4& direction, const Vec4& up);
Mat4 lookAtLH(const Vec4& eye, const Vec4& focus, const Vec4& up);
// The eye of a view matrix made by lookToLH (a rotation, then a translation),
// to within rounding.
Vec3 eyeOfView(const Mat4& view);
// Depth maps nearZ to 0 and farZ to 1.
Mat4 perspectiveFovLH(float fovY, float aspect, float nearZ, float farZ);
// The same x and y as perspectiveFovLH, with no far plane and depth reversed:
// clip z is nearZ and clip w the view depth, so depth nearZ / depth maps nearZ
// to 1 and falls toward 0 with distance. Floating-point depth then keeps its
// finest steps far away, where the view needs them.
Mat4 perspectiveFovReversedInfiniteLH(float fovY, float aspect, float nearZ);

}  // namespace gravelkin
