// Layer geometry (geometry/): chunk keys, the level table, the cube-sphere
// face mapping and column direction cache, position lookup, neighbour steps
// and the layer walk.
//
// The address of one chunk: column x and row y on a cube face, in a shell.
//
// One name per axis throughout: a face's two axes are u and v (face
// coordinates in [0, 1]); chunk keys and voxel addresses count columns along
// them as x and y; inside a chunk, voxel columns are i (along u) and j (along
// v) and the radial layer is r (0 innermost).
#pragma once

#include <cstddef>
#include <cstdint>

namespace gravelkin {

struct ChunkKey {
    std::uint32_t x = 0;      // chunk column along the face's u axis
    std::uint32_t shell = 0;  // radial layer: radii 32*shell .. 32*shell + 31
    std::uint32_t y = 0;      // chunk row along the face's v axis
    std::uint8_t face = 0;    // cube face 0..5

    friend bool operator==(const ChunkKey&, const ChunkKey&) = default;
};

}  // namespace gravelkin

namespace gravelkin {

// Multiply-and-xor hash over the four fields, in wrapping 64-bit arithmetic.
constexpr std::uint64_t chunkKeyHash(const ChunkKey& key) {
    std::uint64_t h = std::uint64_t{key.x} * 10057189u;
    h ^= key.shell;
    h *= 987391u;
    h ^= key.y;
    h *= 418493u;
    h ^= key.face;
    return h ^ (h >> 16);
}

// Hasher for standard unordered containers keyed by ChunkKey.
struct ChunkKeyHasher {
    std::size_t operator()(const ChunkKey& key) const { return static_cast<std::size_t>(chunkKeyHash(key)); }
};

}  // namespace gravelkin
