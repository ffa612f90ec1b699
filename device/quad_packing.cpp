#include "device/quad_packing.h"

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace gravelkin {

namespace {

// Bit for bit, as whole words: a call to memcmp per vertex costs more than
// the comparison.
bool sameVertex(const ChunkVertex& a, const ChunkVertex& b) {
    static_assert(sizeof(ChunkVertex) % sizeof(std::uint64_t) == 0);
    constexpr std::size_t words = sizeof(ChunkVertex) / sizeof(std::uint64_t);
    std::uint64_t x[words];
    std::uint64_t y[words];
    std::memcpy(x, &a, sizeof x);
    std::memcpy(y, &b, sizeof y);
    std::uint64_t differ = 0;
    for (std::size_t k = 0; k < words; ++k) differ |= x[k] ^ y[k];
    return differ == 0;
}

}  // namespace

bool isQuadList(const ChunkVertex* vertices, std::uint32_t count) {
    if (count == 0 || count % 6 != 0) return false;
    for (std::uint32_t v = 0; v < count; v += 6) {
        if (!sameVertex(vertices[v + 3], vertices[v]) || !sameVertex(vertices[v + 4], vertices[v + 2])) return false;
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
