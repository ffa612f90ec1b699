// The address of one far-terrain node, the coarse stand-in for a block of
// chunks beyond the streaming radius, and the grid that places it.
//
// A node of level k (1 .. farTopLevel) covers 2^k shells, the band
// [band * 2^k, (band + 1) * 2^k), and one square of a grid of m x m squares
// on its cube face, m = farNodeGrid(k, band). It holds 32 x 32 x 32 voxels:
// each layer 2^k units thick, each a column of 1 / (32 m) of the face side.
// m is the chunk grid of the band's outermost shell divided by 2^k, so a
// voxel is 2^k times a full-resolution voxel of that shell in every
// direction; it is never finer than the chunk grid of the band's innermost
// shell, so the chunks of the band (level 0) tile every node exactly, and the
// nodes of level k - 1 tile every node of level k.
//
// Pure apart from the level table, which these may grow; any thread.
#pragma once

#include <cstdint>
#include <vector>

#include "camera/vector_math.h"
#include "geometry/chunk_key.h"
#include "geometry/neighbours.h"

namespace gravelkin {

inline constexpr std::uint32_t farTopLevel = 4;
inline constexpr std::uint32_t farNodeSide = 32;  // voxels along each axis

struct FarNodeKey {
    std::uint32_t x = 0;     // square along the face's u axis, 0 .. m - 1
    std::uint32_t band = 0;  // radial band of 2^level shells
    std::uint32_t y = 0;     // square along v
    std::uint8_t face = 0;
    std::uint8_t level = 1;

    friend bool operator==(const FarNodeKey&, const FarNodeKey&) = default;
};

struct FarNodeKeyHasher {
    std::size_t operator()(const FarNodeKey& key) const {
        std::uint64_t h = std::uint64_t{key.x} * 10057189u;
        h ^= key.band;
        h *= 987391u;
        h ^= key.y;
        h *= 418493u;
        h ^= std::uint64_t{key.face} | (std::uint64_t{key.level} << 8);
        return static_cast<std::size_t>(h ^ (h >> 16));
    }
};

// Squares along a face side for the nodes of `level` in `band`: at least 1.
std::uint32_t farNodeGrid(std::uint32_t level, std::uint32_t band);

inline std::uint32_t farNodeFirstShell(const FarNodeKey& key) { return key.band << key.level; }
inline std::uint32_t farNodeShells(const FarNodeKey& key) { return 1u << key.level; }
inline std::uint32_t farNodeInnerRadius(const FarNodeKey& key) { return 32u * farNodeFirstShell(key); }
inline std::uint32_t farNodeVoxelDepth(const FarNodeKey& key) { return 1u << key.level; }
inline std::uint32_t farNodeOuterRadius(const FarNodeKey& key) {
    return farNodeInnerRadius(key) + farNodeSide * farNodeVoxelDepth(key);
}

// The pieces one level finer that tile a node: nodes of level - 1, or, for a
// level-1 node, chunks.
std::vector<FarNodeKey> farNodeChildren(const FarNodeKey& key);
std::vector<ChunkKey> farNodeChunks(const FarNodeKey& key);

// The node one level up whose region holds `key`'s (level below farTopLevel).
FarNodeKey farNodeParent(const FarNodeKey& key);

// The level-1 node whose region holds chunk `key`.
FarNodeKey farNodeOfChunk(const ChunkKey& key);

// The node of the same level across side `side` of `key` (PlusY, MinusY,
// MinusX, PlusX: the next square, across a face edge where the step leaves
// the face, always on the same grid; Outward, Inward: the next band, whose
// grid may differ, in which case the square holding this one's middle).
// sameGrid says whether its voxels continue this node's columns one to one.
struct FarNodeStep {
    FarNodeKey key;
    bool sameGrid = false;
    bool exists = true;  // false inward of band 0
};
FarNodeStep farNodeNeighbour(const FarNodeKey& key, Direction side);

// The node's middle (face centre of its square, middle radius) and a radius
// about it that holds every point of its region.
struct FarNodeSphere {
    Vec3 centre;
    float radius = 0.0f;
};
FarNodeSphere farNodeSphere(const FarNodeKey& key);

// The roots: every node of farTopLevel whose band overlaps shells
// firstShell .. lastShell, on every face.
std::vector<FarNodeKey> farRootNodes(std::uint32_t firstShell, std::uint32_t lastShell);

// Whether the node's band overlaps shells firstShell .. lastShell.
bool farNodeOverlapsShells(const FarNodeKey& key, std::uint32_t firstShell, std::uint32_t lastShell);

}  // namespace gravelkin
