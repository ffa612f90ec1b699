// A chunk mesh as faces: what the mesher hands to the device seam.
//
// Face f is the quad of corners corners[4f .. 4f + 3], c0 c1 c2 c3, wound so
// that (c1 - c0) x (c2 - c0) and (c2 - c0) x (c3 - c0) point out of the
// voxel, and sides[f] is the side of the voxel it shows (a Direction). Its two
// triangles are (c0, c1, c2) and (c0, c2, c3); every corner is a whole vertex
// record with its own texture coordinates, (0,0), (1,0), (1,1), (0,1), so the
// triangle list c0 c1 c2 c0 c2 c3 is the face's mesh as it is drawn.
//
// The record only points at memory its maker keeps: valid as long as that
// memory is, and copied by whoever keeps the mesh longer. Pure; any thread.
#pragma once

#include <cstdint>
#include <vector>

#include "device/chunk_vertex.h"
#include "geometry/neighbours.h"

namespace gravelkin {

inline constexpr std::uint32_t cornersPerFace = 4;
inline constexpr std::uint32_t triangleListVerticesPerFace = 6;

// The corner each of a face's six triangle-list vertices is.
inline constexpr std::uint32_t cornerOfTriangleListVertex[triangleListVerticesPerFace] = {0, 1, 2, 0, 2, 3};

struct ChunkFaces {
    const ChunkVertex* corners = nullptr;  // cornersPerFace per face
    const Direction* sides = nullptr;      // one per face
    std::uint32_t count = 0;               // faces
};

// Writes the triangle list of `faces`, triangleListVerticesPerFace records
// per face in face order, to `out`.
void expandToTriangleList(const ChunkFaces& faces, ChunkVertex* out);

// The triangle list of `faces`.
std::vector<ChunkVertex> triangleList(const ChunkFaces& faces);

}  // namespace gravelkin
