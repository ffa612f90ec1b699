// Chunk meshes arrive as triangle lists in which each face is two triangles
// (c0, c1, c2) and (c0, c2, c3): six vertices, two of them repeats. Stored as
// the four corners and drawn through a shared index buffer, the same
// triangles come out in the same order from the same vertices, while the
// vertex stage shades four vertices a face instead of six and the buffer is a
// third smaller.
//
// Pure; any thread.
#pragma once

#include <cstdint>
#include <vector>

#include "device/chunk_vertex.h"

namespace gravelkin {

// Where each of a face's six triangle-list vertices lies among its four
// corners.
inline constexpr std::uint32_t quadCornerOfVertex[6] = {0, 1, 2, 0, 2, 3};

// The triangle-list vertex that holds each of a face's four corners.
inline constexpr std::uint32_t vertexOfQuadCorner[4] = {0, 1, 2, 5};

// Whether the `count` vertices are whole faces of that form: every sixth
// group repeats its vertex 0 at 3 and its vertex 2 at 4, bit for bit.
bool isQuadList(const ChunkVertex* vertices, std::uint32_t count);

// The index list that draws `quads` packed faces: 4q + quadCornerOfVertex[k].
std::vector<std::uint32_t> quadIndices(std::uint32_t quads);

}  // namespace gravelkin
