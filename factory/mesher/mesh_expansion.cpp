#include "factory/mesher/mesh_expansion.h"

#include <cmath>

namespace gravelkin {

namespace {

// Zero, underflow and NaN all fail this test; only a usable length passes.
bool normalisable(float lengthSquared) { return lengthSquared > 0.0f && std::isfinite(lengthSquared); }

Vec3 scaledByInverseLength(const Vec3& n, float lengthSquared) {
    const float inverse = 1.0f / std::sqrt(lengthSquared);
    return {n.x * inverse, n.y * inverse, n.z * inverse};
}

// Minus the outward axis of each cube face.
constexpr Vec3 inwardAxis[6] = {
    {0.0f, 0.0f, -1.0f}, {0.0f, -1.0f, 0.0f}, {0.0f, 0.0f, 1.0f},
    {0.0f, 1.0f, 0.0f},  {1.0f, 0.0f, 0.0f},  {-1.0f, 0.0f, 0.0f},
};

}  // namespace

Vec3 faceNormal(const FaceRecord& face, const Vec3& collapsedNormal) {
    const Vec3 n = cross3(face.c1 - face.c0, face.c3 - face.c0);
    const float nn = dot3(n, n);
    if (normalisable(nn)) return scaledByInverseLength(n, nn);

    const Vec3 diagonals = cross3(face.c2 - face.c0, face.c3 - face.c1);
    const float dd = dot3(diagonals, diagonals);
    if (normalisable(dd)) return scaledByInverseLength(diagonals, dd);

    return collapsedNormal;
}

Vec3 collapsedFaceNormal(std::uint8_t face) { return inwardAxis[face]; }

void expandFaces(const std::vector<FaceRecord>& faces, const Vec3& collapsedNormal,
                 std::vector<ChunkVertex>& corners, std::vector<Direction>& sides) {
    corners.resize(faces.size() * cornersPerFace);
    sides.resize(faces.size());
    ChunkVertex* out = corners.data();
    for (std::size_t f = 0; f < faces.size(); ++f) {
        writeFaceCorners(faces[f], faceNormal(faces[f], collapsedNormal), out);
        out += cornersPerFace;
        sides[f] = faces[f].side;
    }
}

}  // namespace gravelkin
