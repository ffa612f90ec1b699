// The factory's jobs, run one at a time on the test thread against a planet
// without threads.

#include <gtest/gtest.h>

#include <vector>

#include "factory/chunk_factory.h"
#include "geometry/level_table.h"
#include "geometry/neighbours.h"
#include "camera/distance.h"
#include "factory/factory_jobs.h"
#include "planet/neighbours_present.h"
#include "planet_test_support.h"

namespace gravelkin {
namespace {

using planet_test::TestCamera;

// The camera's chunk at the start position, on the surface of face 1.
const ChunkKey surfaceKey{8, 12, 8, 1};

struct Jobs {
    explicit Jobs(float radius = 100.0f) : planet(device, radius, PlanetThreads::None) {}

    bool serve() { return serveOneRequest(factory, planet, workspace); }

    TestCamera camera;
    NullGraphicsDevice device;
    Planet planet;
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
    jobs.planet.requests->request(surfaceKey, RequestKind::Generate, 1.0f);
    ASSERT_TRUE(jobs.serve());
    EXPECT_FALSE(jobs.serve());  // nothing left
    EXPECT_EQ(jobs.planet.chunks.count(surfaceKey), 1u);
    EXPECT_EQ(jobs.planet.drawListSnapshot(), std::vector<ChunkKey>{surfaceKey});
    EXPECT_EQ(jobs.planet.inFlightCount(), 0u);
    EXPECT_EQ(jobs.planet.activeJobCount(), 0);
}

TEST(FactoryJobs, AGenerateJobBuildsAtTheRadiusAndDropsJustBeyondIt) {
    Jobs jobs;
    const Vec3 centre = chunkCentre(surfaceKey);
    const float radiusSquared = jobs.planet.viewRadius * jobs.planet.viewRadius;
    // The last camera x (moving away along +x) still within the radius, and
    // the first beyond it.
    float within = centre.x;
    float beyond = centre.x + 2.0f * jobs.planet.viewRadius;
    while (true) {
        const float mid = within + (beyond - within) / 2.0f;
        if (mid == within || mid == beyond) break;
        if (distanceSquared(Vec3{mid, centre.y, centre.z}, centre) <= radiusSquared) {
            within = mid;
        } else {
            beyond = mid;
        }
    }

    jobs.camera.camera.setPosition(Vec3{beyond, centre.y, centre.z});
    jobs.planet.requests->request(surfaceKey, RequestKind::Generate, radiusSquared);
    ASSERT_TRUE(jobs.serve());
    EXPECT_EQ(jobs.planet.chunks.count(surfaceKey), 0u);
    EXPECT_EQ(jobs.planet.inFlightCount(), 0u);

    jobs.camera.camera.setPosition(Vec3{within, centre.y, centre.z});
    jobs.planet.requests->request(surfaceKey, RequestKind::Generate, radiusSquared);
    ASSERT_TRUE(jobs.serve());
    EXPECT_EQ(jobs.planet.chunks.count(surfaceKey), 1u);
    EXPECT_EQ(jobs.planet.inFlightCount(), 0u);
}

TEST(FactoryJobs, AMeshJobForAChunkNoLongerHeldOnlyClearsTheMark) {
    Jobs jobs;
    jobs.planet.requests->request(surfaceKey, RequestKind::Mesh, 1.0f);
    ASSERT_TRUE(jobs.serve());
    EXPECT_EQ(jobs.planet.inFlightCount(), 0u);
    EXPECT_TRUE(jobs.planet.chunks.empty());
    EXPECT_EQ(jobs.device.createdBuffers(), 0);
}

TEST(FactoryJobs, AMeshJobWithANeighbourMissingLeavesTheChunkPending) {
    Jobs jobs;
    ASSERT_TRUE(jobs.planet.addChunk(oneSolidVoxel(surfaceKey)));
    const std::vector<ChunkKey> neighbours = planet_test::meshNeighbourKeys(surfaceKey);
    for (std::size_t i = 0; i + 1 < neighbours.size(); ++i) {
        ASSERT_TRUE(jobs.planet.addChunk(std::make_unique<Chunk>(neighbours[i])));
    }
    jobs.planet.requests->request(surfaceKey, RequestKind::Mesh, 1.0f);
    ASSERT_TRUE(jobs.serve());
    const std::shared_ptr<Chunk> chunk = findChunk(jobs.planet.chunks, surfaceKey);
    EXPECT_TRUE(chunk->meshPending.load());
    EXPECT_EQ(chunk->vertexCount.load(), 0u);
    EXPECT_EQ(jobs.device.createdBuffers(), 0);
    EXPECT_EQ(jobs.planet.inFlightCount(), 0u);
    // No pointer is left to the neighbours, which the job no longer keeps.
    for (const Chunk* neighbour : chunk->neighbours) EXPECT_EQ(neighbour, nullptr);
}

TEST(FactoryJobs, ASecondMeshRequestForAMeshedChunkIsHarmless) {
    Jobs jobs;
    ASSERT_TRUE(jobs.planet.addChunk(oneSolidVoxel(surfaceKey)));
    for (const ChunkKey& key : planet_test::meshNeighbourKeys(surfaceKey)) {
        ASSERT_TRUE(jobs.planet.addChunk(std::make_unique<Chunk>(key)));
    }
    jobs.planet.requests->request(surfaceKey, RequestKind::Mesh, 1.0f);
    ASSERT_TRUE(jobs.serve());
    const std::shared_ptr<Chunk> chunk = findChunk(jobs.planet.chunks, surfaceKey);
    ASSERT_FALSE(chunk->meshPending.load());
    EXPECT_EQ(chunk->vertexCount.load(), 36u);
    EXPECT_EQ(jobs.device.createdBuffers(), 1);
    const VertexBuffer* buffer = chunk->vertexBuffer;

    jobs.planet.requests->request(surfaceKey, RequestKind::Mesh, 1.0f);
    ASSERT_TRUE(jobs.serve());
    EXPECT_EQ(jobs.device.createdBuffers(), 1);
    EXPECT_EQ(jobs.device.liveBuffers(), 1);
    EXPECT_EQ(chunk->vertexBuffer, buffer);
    EXPECT_EQ(chunk->vertexCount.load(), 36u);
    EXPECT_EQ(jobs.planet.inFlightCount(), 0u);
}

TEST(FactoryJobs, AMeshJobAgainstAFinerShellHoldsTheFourFinerChunks) {
    // Shell 19 has 16 chunks per side, shell 20 has 32.
    ASSERT_EQ(chunksPerSide(19) * 2, chunksPerSide(20));
    const ChunkKey key{3, 19, 5, 2};
    Jobs jobs;
    // The solid voxel on the outermost layer: its outward side is looked up
    // among the finer chunks.
    ASSERT_TRUE(jobs.planet.addChunk(oneSolidVoxel(key, 31)));
    for (const ChunkKey& neighbour : planet_test::meshNeighbourKeys(key)) {
        ASSERT_TRUE(jobs.planet.addChunk(std::make_unique<Chunk>(neighbour)));
    }
    jobs.planet.requests->request(key, RequestKind::Mesh, 1.0f);
    ASSERT_TRUE(jobs.serve());
    const std::shared_ptr<Chunk> chunk = findChunk(jobs.planet.chunks, key);
    EXPECT_FALSE(chunk->meshPending.load());
    EXPECT_EQ(chunk->vertexCount.load(), 36u);
    EXPECT_EQ(chunk->neighbours[Outward], nullptr);
    EXPECT_EQ(chunk->fineNeighbours, nullptr);  // lent only while meshing
    const FineKeys fine = fineKeysFrom(ChunkKey{6, 20, 10, 2});
    ASSERT_EQ(jobs.workspace.fineNeighbours.size(), 4u);
    for (const ChunkKey& fineKey : fine.keys) {
        ASSERT_EQ(jobs.workspace.fineNeighbours.count(fineKey), 1u);
        EXPECT_EQ(jobs.workspace.fineNeighbours.at(fineKey), findChunk(jobs.planet.chunks, fineKey));
    }
}

}  // namespace
}  // namespace gravelkin
