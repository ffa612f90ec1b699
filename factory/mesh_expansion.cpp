#include "factory/mesh_expansion.h"

#include <cmath>

namespace gravelkin {

namespace {

// Zero, underflow and NaN all fail this test; only a usable length passes.
bool normalisable(float lengthSquared) { return lengthSquared > 0.0f && std::isfinite(lengthSquared); }

Vec3 scaledByInverseLength(const Vec3& n, float lengthSquared) {
    const float inverse = 1.0f / std::sqrt(lengthSquared);
    return {n.x * inverse, n.y * inverse, n.z * inverse};
}

ChunkVertex vertexAt(const Vec3& position, const Vec3& colour, float u, float v, const Vec3& normal) {
    return {{position.x, position.y, position.z},
            {colour.x, colour.y, colour.z, 1.0f},
            {u, v},
            {normal.x, normal.y, normal.z}};
}

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

void expandFaces(const std::vector<FaceRecord>& faces, const Vec3& collapsedNormal,
                 std::vector<ChunkVertex>& vertices) {
    vertices.clear();
    vertices.reserve(faces.size() * verticesPerFace);
    for (const FaceRecord& face : faces) {
        const Vec3 normal = faceNormal(face, collapsedNormal);
        vertices.push_back(vertexAt(face.c0, face.colour, 0.0f, 0.0f, normal));
        vertices.push_back(vertexAt(face.c1, face.colour, 1.0f, 0.0f, normal));
        vertices.push_back(vertexAt(face.c2, face.colour, 1.0f, 1.0f, normal));
        vertices.push_back(vertexAt(face.c0, face.colour, 0.0f, 0.0f, normal));
        vertices.push_back(vertexAt(face.c2, face.colour, 1.0f, 1.0f, normal));
        vertices.push_back(vertexAt(face.c3, face.colour, 0.0f, 1.0f, normal));
    }
}

}  // namespace gravelkin
