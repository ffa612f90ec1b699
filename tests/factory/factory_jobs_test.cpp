// The factory's jobs, run one at a time on the test thread against a host of
// the test's own: a queue, a map and a camera position, with no planet.

#include <gtest/gtest.h>

#include <vector>

#include "factory/chunk_factory.h"
#include "factory/factory_jobs.h"
#include "geometry/level_table.h"
#include "geometry/neighbours.h"
#include "tests/support/distance_boundary.h"
#include "tests/support/test_chunks.h"
#include "tests/support/test_host.h"

namespace gravelkin {
namespace {

using testing::meshNeighbourKeys;
using testing::TestHost;

// The camera's chunk at the start position, on the surface of face 1.
const ChunkKey surfaceKey{8, 12, 8, 1};

struct Jobs {
    bool serve() { return serveOneRequest(factory, host, workspace); }

    TestHost host;
    ChunkFactory factory{};
    FactoryWorkspace workspace;
};

// An all-air chunk with one solid voxel: six faces once meshed.
std::unique_ptr<Chunk> oneSolidVoxel(const ChunkKey& key, std::uint32_t r = 5) {
    auto chunk = std::make_unique<Chunk>(key);
    chunk->voxel(5, r, 5).density = -1.0f;
    return chunk;
}

TEST(FactoryJobs, AGenerateJobBuildsPublishesAndClearsTheMark) {
    Jobs jobs;
    jobs.host.request(surfaceKey, RequestKind::Generate);
    ASSERT_TRUE(jobs.serve());
    EXPECT_FALSE(jobs.serve());  // nothing left
    EXPECT_EQ(jobs.host.chunks.count(surfaceKey), 1u);
    EXPECT_EQ(jobs.host.finished, std::vector<ChunkKey>{surfaceKey});
    EXPECT_EQ(jobs.host.activeJobs, 0);
}

TEST(FactoryJobs, AGenerateJobBuildsAtTheRadiusAndDropsJustBeyondIt) {
    Jobs jobs;
    const Vec3 centre = chunkCentre(surfaceKey);
    const testing::DistanceBoundary x = testing::boundaryAlongX(centre, jobs.host.radius * jobs.host.radius);
    const float within = x.within, beyond = x.beyond;

    jobs.host.camera = Vec3{beyond, centre.y, centre.z};
    jobs.host.request(surfaceKey, RequestKind::Generate);
    ASSERT_TRUE(jobs.serve());
    EXPECT_EQ(jobs.host.chunks.count(surfaceKey), 0u);
    EXPECT_EQ(jobs.host.finished.size(), 1u);

    jobs.host.camera = Vec3{within, centre.y, centre.z};
    jobs.host.request(surfaceKey, RequestKind::Generate);
    ASSERT_TRUE(jobs.serve());
    EXPECT_EQ(jobs.host.chunks.count(surfaceKey), 1u);
    EXPECT_EQ(jobs.host.finished.size(), 2u);
}

TEST(FactoryJobs, AMeshJobForAChunkNoLongerHeldOnlyClearsTheMark) {
    Jobs jobs;
    jobs.host.request(surfaceKey, RequestKind::Mesh);
    ASSERT_TRUE(jobs.serve());
    EXPECT_EQ(jobs.host.finished, std::vector<ChunkKey>{surfaceKey});
    EXPECT_TRUE(jobs.host.chunks.empty());
    EXPECT_EQ(jobs.host.nullDevice.createdBuffers(), 0);
}

TEST(FactoryJobs, AMeshJobWithANeighbourMissingLeavesTheChunkPending) {
    Jobs jobs;
    jobs.host.add(oneSolidVoxel(surfaceKey));
    const std::vector<ChunkKey> neighbours = meshNeighbourKeys(surfaceKey);
    for (std::size_t i = 0; i + 1 < neighbours.size(); ++i) jobs.host.add(std::make_unique<Chunk>(neighbours[i]));
    jobs.host.request(surfaceKey, RequestKind::Mesh);
    ASSERT_TRUE(jobs.serve());
    const std::shared_ptr<Chunk> chunk = jobs.host.findChunk(surfaceKey);
    EXPECT_TRUE(chunk->meshPending.load());
    EXPECT_EQ(chunk->vertexCount.load(), 0u);
    EXPECT_EQ(jobs.host.nullDevice.createdBuffers(), 0);
    EXPECT_EQ(jobs.host.finished.size(), 1u);
    // No pointer is left to the neighbours, which the job no longer keeps.
    for (const Chunk* neighbour : chunk->neighbours) EXPECT_EQ(neighbour, nullptr);
}

TEST(FactoryJobs, ASecondMeshRequestForAMeshedChunkIsHarmless) {
    Jobs jobs;
    jobs.host.add(oneSolidVoxel(surfaceKey));
    for (const ChunkKey& key : meshNeighbourKeys(surfaceKey)) jobs.host.add(std::make_unique<Chunk>(key));
    jobs.host.request(surfaceKey, RequestKind::Mesh);
    ASSERT_TRUE(jobs.serve());
    const std::shared_ptr<Chunk> chunk = jobs.host.findChunk(surfaceKey);
    ASSERT_FALSE(chunk->meshPending.load());
    EXPECT_EQ(chunk->vertexCount.load(), 36u);
    const VertexBuffer* buffer = chunk->vertexBuffer;

    jobs.host.request(surfaceKey, RequestKind::Mesh);
    ASSERT_TRUE(jobs.serve());
    EXPECT_EQ(jobs.host.nullDevice.createdBuffers(), 1);
    EXPECT_EQ(jobs.host.nullDevice.liveBuffers(), 1);
    EXPECT_EQ(chunk->vertexBuffer, buffer);
    EXPECT_EQ(chunk->vertexCount.load(), 36u);
    EXPECT_EQ(jobs.host.finished.size(), 2u);
}

TEST(FactoryJobs, AMeshJobAgainstAFinerShellHoldsTheFourFinerChunks) {
    // Shell 19 has 16 chunks per side, shell 20 has 32.
    ASSERT_EQ(chunksPerSide(19) * 2, chunksPerSide(20));
    const ChunkKey key{3, 19, 5, 2};
    Jobs jobs;
    // The solid voxel on the outermost layer: its outward side is looked up
    // among the finer chunks.
    jobs.host.add(oneSolidVoxel(key, 31));
    for (const ChunkKey& neighbour : meshNeighbourKeys(key)) jobs.host.add(std::make_unique<Chunk>(neighbour));
    jobs.host.request(key, RequestKind::Mesh);
    ASSERT_TRUE(jobs.serve());
    const std::shared_ptr<Chunk> chunk = jobs.host.findChunk(key);
    EXPECT_FALSE(chunk->meshPending.load());
    EXPECT_EQ(chunk->vertexCount.load(), 36u);
    EXPECT_EQ(chunk->neighbours[Outward], nullptr);
    EXPECT_EQ(chunk->fineNeighbours, nullptr);  // lent only while meshing
    const FineKeys fine = fineKeysFrom(ChunkKey{6, 20, 10, 2});
    ASSERT_EQ(jobs.workspace.fineNeighbours.size(), 4u);
    for (const ChunkKey& fineKey : fine.keys) {
        ASSERT_EQ(jobs.workspace.fineNeighbours.count(fineKey), 1u);
        EXPECT_EQ(jobs.workspace.fineNeighbours.at(fineKey), jobs.host.findChunk(fineKey));
    }
}

}  // namespace
}  // namespace gravelkin
