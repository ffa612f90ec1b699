#include "device/chunk_faces.h"

#include <cstddef>

namespace gravelkin {

void expandToTriangleList(const ChunkFaces& faces, ChunkVertex* out) {
    for (std::uint32_t f = 0; f < faces.count; ++f) {
        const ChunkVertex* face = faces.corners + std::size_t{cornersPerFace} * f;
        for (const std::uint32_t corner : cornerOfTriangleListVertex) *out++ = face[corner];
    }
}

std::vector<ChunkVertex> triangleList(const ChunkFaces& faces) {
    std::vector<ChunkVertex> list(std::size_t{triangleListVerticesPerFace} * faces.count);
    expandToTriangleList(faces, list.data());
    return list;
}

}  // namespace gravelkin
