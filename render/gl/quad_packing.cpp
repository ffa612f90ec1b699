#include "render/gl/quad_packing.h"

#include <cstring>

namespace gravelkin {

namespace {

bool sameVertex(const ChunkVertex& a, const ChunkVertex& b) { return std::memcmp(&a, &b, sizeof(ChunkVertex)) == 0; }

}  // namespace

bool packQuads(const ChunkVertex* vertices, std::uint32_t count, std::vector<ChunkVertex>& corners) {
    corners.clear();
    if (count == 0 || count % 6 != 0) return false;
    for (std::uint32_t v = 0; v < count; v += 6) {
        if (!sameVertex(vertices[v + 3], vertices[v]) || !sameVertex(vertices[v + 4], vertices[v + 2])) return false;
    }
    corners.reserve(count / 6 * 4);
    for (std::uint32_t v = 0; v < count; v += 6) {
        corners.insert(corners.end(), vertices + v, vertices + v + 3);
        corners.push_back(vertices[v + 5]);
    }
    return true;
}

std::vector<std::uint32_t> quadIndices(std::uint32_t quads) {
    std::vector<std::uint32_t> indices;
    indices.reserve(static_cast<std::size_t>(quads) * 6);
    for (std::uint32_t q = 0; q < quads; ++q) {
        for (const std::uint32_t corner : quadCornerOfVertex) indices.push_back(4 * q + corner);
    }
    return indices;
}

}  // namespace gravelkin
