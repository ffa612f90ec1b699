// Face meshes (chunk_faces.h) are stored as their faces' four corners and
// drawn through one shared index buffer: each face's six indices name its
// corners in triangle-list order, so the same triangles come out in the same
// order from the same vertices as from the triangle list, while the vertex
// stage shades four vertices a face instead of six and the buffer is a third
// smaller.
//
// Pure; any thread.
#pragma once

#include <cstdint>
#include <vector>

namespace gravelkin {

// The index list that draws `quads` packed faces: for face q, 4q plus each
// entry of cornerOfTriangleListVertex.
std::vector<std::uint32_t> quadIndices(std::uint32_t quads);

}  // namespace gravelkin
