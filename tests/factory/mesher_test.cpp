// What the mesh looks like (the fast mesher; mesher_equality_test.cpp holds
// the reference to it), and what the mesh job does with it.
#include <cmath>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "factory/factory_jobs.h"
#include "factory/mesh_upload.h"
#include "geometry/face_mapping.h"
#include "factory/neighbour_voxel.h"
#include "geometry/level_table.h"
#include "render/device/null_graphics_device.h"
#include "tests/factory/mesh_test_support.h"
#include "tests/support/comparisons.h"

namespace gravelkin::test {
namespace {

using testing::expectNear;

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

std::vector<ChunkVertex> fastMesh(Chunk& chunk, const FineNeighbourMap* fine = nullptr) {
    return meshWith(Mesher::Fast, chunk, fine).vertices;
}

TEST(Mesher, OneSolidVoxelGivesSixFacesInSideOrder) {
    // Corner (di, dj, outer) of each side's four, written out apart from the
    // mesher's corner table; vertex k of a face repeats corner cornerOf[k].
    constexpr std::uint32_t corners[6][4][3] = {
        {{0, 1, 1}, {1, 1, 1}, {1, 1, 0}, {0, 1, 0}}, {{0, 0, 1}, {1, 0, 1}, {1, 1, 1}, {0, 1, 1}},
        {{0, 0, 0}, {1, 0, 0}, {1, 0, 1}, {0, 0, 1}}, {{0, 1, 0}, {1, 1, 0}, {1, 0, 0}, {0, 0, 0}},
        {{0, 0, 1}, {0, 1, 1}, {0, 1, 0}, {0, 0, 0}}, {{1, 0, 0}, {1, 1, 0}, {1, 1, 1}, {1, 0, 1}}};
    constexpr int cornerOf[6] = {0, 1, 2, 0, 2, 3};
    const float texcoords[6][2] = {{0, 0}, {1, 0}, {1, 1}, {0, 0}, {1, 1}, {0, 1}};
    const ChunkKey key{7, 12, 8, 1};
    const std::uint32_t radius = 32 * 12 + 10;
    auto chunk = makeChunk(key);
    chunk->voxel(5, 10, 7) = Voxel{solidDensity, {10, 200, 255}};

    const std::vector<ChunkVertex> vertices = fastMesh(*chunk);

    ASSERT_EQ(vertices.size(), 36u);
    const Vec3 centre = voxelCentre(key, 5, 10, 7);
    for (int face = 0; face < 6; ++face) {
        SCOPED_TRACE(::testing::Message() << "face " << face);
        const Vec3 n = normal(vertices[6 * face]);
        EXPECT_NEAR(length(n), 1.0f, 1e-5f);
        EXPECT_GT(dot3(n, faceCentroid(vertices, face) - centre), 0.0f);  // out of the voxel
        for (int k = 0; k < 6; ++k) {
            const ChunkVertex& v = vertices[6 * face + k];
            const std::uint32_t* c = corners[face][cornerOf[k]];
            expectNear(position(v), gridCorner(key, radius, 5 + c[0], 7 + c[1], static_cast<float>(radius + c[2])),
                       cornerTolerance);
            EXPECT_TRUE(testing::sameBits(normal(v), n));
            EXPECT_EQ(v.texcoord[0], texcoords[k][0]);
            EXPECT_EQ(v.texcoord[1], texcoords[k][1]);
            const float colour[4] = {10.0f * 0.003921569f, 200.0f * 0.003921569f, 255.0f * 0.003921569f, 1.0f};
            for (int channel = 0; channel < 4; ++channel) EXPECT_EQ(v.color[channel], colour[channel]);
        }
    }
}

TEST(Mesher, AirOfDensityZeroShowsTheSidesAroundIt) {
    for (const float airDensity : {0.0f, -0.0f}) {
        const ChunkKey key{7, 12, 8, 1};
        auto chunk = makeChunk(key, solidDensity);
        auto rock = makeChunk({0, 0, 0, 0}, solidDensity);
        for (Chunk*& neighbour : chunk->neighbours) neighbour = rock.get();
        chunk->voxel(5, 10, 7).density = airDensity;

        const std::vector<ChunkVertex> vertices = fastMesh(*chunk);

        // The six voxels around the air voxel each show the side facing it.
        ASSERT_EQ(vertices.size(), 36u) << "air density " << airDensity;
        const Vec3 air = voxelCentre(key, 5, 10, 7);
        for (std::size_t face = 0; face < 6; ++face) {
            EXPECT_LT(length(faceCentroid(vertices, face) - air), 1.5f);
            EXPECT_LT(dot3(normal(vertices[6 * face]), faceCentroid(vertices, face) - air), 0.0f);
        }
    }
}

TEST(Mesher, OutwardSideBelowALevelStepIsDrawnWithoutLooking) {
    // Shell 10: layer 4 (radius 324) has 16 columns, layer 5 has 32.
    const ChunkKey key{3, 10, 5, 2};
    auto chunk = makeChunk(key, solidDensity);
    auto rock = makeChunk({0, 0, 0, 0}, solidDensity);
    for (Chunk*& neighbour : chunk->neighbours) neighbour = rock.get();

    const std::vector<ChunkVertex> vertices = fastMesh(*chunk);

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

TEST(Mesher, NeighbourAcrossACubeFaceEdgeDecidesTheSide) {
    // +x from (15, 12, 3, face 0) is (0, 12, 3, face 4): voxel (31, r, 7)
    // meets voxel (0, r, 7) there.
    const ChunkKey key{15, 12, 3, 0};
    const ChunkKey acrossKey{0, 12, 3, 4};
    const std::uint32_t radius = 32 * 12 + 10;
    for (const bool acrossIsAir : {true, false}) {
        auto chunk = makeChunk(key);
        chunk->voxel(31, 10, 7).density = solidDensity;
        auto across = makeChunk(acrossKey, acrossIsAir ? solidDensity : 0.0f);
        across->voxel(0, 10, 7).density = acrossIsAir ? 0.0f : solidDensity;
        chunk->neighbours[Direction::PlusX] = across.get();

        const std::vector<ChunkVertex> vertices = fastMesh(*chunk);

        ASSERT_EQ(vertices.size(), acrossIsAir ? 36u : 30u);
        if (!acrossIsAir) continue;
        // The +i side comes last and lies on the -i side of the voxel across.
        const auto r0 = static_cast<float>(radius);
        const auto r1 = static_cast<float>(radius + 1);
        expectNear(position(vertices[30]), gridCorner(acrossKey, radius, 0, 7, r0), cornerTolerance);
        expectNear(position(vertices[31]), gridCorner(acrossKey, radius, 0, 8, r0), cornerTolerance);
        expectNear(position(vertices[32]), gridCorner(acrossKey, radius, 0, 8, r1), cornerTolerance);
        expectNear(position(vertices[35]), gridCorner(acrossKey, radius, 0, 7, r1), cornerTolerance);
    }
}

// Outward from (3, 9, 5, face 2) lie the four chunks (6..7, 10, 10..11,
// face 2), each under a quarter of its top layer. One solid voxel under each,
// and only the one finer voxel above it is air, so that a wrong chunk or
// index reads solid and hides the side.
class FineNeighbours : public ::testing::Test {
protected:
    struct Case {
        std::uint32_t i, j;    // the solid voxel, on layer 31
        ChunkKey holder;       // the finer chunk above it
        std::uint32_t fi, fj;  // the voxel above it, on the holder's layer 0
    };
    static constexpr Case cases[4] = {{4, 4, {6, 10, 10, 2}, 4, 4},
                                      {21, 6, {7, 10, 10, 2}, 5, 6},
                                      {8, 19, {6, 10, 11, 2}, 8, 3},
                                      {30, 31, {7, 10, 11, 2}, 14, 15}};

    void SetUp() override {
        for (Chunk*& neighbour : chunk->neighbours) neighbour = air.get();
        chunk->neighbours[Direction::Outward] = nullptr;
        for (const Case& c : cases) {
            chunk->voxel(c.i, 31, c.j).density = solidDensity;
            auto finer = makeChunk(c.holder, solidDensity);
            finer->voxel(c.fi, 0, c.fj).density = 0.0f;
            fine.emplace(c.holder, finer);
        }
    }

    std::shared_ptr<Chunk> chunk = makeChunk({3, 9, 5, 2});
    std::shared_ptr<Chunk> air = makeChunk({0, 0, 0, 0});
    FineNeighbourMap fine;
};

TEST_F(FineNeighbours, OutwardSidesOfTheTopLayerAreReadFromTheFourFinerChunks) {
    const std::vector<ChunkVertex> vertices = fastMesh(*chunk, &fine);
    ASSERT_EQ(vertices.size(), 6u * 24u);
    for (std::size_t face = 1; face < 24; face += 6) {
        const Vec3 c = faceCentroid(vertices, face);
        EXPECT_GT(dot3(normal(vertices[6 * face]), c * (1.0f / length(c))), 0.99f) << "face " << face;
    }

    for (const Case& c : cases) fine.at(c.holder)->voxel(c.fi, 0, c.fj).density = solidDensity;
    EXPECT_EQ(fastMesh(*chunk, &fine).size(), 6u * 20u);
}

TEST_F(FineNeighbours, AMissingHoldingChunkRaisesOutOfRange) {
    fine.erase(cases[3].holder);
    try {
        fastMesh(*chunk, &fine);
        FAIL() << "expected std::out_of_range";
    } catch (const std::out_of_range& error) {
        EXPECT_STREQ(error.what(), missingHoldingChunkText);
    }
}

TEST(Mesher, CentreVoxelSidesGetSoundNormals) {
    // The voxel at radius 0: its inward side has all four corners at the
    // origin, its -j and +i sides two.
    auto chunk = makeChunk({0, 0, 0, 3});
    chunk->voxel(0, 0, 0).density = solidDensity;
    auto air = makeChunk({0, 0, 0, 0});
    for (Chunk*& neighbour : chunk->neighbours) neighbour = air.get();

    const std::vector<ChunkVertex> vertices = fastMesh(*chunk);

    ASSERT_EQ(vertices.size(), 36u);
    for (const ChunkVertex& v : vertices) EXPECT_NEAR(length(normal(v)), 1.0f, 1e-5f);
    // Inward: minus face 3's outward axis (-y).
    EXPECT_EQ(normal(vertices[6 * Direction::Inward]), (Vec3{0.0f, 1.0f, 0.0f}));
    // Every side faces away from the inside of the voxel, a pyramid from the
    // origin to its outer side at y = -1/sqrt(3).
    const Vec3 inside{0.0f, -0.3f, 0.0f};
    for (std::size_t face = 0; face < 6; ++face) {
        EXPECT_GT(dot3(normal(vertices[6 * face]), faceCentroid(vertices, face) - inside), 0.0f) << "face " << face;
    }
}

TEST(MeshJob, PublishesTheMeshOrNothing) {
    const FineNeighbourMap none;
    ColumnDirectionCache cache;
    NullGraphicsDevice device;
    auto chunk = makeChunk({7, 12, 8, 1});
    chunk->voxel(5, 10, 7).density = solidDensity;
    auto sealed = makeChunk({7, 12, 8, 1}, solidDensity);
    for (Chunk*& neighbour : sealed->neighbours) neighbour = sealed.get();

    meshGathered(*chunk, none, cache, device);
    meshGathered(*sealed, none, cache, device);

    ASSERT_NE(chunk->vertexBuffer, nullptr);
    EXPECT_EQ(chunk->vertexCount.load(), 36u);
    EXPECT_TRUE(testing::sameBits(static_cast<const NullVertexBuffer*>(chunk->vertexBuffer)->vertices(),
                                  meshWith(Mesher::Fast, *chunk).vertices));
    EXPECT_EQ(sealed->vertexBuffer, nullptr);  // no face, no buffer
    EXPECT_EQ(sealed->vertexCount.load(), 0u);
    EXPECT_EQ(device.createdBuffers(), 1);
    for (const Chunk* meshed : {chunk.get(), sealed.get()}) {
        EXPECT_FALSE(meshed->meshPending.load());
        EXPECT_EQ(meshed->fineNeighbours, nullptr);
    }
}

TEST(MeshJob, FailedBufferCreationLeavesNothingToDrawAndIsReportedOnce) {
    const bool reportedBefore = bufferFailureReported();
    const FineNeighbourMap none;
    ColumnDirectionCache cache;
    NullGraphicsDevice device;
    device.setFailCreation(true);
    std::string reports[2];
    for (std::string& report : reports) {
        auto chunk = makeChunk({7, 12, 8, 1});
        chunk->voxel(5, 10, 7).density = solidDensity;
        ::testing::internal::CaptureStderr();
        meshGathered(*chunk, none, cache, device);
        report = ::testing::internal::GetCapturedStderr();
        EXPECT_EQ(chunk->vertexBuffer, nullptr);
        EXPECT_EQ(chunk->vertexCount.load(), 0u);
        EXPECT_FALSE(chunk->meshPending.load());  // not retried
    }
    EXPECT_EQ(device.liveBuffers(), 0);
    EXPECT_TRUE(bufferFailureReported());
    // One line, once per process, then silent.
    if (!reportedBefore) {
        EXPECT_NE(reports[0].find("could not create a vertex buffer"), std::string::npos) << reports[0];
        EXPECT_EQ(reports[0].find('\n'), reports[0].size() - 1) << reports[0];
    } else {
        EXPECT_EQ(reports[0], "");
    }
    EXPECT_EQ(reports[1], "");
}

}  // namespace
}  // namespace gravelkin::test
