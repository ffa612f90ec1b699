// Reading the voxel next to a voxel wherever it lies (a missing holding chunk:
// mesher_equality_test.cpp).
#include <cstdint>

#include <gtest/gtest.h>

#include "factory/neighbour_voxel.h"
#include "tests/factory/mesh_test_support.h"
#include "tests/support/comparisons.h"

namespace gravelkin::test {
namespace {

// A voxel no constructor or fill writes, to recognise the one read.
constexpr Voxel marker{-7.5f, {1, 2, 3}};

struct Lookup {
    const char* what;
    ChunkKey key;              // the asking chunk
    std::uint32_t i, r, j;     // the asking voxel
    Direction side;
    ChunkKey holder;           // the chunk holding the marker: `key` for a read inside
    std::uint32_t hi, hr, hj;  // the marker's voxel in it
};

const Lookup lookups[] = {
    {"+j inside", {7, 12, 8, 1}, 5, 10, 7, Direction::PlusY, {7, 12, 8, 1}, 5, 10, 8},
    {"-j inside", {7, 12, 8, 1}, 5, 10, 9, Direction::MinusY, {7, 12, 8, 1}, 5, 10, 8},
    {"outward inside", {7, 12, 8, 1}, 5, 10, 7, Direction::Outward, {7, 12, 8, 1}, 5, 11, 7},
    {"inward inside", {7, 12, 8, 1}, 5, 12, 7, Direction::Inward, {7, 12, 8, 1}, 5, 11, 7},
    {"-i inside", {7, 12, 8, 1}, 5, 10, 7, Direction::MinusX, {7, 12, 8, 1}, 4, 10, 7},
    {"+i inside", {7, 12, 8, 1}, 3, 10, 7, Direction::PlusX, {7, 12, 8, 1}, 4, 10, 7},
    // +x from (15, 12, 3, face 0) is (0, 12, 3, face 4).
    {"across a cube-face edge", {15, 12, 3, 0}, 31, 10, 7, Direction::PlusX, {0, 12, 3, 4}, 0, 10, 7},
    // Column 3 * 32 + 21 = 117 at radius 319 lies under column 117 at radius
    // 320, where chunks are 16 columns wide: chunk 7, column 5.
    {"outward into a finer chunk", {3, 9, 5, 2}, 21, 31, 6, Direction::Outward, {7, 10, 10, 2}, 5, 0, 6},
    // The other way: column 7 * 16 + 5 = 117 is column 21 of chunk 3.
    {"inward where the grid halves", {7, 10, 11, 2}, 5, 0, 9, Direction::Inward, {3, 9, 5, 2}, 21, 31, 25},
    // Shell 10: layer 5 (radius 325) has 32 columns, layer 4 has 16.
    {"inward across a level step", {3, 10, 5, 2}, 9, 5, 13, Direction::Inward, {3, 10, 5, 2}, 4, 4, 6},
    {"outward across a level step: the finer voxel with the smallest x and y", {3, 10, 5, 2}, 2, 4, 3,
     Direction::Outward, {3, 10, 5, 2}, 4, 5, 6},
    // From radius 1 inward is the centre voxel, (0, 0, 0) of face 0's chunk:
    // the chunk across the inward side is read, whatever its key.
    {"inward to the centre voxel", {0, 0, 0, 2}, 1, 1, 0, Direction::Inward, {0, 0, 0, 0}, 0, 0, 0},
};

TEST(NeighbourVoxel, ReadsTheVoxelWhereverItLies) {
    for (const Lookup& lookup : lookups) {
        SCOPED_TRACE(lookup.what);
        auto chunk = makeChunk(lookup.key, solidDensity);
        auto holder = lookup.holder == lookup.key ? chunk : makeChunk(lookup.holder, solidDensity);
        holder->voxel(lookup.hi, lookup.hr, lookup.hj) = marker;
        // The holder is both the neighbour across the side and the finer
        // chunk of its key, so a read of any other chunk shows.
        FineNeighbourMap fine{{lookup.holder, holder}};
        const bool split = chunkKeysAcross(lookup.key, lookup.side).size() > 1;
        chunk->neighbours[lookup.side] = split ? nullptr : holder.get();
        chunk->fineNeighbours = &fine;
        EXPECT_TRUE(testing::sameBits(chunk->neighbourVoxel(lookup.i, lookup.r, lookup.j, lookup.side), marker));
        chunk->fineNeighbours = nullptr;
    }
}

}  // namespace
}  // namespace gravelkin::test
