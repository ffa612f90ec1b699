#include "geometry/face_mapping.h"

#include <cmath>

namespace gravelkin {

Vec4 negateComponent(Vec4 v, int axis) {
    float* components = &v.x;
    components[axis] = -components[axis];
    return v;
}

Vec4 normaliseByInverseLength(const Vec4& v) {
    const float lengthSquared = dot3(v, v);
    if (lengthSquared == 0.0f) return {0.0f, 0.0f, 0.0f, 0.0f};
    return v * (1.0f / std::sqrt(lengthSquared));
}

namespace {

std::array<Vec4, 8> buildCubeCorners() {
    std::array<Vec4, 8> corners{};
    for (int index = 0; index < 8; ++index) {
        const float sx = (index & 4) ? -1.0f : 1.0f;
        const float sy = (index & 2) ? -1.0f : 1.0f;
        const float sz = (index & 1) ? -1.0f : 1.0f;
        corners[index] = normaliseByInverseLength({sx, sy, sz, 0.0f});
    }
    return corners;
}

// Index of corner (+-k, +-k, +-k) in cubeCorners from the signs of x, y, z.
constexpr int cornerIndex(int sx, int sy, int sz) {
    return (sx < 0 ? 4 : 0) | (sy < 0 ? 2 : 0) | (sz < 0 ? 1 : 0);
}

std::array<FaceCornerPair, 6> buildFaceCorners() {
    struct Signs {
        int x0, y0, z0, x1, y1, z1;
    };
    // corner0 and corner1 of each face's start edge.
    constexpr Signs table[6] = {
        {+1, +1, +1, -1, +1, +1},  // 0: +z
        {+1, +1, -1, -1, +1, -1},  // 1: +y
        {+1, -1, -1, -1, -1, -1},  // 2: -z
        {+1, -1, +1, -1, -1, +1},  // 3: -y
        {-1, +1, +1, -1, +1, -1},  // 4: -x
        {+1, -1, +1, +1, -1, -1},  // 5: +x
    };
    std::array<FaceCornerPair, 6> faces{};
    for (int face = 0; face < 6; ++face) {
        const Signs& s = table[face];
        faces[face].corner0 = cubeCorners[cornerIndex(s.x0, s.y0, s.z0)];
        faces[face].corner1 = cubeCorners[cornerIndex(s.x1, s.y1, s.z1)];
    }
    return faces;
}

}  // namespace

// Built by static initialisation in this order, before any thread starts.
const std::array<Vec4, 8> cubeCorners = buildCubeCorners();
const std::array<FaceCornerPair, 6> faceCorners = buildFaceCorners();
const float inverseCubeEdgeAngle = 1.0f / std::acos(dot3(faceCorners[0].corner1, faceCorners[0].corner0));

Vec4 slerpCubeEdge(const Vec4& a, const Vec4& b, float t) {
    const Vec4 p = a * adjacentCornerDot;
    const Vec4 n = normaliseByInverseLength(b - p);
    const float angle = t * cubeEdgeAngle;
    return a * std::cos(angle) + n * std::sin(angle);
}

UnitArc unitArc(const Vec4& a, const Vec4& b) {
    const float m = dot3(a, b);
    return {a, normaliseByInverseLength(b - a * m), std::acos(m)};
}

Vec4 pointOnArc(const UnitArc& arc, float t) {
    const float angle = arc.angle * t;
    return arc.start * std::cos(angle) + arc.normal * std::sin(angle);
}

Vec4 slerpUnit(const Vec4& a, const Vec4& b, float t) { return pointOnArc(unitArc(a, b), t); }

Vec4 faceDirection(std::uint8_t face, float u, float v) {
    const Vec4 p = slerpCubeEdge(faceCorners[face].corner0, faceCorners[face].corner1, u);
    const Vec4 q = negateComponent(p, mirrorAxis(face));
    return slerpUnit(p, q, v);
}

}  // namespace gravelkin
