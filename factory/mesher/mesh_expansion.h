// Expansion of gathered faces into the corner records of a chunk's face mesh
// (device/chunk_faces.h).
//
// Each face becomes its four corners c0 c1 c2 c3 with texture coordinates
// (0,0), (1,0), (1,1), (0,1), so the texture repeats once per voxel side. All
// four carry the face colour with alpha 1.0 and the face normal (flat
// shading).
#pragma once

#include <cstdint>
#include <vector>

#include "factory/mesher/face_record.h"
#include "device/chunk_faces.h"
#include "device/chunk_vertex.h"

namespace gravelkin {

// The unit normal of a face: n = (c1 - c0) x (c3 - c0), multiplied
// component-wise by 1 / sqrt(n . n).
//
// The corners of a side only collapse at radius 0, on the centre voxel: there
// the -j and +i sides have c0 = c1 (a triangle, still with a sound plane), and
// the inward side has all four corners at the origin. Such faces would give
// 0 * infinity = NaN, so:
//  - when n is zero, the diagonals give the plane instead:
//    (c2 - c0) x (c3 - c1), which has the same orientation as n for any
//    non-degenerate quad;
//  - when that is zero too (every corner coincides), `collapsedNormal` is
//    used. The mesher passes minus the outward axis of the chunk's cube face:
//    the centre voxel's single column spans the whole face, so that is the
//    inward direction of its column, the way an inward side faces.
Vec3 faceNormal(const FaceRecord& face, const Vec3& collapsedNormal);

// Minus the outward axis of cube face `face`: the mesher's collapsedNormal.
Vec3 collapsedFaceNormal(std::uint8_t face);

// Writes the four corners of `face`, carrying `normal`, to out[0..3].
inline void writeFaceCorners(const FaceRecord& face, const Vec3& normal, ChunkVertex* out) {
    const auto vertexAt = [&](const Vec3& p, float u, float v) {
        return ChunkVertex{{p.x, p.y, p.z},
                           {face.colour.x, face.colour.y, face.colour.z, 1.0f},
                           {u, v},
                           {normal.x, normal.y, normal.z}};
    };
    out[0] = vertexAt(face.c0, 0.0f, 0.0f);
    out[1] = vertexAt(face.c1, 1.0f, 0.0f);
    out[2] = vertexAt(face.c2, 1.0f, 1.0f);
    out[3] = vertexAt(face.c3, 0.0f, 1.0f);
}

// Replaces `corners` with four records per face and `sides` with each face's
// side, in face order.
void expandFaces(const std::vector<FaceRecord>& faces, const Vec3& collapsedNormal,
                 std::vector<ChunkVertex>& corners, std::vector<Direction>& sides);

}  // namespace gravelkin
