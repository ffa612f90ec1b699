// Steps from one cell of the planet's grid to the adjacent one, on chunk keys
// and on voxel addresses, across face edges and level changes.
//
// Pure apart from the level table, which they may grow; inputs are trusted to
// lie inside their grid. Any thread may call them.
#pragma once

#include <cstdint>
#include <vector>

#include "geometry/chunk_key.h"

namespace gravelkin {

// The numbers also index a chunk's neighbours.
enum Direction : std::uint8_t {
    PlusY = 0,    // y + 1 on the face
    Outward = 1,  // one shell (or voxel layer) outward
    MinusY = 2,   // y - 1 on the face
    Inward = 3,   // one shell (or voxel layer) inward
    MinusX = 4,   // x - 1 on the face
    PlusX = 5,    // x + 1 on the face
};

inline constexpr int directionCount = 6;

// Every direction, in the order of their numbers: the order the meshers emit
// a voxel's sides and neighbour lists are walked in.
inline constexpr Direction allDirections[directionCount] = {PlusY, Outward, MinusY, Inward, MinusX, PlusX};

// 0<->2, 1<->3, 4<->5; the same pairs give the opposite cube face.
inline constexpr std::uint8_t opposite(std::uint8_t d) {
    constexpr std::uint8_t table[6] = {2, 3, 0, 1, 5, 4};
    return table[d];
}
inline constexpr Direction opposite(Direction d) { return static_cast<Direction>(opposite(std::uint8_t{d})); }

// A voxel column x, y in the whole face's column grid at integer `radius`.
struct VoxelAddress {
    std::uint32_t x = 0;
    std::uint32_t radius = 0;
    std::uint32_t y = 0;
    std::uint8_t face = 0;

    friend bool operator==(const VoxelAddress&, const VoxelAddress&) = default;
};

// split = 1: the space beyond is divided twice as finely; the address is the
// finer cell with the smallest x and y, the others being (x + 1, y),
// (x, y + 1) and (x + 1, y + 1).
template <typename Address>
struct NeighbourStep {
    Address address;
    std::uint8_t split;
};

// A cell of an n x n grid on a cube face.
struct FaceCell {
    std::uint32_t x, y;
    std::uint8_t face;
};

// One step along a face in an in-face direction (PlusY, MinusY, MinusX,
// PlusX), crossing onto the adjacent face when the step leaves this one.
// Every crossing lands on the cell that shares the crossed edge; n is the
// number of cells along a face side.
FaceCell stepOnFace(std::uint32_t x, std::uint32_t y, std::uint8_t face, std::uint8_t direction, std::uint32_t n);

NeighbourStep<ChunkKey> chunkNeighbour(const ChunkKey& key, Direction direction);
NeighbourStep<VoxelAddress> voxelNeighbour(const VoxelAddress& address, Direction direction);

// The four finer keys of a split step, from the one with the smallest x and y
// (the step's address): (x, y), (x + 1, y), (x, y + 1), (x + 1, y + 1).
struct FineKeys {
    ChunkKey keys[4];
};
FineKeys fineKeysFrom(const ChunkKey& first);

// The chunks across one side of `key`: the one neighbour, or the four finer
// ones (x, y), (x + 1, y), (x, y + 1), (x + 1, y + 1) where the step splits.
std::vector<ChunkKey> chunkKeysAcross(const ChunkKey& key, Direction direction);

}  // namespace gravelkin
