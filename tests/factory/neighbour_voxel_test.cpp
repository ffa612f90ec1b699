#include <cstdint>
#include <stdexcept>

#include <gtest/gtest.h>

#include "factory/chunk.h"
#include "factory/neighbour_voxel.h"
#include "geometry/level_table.h"
#include "tests/factory/mesh_test_support.h"

namespace gravelkin::test {
namespace {

// A voxel no constructor or fill writes, to recognise the one read.
constexpr Voxel marker{-7.5f, {1, 2, 3}};

TEST(NeighbourVoxel, InsideTheChunkReadsTheAdjacentVoxel) {
    auto chunk = makeChunk({7, 12, 8, 1});
    chunk->voxel(5, 10, 8) = marker;
    chunk->voxel(5, 11, 7) = {-1.0f, {4, 5, 6}};
    chunk->voxel(4, 10, 7) = {-2.0f, {7, 8, 9}};

    EXPECT_EQ(chunk->neighbourVoxel(5, 10, 7, 0), marker);
    EXPECT_EQ(chunk->neighbourVoxel(5, 10, 9, 2), marker);
    EXPECT_EQ(chunk->neighbourVoxel(5, 10, 7, 1).density, -1.0f);
    EXPECT_EQ(chunk->neighbourVoxel(5, 12, 7, 3).density, -1.0f);
    EXPECT_EQ(chunk->neighbourVoxel(5, 10, 7, 4).density, -2.0f);
    EXPECT_EQ(chunk->neighbourVoxel(3, 10, 7, 5).density, -2.0f);
}

TEST(NeighbourVoxel, AcrossACubeFaceEdge) {
    // +x from (15, 12, 3, face 0) is (0, 12, 3, face 4) in shell 12.
    auto chunk = makeChunk({15, 12, 3, 0});
    auto across = makeChunk({0, 12, 3, 4});
    across->voxel(0, 10, 7) = marker;
    chunk->neighbours[5] = across.get();

    EXPECT_EQ(chunk->neighbourVoxel(31, 10, 7, 5), marker);
}

TEST(NeighbourVoxel, OutwardIntoTheFourFinerChunks) {
    // Global column 3 * 32 + 21 = 117 at radius 319 lies under column 117 at
    // radius 320, where chunks are 16 columns wide: chunk 7, column 5.
    auto chunk = makeChunk({3, 9, 5, 2});
    FineNeighbourMap fine;
    for (std::uint32_t x : {6u, 7u}) {
        for (std::uint32_t y : {10u, 11u}) fine.emplace(ChunkKey{x, 10, y, 2}, makeChunk({x, 10, y, 2}));
    }
    fine.at({7, 10, 10, 2})->voxel(5, 0, 6) = marker;
    chunk->fineNeighbours = &fine;

    EXPECT_EQ(chunk->neighbourVoxel(21, 31, 6, 1), marker);
}

TEST(NeighbourVoxel, InwardWhereTheChunkGridHalves) {
    // Shell 10 has 16 columns per chunk at radius 320 and shell 9 has 32 at
    // radius 319: column 7 * 16 + 5 = 117 is column 21 of chunk 3.
    auto chunk = makeChunk({7, 10, 11, 2});
    auto inner = makeChunk({3, 9, 5, 2});
    inner->voxel(21, 31, 25) = marker;
    chunk->neighbours[3] = inner.get();

    EXPECT_EQ(chunk->neighbourVoxel(5, 0, 9, 3), marker);
}

TEST(NeighbourVoxel, RadialStepsInsideAShellWithALevelStep) {
    // Shell 10: layer 5 (radius 325) has 32 columns, layer 4 has 16.
    auto chunk = makeChunk({3, 10, 5, 2});
    ASSERT_TRUE(chunk->levelStepInShell);
    chunk->voxel(4, 4, 6) = marker;
    chunk->voxel(4, 5, 6) = {-3.0f, {9, 9, 9}};

    EXPECT_EQ(chunk->neighbourVoxel(9, 5, 13, 3), marker);
    // Outward from a coarse voxel: the finer voxel with the smallest x and y.
    EXPECT_EQ(chunk->neighbourVoxel(2, 4, 3, 1).density, -3.0f);
}

TEST(NeighbourVoxel, InwardFromRadiusOneIsTheCentreVoxel) {
    // From radius 1 inward is the centre voxel, (0, 0, 0) of face 0's shell-0
    // chunk; this chunk is on face 2, so the chunk across the inward side is
    // the one read, whatever its key.
    auto chunk = makeChunk({0, 0, 0, 2});
    auto inner = makeChunk({0, 0, 0, 0});
    inner->voxel(0, 0, 0) = marker;
    chunk->neighbours[3] = inner.get();

    EXPECT_EQ(chunk->neighbourVoxel(1, 1, 0, 3), marker);
}

TEST(NeighbourVoxel, MissingHoldingChunkRaisesOutOfRange) {
    auto chunk = makeChunk({15, 12, 3, 0});
    try {
        (void)chunk->neighbourVoxel(31, 10, 7, 5);
        FAIL() << "expected std::out_of_range";
    } catch (const std::out_of_range& error) {
        EXPECT_STREQ(error.what(), "invalid unordered_map<K, T> key");
    }

    FineNeighbourMap empty;
    chunk->fineNeighbours = &empty;
    EXPECT_THROW((void)chunk->neighbourVoxel(31, 10, 7, 5), std::out_of_range);
}

}  // namespace
}  // namespace gravelkin::test
