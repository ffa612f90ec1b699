#include <cmath>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "factory/chunk.h"
#include "factory/face_record.h"
#include "factory/mesh_upload.h"
#include "geometry/level_table.h"
#include "render/device/null_graphics_device.h"
#include "tests/factory/mesh_test_support.h"

namespace gravelkin::test {
namespace {

// One corner of the corner table: column corner (i + da, j + db) at radius
// R + outer.
struct TableCorner {
    std::uint32_t da, db, outer;
};

// The corner table, side by side with the mesher's, written out independently.
constexpr TableCorner cornerTable[6][4] = {
    {{0, 1, 1}, {1, 1, 1}, {1, 1, 0}, {0, 1, 0}},  // +j
    {{0, 0, 1}, {1, 0, 1}, {1, 1, 1}, {0, 1, 1}},  // outward
    {{0, 0, 0}, {1, 0, 0}, {1, 0, 1}, {0, 0, 1}},  // -j
    {{0, 1, 0}, {1, 1, 0}, {1, 0, 0}, {0, 0, 0}},  // inward
    {{0, 0, 1}, {0, 1, 1}, {0, 1, 0}, {0, 0, 0}},  // -i
    {{1, 0, 0}, {1, 1, 0}, {1, 1, 1}, {1, 0, 1}},  // +i
};

// Vertex k of a face repeats corner cornerOfVertex[k].
constexpr int cornerOfVertex[6] = {0, 1, 2, 0, 2, 3};

Vec3 expectedCorner(const ChunkKey& key, std::uint32_t i, std::uint32_t r, std::uint32_t j, int direction,
                    int corner) {
    const std::uint32_t radius = 32 * key.shell + r;
    const TableCorner& c = cornerTable[direction][corner];
    return gridCorner(key, radius, i + c.da, j + c.db, static_cast<float>(radius + c.outer));
}

Vec3 faceCentroid(const std::vector<ChunkVertex>& vertices, std::size_t face) {
    const Vec3 sum = ((position(vertices[6 * face]) + position(vertices[6 * face + 1])) +
                      position(vertices[6 * face + 2])) +
                     position(vertices[6 * face + 5]);
    return sum * 0.25f;
}

Vec3 voxelCentre(const ChunkKey& key, std::uint32_t i, std::uint32_t r, std::uint32_t j) {
    const std::uint32_t radius = 32 * key.shell + r;
    // The centre of the voxel's column at the middle of its layer.
    const Vec3 a = gridCorner(key, radius, i, j, 1.0f);
    const Vec3 b = gridCorner(key, radius, i + 1, j + 1, 1.0f);
    const Vec3 mid = (a + b) * 0.5f;
    return mid * ((static_cast<float>(radius) + 0.5f) / length(mid));
}

std::size_t faceCount(const Chunk& chunk) { return chunk.vertexCount.load() / 6; }

TEST(Mesher, SingleSolidVoxelGivesSixFacesInDirectionOrder) {
    const ChunkKey key{7, 12, 8, 1};
    auto chunk = makeChunk(key);
    chunk->voxel(5, 10, 7).density = solidDensity;
    NullGraphicsDevice device;

    meshChunk(*chunk, device);

    ASSERT_NE(chunk->vertexBuffer, nullptr);
    EXPECT_EQ(chunk->vertexCount.load(), 36u);
    EXPECT_FALSE(chunk->meshPending.load());
    EXPECT_EQ(device.createdBuffers(), 1);
    const auto& vertices = meshVertices(*chunk);
    ASSERT_EQ(vertices.size(), 36u);
    for (int direction = 0; direction < 6; ++direction) {
        for (int k = 0; k < 6; ++k) {
            const Vec3 expected = expectedCorner(key, 5, 10, 7, direction, cornerOfVertex[k]);
            EXPECT_VEC3_NEAR(position(vertices[6 * direction + k]), expected, cornerTolerance)
                << "direction " << direction << " vertex " << k;
        }
    }
}

TEST(Mesher, NormalsTextureCoordinatesAndColours) {
    const ChunkKey key{7, 12, 8, 1};
    auto chunk = makeChunk(key);
    Voxel& solid = chunk->voxel(5, 10, 7);
    solid.density = solidDensity;
    solid.colour[0] = 10;
    solid.colour[1] = 200;
    solid.colour[2] = 255;
    NullGraphicsDevice device;

    meshChunk(*chunk, device);

    const auto& vertices = meshVertices(*chunk);
    ASSERT_EQ(vertices.size(), 36u);
    const float texcoords[6][2] = {{0, 0}, {1, 0}, {1, 1}, {0, 0}, {1, 1}, {0, 1}};
    const Vec3 centre = voxelCentre(key, 5, 10, 7);
    for (std::size_t face = 0; face < 6; ++face) {
        const Vec3 c0 = position(vertices[6 * face]);
        const Vec3 c1 = position(vertices[6 * face + 1]);
        const Vec3 c3 = position(vertices[6 * face + 5]);
        const Vec3 n = cross3(c1 - c0, c3 - c0);
        const float inverse = 1.0f / std::sqrt(dot3(n, n));
        const Vec3 expectedNormal{n.x * inverse, n.y * inverse, n.z * inverse};
        for (std::size_t k = 0; k < 6; ++k) {
            const ChunkVertex& v = vertices[6 * face + k];
            EXPECT_FLOAT_EQ(v.normal[0], expectedNormal.x);
            EXPECT_FLOAT_EQ(v.normal[1], expectedNormal.y);
            EXPECT_FLOAT_EQ(v.normal[2], expectedNormal.z);
            EXPECT_EQ(v.texcoord[0], texcoords[k][0]) << "face " << face << " vertex " << k;
            EXPECT_EQ(v.texcoord[1], texcoords[k][1]) << "face " << face << " vertex " << k;
            EXPECT_EQ(v.color[0], 10.0f * 0.003921569f);
            EXPECT_EQ(v.color[1], 200.0f * 0.003921569f);
            EXPECT_EQ(v.color[2], 255.0f * 0.003921569f);
            EXPECT_EQ(v.color[3], 1.0f);
        }
        EXPECT_NEAR(length(normal(vertices[6 * face])), 1.0f, 1e-5f);
        // Every normal points out of the voxel.
        EXPECT_GT(dot3(normal(vertices[6 * face]), faceCentroid(vertices, face) - centre), 0.0f) << "face " << face;
    }
}

TEST(Mesher, VoxelNextToDensityZeroGetsAFace) {
    for (const float airDensity : {0.0f, -0.0f}) {
        const ChunkKey key{7, 12, 8, 1};
        auto chunk = makeChunk(key, solidDensity);
        auto solidNeighbour = makeChunk({0, 0, 0, 0}, solidDensity);
        setAllNeighbours(*chunk, solidNeighbour.get());
        chunk->voxel(5, 10, 7).density = airDensity;
        NullGraphicsDevice device;

        meshChunk(*chunk, device);

        // The six voxels around the air voxel each show one side towards it.
        ASSERT_EQ(faceCount(*chunk), 6u) << "air density " << airDensity;
        const auto& vertices = meshVertices(*chunk);
        const Vec3 air = voxelCentre(key, 5, 10, 7);
        for (std::size_t face = 0; face < 6; ++face) {
            EXPECT_LT(distance(faceCentroid(vertices, face), air), 1.5f);
            // ...and each of those sides faces the air voxel.
            EXPECT_LT(dot3(normal(vertices[6 * face]), faceCentroid(vertices, face) - air), 0.0f);
        }
    }
}

TEST(Mesher, SealedChunkYieldsNoBufferAndClearsMeshPending) {
    auto chunk = makeChunk({7, 12, 8, 1}, solidDensity);
    auto solidNeighbour = makeChunk({0, 0, 0, 0}, solidDensity);
    setAllNeighbours(*chunk, solidNeighbour.get());
    NullGraphicsDevice device;
    ASSERT_TRUE(chunk->meshPending.load());

    meshChunk(*chunk, device);

    EXPECT_EQ(chunk->vertexBuffer, nullptr);
    EXPECT_EQ(chunk->vertexCount.load(), 0u);
    EXPECT_FALSE(chunk->meshPending.load());
    EXPECT_EQ(device.createdBuffers(), 0);
}

TEST(Mesher, OutwardSideBelowALevelStepIsDrawnWithoutLooking) {
    // Shell 10 (radii 320..351): the level rises at radius 325, so layer 4
    // (radius 324) has 16 columns and layer 5 has 32.
    const ChunkKey key{3, 10, 5, 2};
    ASSERT_EQ(columnsPerChunk(324), 16u);
    ASSERT_EQ(columnsPerChunk(325), 32u);
    auto chunk = makeChunk(key, solidDensity);
    ASSERT_TRUE(chunk->levelStepInShell);
    auto solidNeighbour = makeChunk({0, 0, 0, 0}, solidDensity);
    setAllNeighbours(*chunk, solidNeighbour.get());
    NullGraphicsDevice device;

    meshChunk(*chunk, device);

    // Everything is solid, yet each of the 16 x 16 voxels of layer 4 shows its
    // outward side; no other side anywhere is visible.
    ASSERT_EQ(faceCount(*chunk), 256u);
    const auto& vertices = meshVertices(*chunk);
    for (const ChunkVertex& v : vertices) EXPECT_NEAR(length(position(v)), 325.0f, 1e-3f);
    // Faces come i-major: face 2 * 16 + 3 is voxel (2, 4, 3). Its outward side
    // covers the fine voxels (4..5, 5, 6..7) above it exactly.
    const std::size_t face = 2 * 16 + 3;
    EXPECT_VEC3_NEAR(position(vertices[6 * face]), expectedCorner(key, 2, 4, 3, 1, 0), cornerTolerance);
    EXPECT_VEC3_NEAR(position(vertices[6 * face]), gridCorner(key, 325, 4, 6, 325.0f), cornerTolerance);
    EXPECT_VEC3_NEAR(position(vertices[6 * face + 2]), gridCorner(key, 325, 6, 8, 325.0f), cornerTolerance);
}

TEST(Mesher, NeighbourAcrossACubeFaceEdgeDecidesTheSide) {
    // In shell 12 (16 chunks per side), +x from (15, 12, 3, face 0) is
    // (0, 12, 3, face 4); voxel (31, r, 7) meets voxel (0, r, 7) there.
    const ChunkKey key{15, 12, 3, 0};
    const ChunkKey acrossKey{0, 12, 3, 4};
    for (const bool acrossIsAir : {true, false}) {
        auto chunk = makeChunk(key);
        chunk->voxel(31, 10, 7).density = solidDensity;
        auto across = makeChunk(acrossKey, acrossIsAir ? solidDensity : 0.0f);
        across->voxel(0, 10, 7).density = acrossIsAir ? 0.0f : solidDensity;
        chunk->neighbours[5] = across.get();
        NullGraphicsDevice device;

        meshChunk(*chunk, device);

        const auto& vertices = meshVertices(*chunk);
        if (!acrossIsAir) {
            EXPECT_EQ(faceCount(*chunk), 5u);
            continue;
        }
        ASSERT_EQ(faceCount(*chunk), 6u);
        // The +i side is last and lies on the other face's -i side of the voxel.
        const std::uint32_t radius = 32 * 12 + 10;
        const auto r0 = static_cast<float>(radius);
        const auto r1 = static_cast<float>(radius + 1);
        EXPECT_VEC3_NEAR(position(vertices[30]), gridCorner(acrossKey, radius, 0, 7, r0), cornerTolerance);
        EXPECT_VEC3_NEAR(position(vertices[31]), gridCorner(acrossKey, radius, 0, 8, r0), cornerTolerance);
        EXPECT_VEC3_NEAR(position(vertices[32]), gridCorner(acrossKey, radius, 0, 8, r1), cornerTolerance);
        EXPECT_VEC3_NEAR(position(vertices[35]), gridCorner(acrossKey, radius, 0, 7, r1), cornerTolerance);
    }
}

// Shell 9 has 8 chunks per side and shell 10 has 16: outward from
// (3, 9, 5, face 2) lie the four chunks (6..7, 10, 10..11, face 2), each under
// a quarter of the outer layer (16 x 16 columns at radius 320).
struct FineNeighbourCase {
    std::uint32_t i, j;      // solid voxel on layer 31 of the shell-9 chunk
    ChunkKey holder;         // fine chunk above it
    std::uint32_t fi, fj;    // the voxel above it, on that chunk's layer 0
};

const FineNeighbourCase fineCases[4] = {
    {4, 4, {6, 10, 10, 2}, 4, 4},
    {21, 6, {7, 10, 10, 2}, 5, 6},
    {8, 19, {6, 10, 11, 2}, 8, 3},
    {30, 31, {7, 10, 11, 2}, 14, 15},
};

class FineNeighbours : public ::testing::Test {
protected:
    void SetUp() override {
        chunk = makeChunk(key);
        air = makeChunk({0, 0, 0, 0});
        setAllNeighbours(*chunk, air.get());
        chunk->neighbours[1] = nullptr;
        for (const FineNeighbourCase& c : fineCases) {
            chunk->voxel(c.i, 31, c.j).density = solidDensity;
            // Only the one voxel above the solid voxel is air, so a wrong chunk
            // or a wrong index reads solid and hides the side.
            auto fine = makeChunk(c.holder, solidDensity);
            fine->voxel(c.fi, 0, c.fj).density = 0.0f;
            fineMap.emplace(c.holder, fine);
        }
        chunk->fineNeighbours = &fineMap;
    }

    const ChunkKey key{3, 9, 5, 2};
    std::shared_ptr<Chunk> chunk;
    std::shared_ptr<Chunk> air;
    FineNeighbourMap fineMap;
    NullGraphicsDevice device;
};

TEST_F(FineNeighbours, OutwardSidesOnTheTopLayerAreReadFromTheFourFinerChunks) {
    ASSERT_EQ(chunksPerSide(9), 8);
    ASSERT_EQ(chunksPerSide(10), 16);
    ASSERT_FALSE(chunk->levelStepInShell);

    meshChunk(*chunk, device);

    // Four isolated voxels, six sides each: the outward ones only because the
    // right finer voxel is air.
    ASSERT_EQ(faceCount(*chunk), 24u);
    const auto& vertices = meshVertices(*chunk);
    for (std::size_t face = 1; face < 24; face += 6) {
        const Vec3 n = normal(vertices[6 * face]);
        const Vec3 c = faceCentroid(vertices, face);
        EXPECT_GT(dot3(n, c * (1.0f / length(c))), 0.99f) << "face " << face << " is not outward";
    }
}

TEST_F(FineNeighbours, SolidFinerVoxelsHideTheOutwardSides) {
    for (const FineNeighbourCase& c : fineCases) fineMap.at(c.holder)->voxel(c.fi, 0, c.fj).density = solidDensity;

    meshChunk(*chunk, device);

    EXPECT_EQ(faceCount(*chunk), 20u);
}

TEST_F(FineNeighbours, AMissingHoldingChunkRaisesOutOfRange) {
    fineMap.erase(fineCases[3].holder);
    try {
        meshChunk(*chunk, device);
        FAIL() << "expected std::out_of_range";
    } catch (const std::out_of_range& error) {
        EXPECT_STREQ(error.what(), "invalid unordered_map<K, T> key");
    }
}

TEST(Mesher, FailedBufferCreationLeavesNothingToDraw) {
    const bool reportedBefore = bufferFailureReported();
    NullGraphicsDevice device;
    device.setFailCreation(true);
    auto first = makeChunk({7, 12, 8, 1});
    first->voxel(5, 10, 7).density = solidDensity;
    auto second = makeChunk({6, 12, 8, 1});
    second->voxel(1, 1, 1).density = solidDensity;

    ::testing::internal::CaptureStderr();
    meshChunk(*first, device);
    const std::string firstReport = ::testing::internal::GetCapturedStderr();
    ::testing::internal::CaptureStderr();
    meshChunk(*second, device);
    const std::string secondReport = ::testing::internal::GetCapturedStderr();

    for (const Chunk* chunk : {first.get(), second.get()}) {
        EXPECT_EQ(chunk->vertexBuffer, nullptr);
        EXPECT_EQ(chunk->vertexCount.load(), 0u);
        EXPECT_FALSE(chunk->meshPending.load());
    }
    EXPECT_EQ(device.liveBuffers(), 0);
    EXPECT_TRUE(bufferFailureReported());
    // Reported once per process, then silent.
    if (!reportedBefore) {
        EXPECT_NE(firstReport.find("could not create a vertex buffer"), std::string::npos) << firstReport;
        EXPECT_EQ(firstReport.find('\n'), firstReport.size() - 1) << "one line expected: " << firstReport;
    } else {
        EXPECT_EQ(firstReport, "");
    }
    EXPECT_EQ(secondReport, "");
}

TEST(Mesher, CentreVoxelSidesGetSoundNormals) {
    // The voxel at radius 0 of a shell-0 chunk: its inward side has all four
    // corners at the origin, and its -j and +i sides have two.
    const ChunkKey key{0, 0, 0, 3};
    auto chunk = makeChunk(key);
    chunk->voxel(0, 0, 0).density = solidDensity;
    auto air = makeChunk({0, 0, 0, 0});
    setAllNeighbours(*chunk, air.get());
    NullGraphicsDevice device;

    meshChunk(*chunk, device);

    ASSERT_EQ(faceCount(*chunk), 6u);
    const auto& vertices = meshVertices(*chunk);
    for (const ChunkVertex& v : vertices) {
        for (const float component : v.normal) EXPECT_TRUE(std::isfinite(component));
        EXPECT_NEAR(length(normal(v)), 1.0f, 1e-5f);
    }
    // Inward: minus the direction of the single column, which spans face 3
    // (outward axis -y).
    const Vec3 inward = normal(vertices[6 * 3]);
    EXPECT_EQ(inward, (Vec3{0.0f, 1.0f, 0.0f}));
    // Every side faces away from the inside of the voxel, a pyramid from the
    // origin to the outer side at y = -1/sqrt(3); the partly collapsed -j and
    // +i sides included.
    const Vec3 inside{0.0f, -0.3f, 0.0f};
    for (std::size_t face = 0; face < 6; ++face) {
        EXPECT_GT(dot3(normal(vertices[6 * face]), faceCentroid(vertices, face) - inside), 0.0f) << "face " << face;
    }
}

}  // namespace
}  // namespace gravelkin::test
