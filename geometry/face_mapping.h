// The mapping from cube-face coordinates (u, v) in [0, 1] to unit directions.
//
// u rotates the face's corner0 towards corner1 along the start edge
// (slerpCubeEdge); v rotates that edge point towards its mirror image on the
// far edge (slerpUnit). Vector operations carry w through the same arithmetic;
// normalising multiplies by the inverse length: v * (1 / sqrt(dot(v, v))).
//
// The tables are built by static initialisation and are read-only afterwards:
// any thread may call these functions.
#pragma once

#include <array>
#include <cstdint>

#include "camera/vector_math.h"

namespace gravelkin {

struct FaceCornerPair {
    Vec4 corner0;  // u = 0, v = 0
    Vec4 corner1;  // u = 1, v = 0
};

// The eight cube corners (+-k, +-k, +-k) with k = 1/sqrt(3), index bit 2 = x
// negative, bit 1 = y negative, bit 0 = z negative.
extern const std::array<Vec4, 8> cubeCorners;
extern const std::array<FaceCornerPair, 6> faceCorners;

// Angle between two adjacent cube corners seen from the centre, acos(1/3).
inline constexpr float cubeEdgeAngle = 1.2309594f;
// Dot product of two adjacent corners.
inline constexpr float adjacentCornerDot = 0.33333334f;
// 1 / acos(dot(corner1, corner0)) of face 0; about 0.8123745.
extern const float inverseCubeEdgeAngle;

// The component negated to pass from the start edge to the far edge:
// 1 (y) for faces 0, 2, 4, 5 and 2 (z) for faces 1 and 3.
inline constexpr int mirrorAxis(std::uint8_t face) { return (face == 1 || face == 3) ? 2 : 1; }

// Returns v with component `axis` (0 x, 1 y, 2 z) negated.
Vec4 negateComponent(Vec4 v, int axis);

// Scales all four components by 1 / length of (x, y, z); zero stays zero.
Vec4 normaliseByInverseLength(const Vec4& v);

// Rotation of a towards b by the fraction t of cubeEdgeAngle. Exact only for
// adjacent cube corners.
Vec4 slerpCubeEdge(const Vec4& a, const Vec4& b, float t);

// Spherical interpolation between unit vectors a and b (a != b).
Vec4 slerpUnit(const Vec4& a, const Vec4& b, float t);

// slerpUnit split in two: what depends on a and b alone, and each point
// along the arc from it, so that many points between the same two vectors
// share the first half. pointOnArc(unitArc(a, b), t) == slerpUnit(a, b, t),
// bit for bit.
struct UnitArc {
    Vec4 start;
    Vec4 normal;  // unit, orthogonal to start, in the plane of a and b
    float angle;  // between a and b, radians
};
UnitArc unitArc(const Vec4& a, const Vec4& b);
Vec4 pointOnArc(const UnitArc& arc, float t);

// Unit direction of face coordinates (u, v) on a face.
Vec4 faceDirection(std::uint8_t face, float u, float v);

}  // namespace gravelkin
