// The factory's jobs, run one at a time on the test thread against a host of
// the test's own: a queue, a map and a camera position, with no planet.

#include <gtest/gtest.h>

#include <atomic>
#include <utility>
#include <vector>

#include "factory/chunk_factory.h"
#include "factory/factory_jobs.h"
#include "factory/mesh_upload.h"
#include "voxel/voxel_block_memory.h"
#include "geometry/level_table.h"
#include "geometry/neighbours.h"
#include "tests/factory/mesher/mesh_test_support.h"
#include "tests/support/comparisons.h"
#include "tests/support/distance_boundary.h"
#include "tests/support/test_chunks.h"
#include "tests/support/test_host.h"

namespace gravelkin::test {
namespace {

// The camera's chunk at the start position, and one whose neighbours are none of its.
const ChunkKey surfaceKey{8, 12, 8, 1}, farKey{3, 12, 3, 4};

class FactoryJobsTest : public ::testing::Test {
protected:
    bool serve() { return serveOneRequest(factory, host, workspace); }

    // Publishes the chunk at `key`, all `fill` but one solid voxel on layer
    // `r` (six faces in air), and its neighbours, all `fill`, but the last
    // `missing`; then serves a mesh request for it.
    std::shared_ptr<Chunk> mesh(const ChunkKey& key, std::size_t missing = 0, std::uint32_t r = 5,
                                const Voxel& fill = constructionVoxel) {
        auto chunk = std::make_unique<Chunk>(key, fill);
        chunk->voxel(5, r, 5).density = solidDensity;
        host.add(std::move(chunk));
        const std::vector<ChunkKey> keys = test::meshNeighbourKeys(key);
        for (std::size_t k = 0; k + missing < keys.size(); ++k) host.add(std::make_unique<Chunk>(keys[k], fill));
        return remesh(key);
    }

    // Serves a mesh request for the chunk at `key`; returns the chunk held there.
    std::shared_ptr<Chunk> remesh(const ChunkKey& key) {
        host.request(key, RequestKind::Mesh);
        EXPECT_TRUE(serve());
        return host.findChunk(key);
    }

    TestHost host;
    ChunkFactory factory{};
    FactoryWorkspace workspace;
};

TEST_F(FactoryJobsTest, AGenerateJobBuildsAtTheRadiusDropsJustBeyondItAndClearsTheMark) {
    const Vec3 centre = chunkCentre(surfaceKey);
    const DistanceBoundary x = test::boundaryAlongX(centre, host.radius * host.radius);
    for (const float cameraX : {x.beyond, x.within}) {
        host.camera = Vec3{cameraX, centre.y, centre.z};
        host.request(surfaceKey, RequestKind::Generate);
        ASSERT_TRUE(serve());
        EXPECT_FALSE(serve());  // nothing left
        EXPECT_EQ(host.chunks.count(surfaceKey), cameraX == x.within ? 1u : 0u);
        EXPECT_EQ(host.activeJobs, 0);
    }
    EXPECT_EQ(host.finished, (std::vector<ChunkKey>{surfaceKey, surfaceKey}));
    // The dropped key ends without a chunk: the manager must look at it again.
    EXPECT_EQ(host.ends, (std::vector<JobEnd>{JobEnd::NoChunk, JobEnd::ChunkInMap}));

    // A second chunk for a published key is rejected: that too ends without one.
    host.request(surfaceKey, RequestKind::Generate);
    ASSERT_TRUE(serve());
    EXPECT_EQ(host.ends.back(), JobEnd::NoChunk);
}

TEST_F(FactoryJobsTest, AMeshJobPublishesTheMeshOnceOrNothing) {
    // A chunk no longer held: only the mark is cleared.
    EXPECT_EQ(remesh(surfaceKey), nullptr);
    EXPECT_TRUE(host.chunks.empty());
    EXPECT_EQ(host.nullDevice.createdBuffers(), 0);

    const std::shared_ptr<Chunk> chunk = mesh(surfaceKey);
    ASSERT_NE(chunk->vertexBuffer, nullptr);
    EXPECT_FALSE(chunk->meshPending.load());
    EXPECT_EQ(chunk->vertexCount.load(), 36u);
    // The direct neighbours stay wired after the job: the mesh can be taken again.
    const std::vector<ChunkVertex> drawn = static_cast<const NullVertexBuffer*>(chunk->vertexBuffer)->vertices();
    EXPECT_TRUE(test::sameBits(drawn, meshWith(Mesher::Fast, *chunk)));
    // The bounds are published with the mesh: the tightest box over its vertices.
    Box3 box;
    for (const ChunkVertex& v : drawn) includePoint(box, {v.position[0], v.position[1], v.position[2]});
    EXPECT_EQ(chunk->bounds.min, box.min);
    EXPECT_EQ(chunk->bounds.max, box.max);
    const VertexBuffer* buffer = chunk->vertexBuffer;
    // A second request for a meshed chunk is harmless.
    remesh(surfaceKey);
    EXPECT_EQ(chunk->vertexBuffer, buffer);
    EXPECT_EQ(chunk->vertexCount.load(), 36u);

    // All rock among rock: no face, no buffer.
    const Voxel rock{solidDensity, {1, 2, 3}};
    const std::shared_ptr<Chunk> sealed = mesh(farKey, 0, 5, rock);
    EXPECT_EQ(sealed->vertexBuffer, nullptr);
    EXPECT_EQ(sealed->vertexCount.load(), 0u);
    EXPECT_FALSE(sealed->meshPending.load());
    EXPECT_EQ(host.nullDevice.createdBuffers(), 1);
    EXPECT_EQ(host.nullDevice.liveBuffers(), 1);
    EXPECT_EQ(host.finished, (std::vector<ChunkKey>{surfaceKey, surfaceKey, surfaceKey, farKey}));
    // The first job found no chunk; the others leave theirs where they found it.
    EXPECT_EQ(host.ends, (std::vector<JobEnd>{JobEnd::NoChunk, JobEnd::ChunkInMap, JobEnd::ChunkInMap,
                                             JobEnd::ChunkInMap}));
}

// The chunk keeps meshPending set and counts the failure, for the manager's
// retry; a later mesh job, with the device working again, publishes the mesh.
TEST_F(FactoryJobsTest, AFailedBufferCreationLeavesNothingToDrawUntilAMeshJobSucceeds) {
    host.nullDevice.setFailCreation(true);
    for (const ChunkKey& key : {surfaceKey, farKey}) {
        const std::shared_ptr<Chunk> chunk = mesh(key);
        EXPECT_EQ(chunk->vertexBuffer, nullptr);
        EXPECT_EQ(chunk->vertexCount.load(), 0u);
        EXPECT_TRUE(chunk->meshPending.load());
        EXPECT_EQ(chunk->bufferFailures.load(), 1u);
        EXPECT_EQ(chunk->fineNeighbours, nullptr);
    }
    EXPECT_EQ(host.nullDevice.liveBuffers(), 0);
    // The far chunk has faces too: both failures reach the host, which
    // decides what to say of them.
    EXPECT_EQ(host.failedBuffers, (std::vector<ChunkKey>{surfaceKey, farKey}));

    const std::shared_ptr<Chunk> failedTwice = remesh(surfaceKey);
    EXPECT_EQ(failedTwice->bufferFailures.load(), 2u);
    EXPECT_TRUE(failedTwice->meshPending.load());

    host.nullDevice.setFailCreation(false);
    const std::shared_ptr<Chunk> meshed = remesh(surfaceKey);
    ASSERT_NE(meshed->vertexBuffer, nullptr);
    EXPECT_EQ(meshed->vertexCount.load(), 36u);
    EXPECT_FALSE(meshed->meshPending.load());
    EXPECT_EQ(meshed->bufferFailures.load(), 2u);
    EXPECT_EQ(host.nullDevice.liveBuffers(), 1);
    EXPECT_EQ(host.failedBuffers, (std::vector<ChunkKey>{surfaceKey, farKey, surfaceKey}));
}

std::atomic<bool> failNextBlock{false};
bool takeBlockFailure() { return failNextBlock.exchange(false); }

// The surface chunk needs a block of its own: with none to be had, the job
// publishes a placeholder (air, never meshed), reports it once and clears the
// mark; the next job builds its chunk as usual.
TEST_F(FactoryJobsTest, AChunkWithoutVoxelMemoryIsPublishedAsAPlaceholderAndReportedOnce) {
    setVoxelBlockAllocationFault(takeBlockFailure);
    const std::int64_t blocksBefore = VoxelVolume::liveOwnBlocks();
    failNextBlock = true;
    const ChunkKey next = test::meshNeighbourKeys(surfaceKey)[0];
    for (const ChunkKey& key : {surfaceKey, next}) host.request(key, RequestKind::Generate);
    ASSERT_TRUE(serve());
    ASSERT_TRUE(serve());
    setVoxelBlockAllocationFault(nullptr);

    const std::shared_ptr<Chunk> placeholder = host.findChunk(surfaceKey);
    ASSERT_NE(placeholder, nullptr);
    EXPECT_TRUE(isSkippedChunk(*placeholder));
    EXPECT_FALSE(placeholder->meshPending.load());
    EXPECT_FALSE(placeholder->voxels.ownsBlock());
    EXPECT_GE(std::as_const(*placeholder).voxel(0, 0, 0).density, 0.0f);  // its neighbours see air
    EXPECT_EQ(host.skipped, std::vector<ChunkKey>{surfaceKey});
    EXPECT_EQ(host.finished, (std::vector<ChunkKey>{surfaceKey, next}));
    EXPECT_EQ(host.ends, (std::vector<JobEnd>{JobEnd::ChunkInMap, JobEnd::ChunkInMap}));  // a placeholder is a chunk
    const std::shared_ptr<Chunk> built = host.findChunk(next);
    EXPECT_FALSE(isSkippedChunk(*built));
    EXPECT_EQ(VoxelVolume::liveOwnBlocks(), blocksBefore + (built->voxels.ownsBlock() ? 1 : 0));
}

TEST_F(FactoryJobsTest, AMeshJobWaitsForAMissingNeighbourAndHoldsTheFourFinerChunks) {
    const std::shared_ptr<Chunk> pending = mesh(surfaceKey, 1);
    EXPECT_TRUE(pending->meshPending.load());
    EXPECT_EQ(pending->vertexCount.load(), 0u);
    // No pointer is left to the neighbours, which the job no longer keeps.
    for (const Chunk* neighbour : pending->neighbours) EXPECT_EQ(neighbour, nullptr);

    // Shell 19 has 16 chunks per side, shell 20 has 32. The solid voxel is on
    // the outermost layer: its outward side is looked up among the finer chunks.
    ASSERT_EQ(chunksPerSide(19) * 2, chunksPerSide(20));
    const ChunkKey key{3, 19, 5, 2};
    const std::shared_ptr<Chunk> chunk = mesh(key, 0, 31);
    EXPECT_FALSE(chunk->meshPending.load());
    EXPECT_EQ(chunk->vertexCount.load(), 36u);
    EXPECT_EQ(host.nullDevice.createdBuffers(), 1);
    EXPECT_EQ(host.finished, (std::vector<ChunkKey>{surfaceKey, key}));
    EXPECT_EQ(chunk->neighbours[Outward], nullptr);
    EXPECT_EQ(chunk->fineNeighbours, nullptr);  // lent only while meshing
    ASSERT_EQ(workspace.fineNeighbours.size(), 4u);
    for (const ChunkKey& fineKey : fineKeysFrom(ChunkKey{6, 20, 10, 2}).keys) {
        ASSERT_EQ(workspace.fineNeighbours.count(fineKey), 1u);
        EXPECT_EQ(workspace.fineNeighbours.at(fineKey), host.findChunk(fineKey));
    }
}

}  // namespace
}  // namespace gravelkin::test
