// What the fast mesher's mesh looks like, and the neighbour voxel lookup it
// rests on. mesher_equality_test.cpp holds it to the reference mesher.
#include <bit>
#include <cmath>
#include <cstdint>
#include <iterator>
#include <vector>

#include <gtest/gtest.h>

#include "factory/mesher/mesh_expansion.h"
#include "factory/mesher/neighbour_voxel.h"
#include "geometry/face_mapping.h"
#include "geometry/level_table.h"
#include "tests/factory/mesher/mesh_test_support.h"
#include "tests/support/comparisons.h"

namespace gravelkin::test {
namespace {

using test::expectNear;

Vec3 position(const ChunkVertex& vertex) { return {vertex.position[0], vertex.position[1], vertex.position[2]}; }
Vec3 normal(const ChunkVertex& vertex) { return {vertex.normal[0], vertex.normal[1], vertex.normal[2]}; }
float length(const Vec3& v) { return std::sqrt(dot3(v, v)); }

// Corners are products of unit directions and radii of a few hundred units.
constexpr float cornerTolerance = 1e-3f;

// Column corner (a, b) of the grid at `radius`, straight from the face
// mapping, scaled to `scale`.
Vec3 gridCorner(const ChunkKey& key, std::uint32_t radius, std::uint32_t a, std::uint32_t b, float scale) {
    const std::uint32_t columns = columnsPerChunk(radius);
    const float step = 1.0f / static_cast<float>(std::uint64_t{1} << columnLevel(radius));
    const Vec4 d = faceDirection(key.face, static_cast<float>(key.x * columns + a) * step,
                                 static_cast<float>(key.y * columns + b) * step);
    return {d.x * scale, d.y * scale, d.z * scale};
}

Vec3 faceCentroid(const std::vector<ChunkVertex>& vertices, std::size_t face) {
    const Vec3 sum = ((position(vertices[6 * face]) + position(vertices[6 * face + 1])) +
                      position(vertices[6 * face + 2])) + position(vertices[6 * face + 5]);
    return sum * 0.25f;
}

Vec3 voxelCentre(const ChunkKey& key, std::uint32_t i, std::uint32_t r, std::uint32_t j) {
    const std::uint32_t radius = 32 * key.shell + r;
    const Vec3 mid = (gridCorner(key, radius, i, j, 1.0f) + gridCorner(key, radius, i + 1, j + 1, 1.0f)) * 0.5f;
    return mid * ((static_cast<float>(radius) + 0.5f) / length(mid));
}

// In air of either zero: -0.0 is not solid.
TEST(MesherTest, OneSolidVoxelGivesSixFacesInSideOrder) {
    const ChunkKey key{7, 12, 8, 1};
    const std::uint32_t radius = 32 * 12 + 10;
    const float texcoords[6][2] = {{0, 0}, {1, 0}, {1, 1}, {0, 0}, {1, 1}, {0, 1}};
    const float colour[4] = {10.0f * 0.003921569f, 200.0f * 0.003921569f, 255.0f * 0.003921569f, 1.0f};
    const Vec3 centre = voxelCentre(key, 5, 10, 7);
    for (const float airDensity : {0.0f, -0.0f}) {
        SCOPED_TRACE(::testing::Message() << "air density " << airDensity);
        auto chunk = makeChunk(key, airDensity);
        chunk->voxel(5, 10, 7) = Voxel{solidDensity, {10, 200, 255}};
        ColumnDirectionCache cache;
        MesherOutput output;
        const KeptFaces faces = facesWith(Mesher::Fast, *chunk, nullptr, cache, output);
        EXPECT_EQ(faces.sides, std::vector<Direction>(std::begin(allDirections), std::end(allDirections)));
        const std::vector<ChunkVertex> vertices = triangleList(faces.faces());
        ASSERT_EQ(vertices.size(), 36u);
        for (const Direction side : allDirections) {
            SCOPED_TRACE(::testing::Message() << "side " << int{side});
            const Vec3 n = normal(vertices[6 * side]);
            EXPECT_NEAR(length(n), 1.0f, 1e-5f);
            EXPECT_GT(dot3(n, faceCentroid(vertices, side) - centre), 0.0f);  // out of the voxel
            unsigned cornersUsed = 0;
            for (int k = 0; k < 6; ++k) {
                const ChunkVertex& v = vertices[6 * side + k];
                // Each vertex is one of the voxel's eight corners (di, dj, outer),
                // one on the side it faces.
                for (std::uint32_t c = 0; c < 8; ++c) {
                    const std::uint32_t di = c & 1u, dj = (c >> 1) & 1u, outer = c >> 2;
                    const Vec3 corner = gridCorner(key, radius, 5 + di, 7 + dj, static_cast<float>(radius + outer));
                    if (length(position(v) - corner) > cornerTolerance) continue;
                    const std::uint32_t onSide[6] = {dj, outer, 1 - dj, 1 - outer, 1 - di, di};
                    EXPECT_EQ(onSide[side], 1u) << "vertex " << k;
                    cornersUsed |= 1u << c;
                }
                EXPECT_TRUE(test::sameBits(normal(v), n));
                EXPECT_EQ(v.texcoord[0], texcoords[k][0]);
                EXPECT_EQ(v.texcoord[1], texcoords[k][1]);
                for (int channel = 0; channel < 4; ++channel) EXPECT_EQ(v.color[channel], colour[channel]);
            }
            EXPECT_EQ(std::popcount(cornersUsed), 4);
        }
    }
}

TEST(MesherTest, OutwardSideBelowALevelStepIsDrawnWithoutLooking) {
    // Shell 10: layer 4 (radius 324) has 16 columns, layer 5 has 32.
    const ChunkKey key{3, 10, 5, 2};
    auto chunk = makeChunk(key, solidDensity);
    for (Chunk*& neighbour : chunk->neighbours) neighbour = chunk.get();  // solid all round
    const std::vector<ChunkVertex> vertices = meshWith(Mesher::Fast, *chunk);
    // All solid, yet each of the 16 x 16 voxels of layer 4 shows its outward
    // side, and nothing else shows.
    ASSERT_EQ(vertices.size(), 6u * 256u);
    for (const ChunkVertex& v : vertices) EXPECT_NEAR(length(position(v)), 325.0f, 1e-3f);
    // Faces come i-major: face 2 * 16 + 3 is voxel (2, 4, 3), and its outward
    // side covers the fine voxels (4..5, 5, 6..7) above it exactly.
    const std::size_t face = 2 * 16 + 3;
    expectNear(position(vertices[6 * face]), gridCorner(key, 325, 4, 6, 325.0f), cornerTolerance);
    expectNear(position(vertices[6 * face + 2]), gridCorner(key, 325, 6, 8, 325.0f), cornerTolerance);
}

TEST(MesherTest, CollapsedFacesGetSoundNormals) {
    // The centre voxel's sides: its -j and +i sides have c0 = c1, its inward
    // side has every corner at the origin.
    const Vec3 collapsed{0.0f, 0.0f, -1.0f}, up{0.0f, 0.0f, 1.0f};
    const Direction side = Direction::Inward;
    EXPECT_EQ(faceNormal({{0, 0, 0}, {2, 0, 0}, {2, 3, 0}, {0, 3, 0}, {}, side}, collapsed), up);
    EXPECT_EQ(faceNormal({{0, 0, 0}, {0, 0, 0}, {2, 3, 0}, {0, 3, 0}, {}, side}, collapsed), up);  // the diagonals
    EXPECT_EQ(faceNormal({{1, 1, 1}, {1, 1, 1}, {1, 1, 1}, {1, 1, 1}, {}, side}, collapsed), collapsed);
}

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

// Reads inside a chunk of one grid are left to mesher_equality_test.cpp: the
// reference mesher makes them for every side, the fast one reads masks.
const Lookup lookups[] = {
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

TEST(NeighbourVoxelTest, ReadsTheVoxelWhereverItLies) {
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
        EXPECT_TRUE(test::sameBits(chunk->neighbourVoxel(lookup.i, lookup.r, lookup.j, lookup.side), marker));
        chunk->fineNeighbours = nullptr;
    }
}

}  // namespace
}  // namespace gravelkin::test
