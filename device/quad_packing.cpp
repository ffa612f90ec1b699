#include "device/quad_packing.h"

#include <cstddef>

#include "device/chunk_faces.h"

namespace gravelkin {

std::vector<std::uint32_t> quadIndices(std::uint32_t quads) {
    std::vector<std::uint32_t> indices;
    indices.reserve(static_cast<std::size_t>(quads) * triangleListVerticesPerFace);
    for (std::uint32_t q = 0; q < quads; ++q) {
        for (const std::uint32_t corner : cornerOfTriangleListVertex) indices.push_back(cornersPerFace * q + corner);
    }
    return indices;
}

}  // namespace gravelkin
