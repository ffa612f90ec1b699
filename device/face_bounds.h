// What bounds the corners of a face mesh (chunk_faces.h): the box over their
// positions, and for one face group (face_groups.h) the box, sphere and
// normal cone the culling tests read.
//
// Pure; any thread.
#pragma once

#include <cstddef>

#include "camera/frustum.h"
#include "device/chunk_vertex.h"
#include "device/face_groups.h"

namespace gravelkin {

// The smallest box holding the positions of corners[0 .. count): the same
// values as includePoint over them one by one.
Box3 cornerBox(const ChunkVertex* corners, std::size_t count);

// Sets the box, centre, radius, cullable, axis and spread of `group` from its
// group.quads faces, cornersPerFace each, at `first`:
// - the box and the sphere hold every corner;
// - the cone holds the normal of each face's two triangles, (c1 - c0) x
//   (c2 - c0) and (c2 - c0) x (c3 - c0), of the corners as stored. Its axis
//   is the mean of the faces' vertex normals, which only keeps it narrow:
//   the spread is measured from the triangles. Where some triangle lies a
//   right angle or more from the axis, or is too thin for its computed normal
//   to be trusted, the group is not cullable.
void boundFaceGroup(const ChunkVertex* first, FaceGroup& group);

}  // namespace gravelkin
