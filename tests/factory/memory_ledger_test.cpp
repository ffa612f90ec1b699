// The memory ledger: chunks and far nodes charge what they hold and credit
// exactly that when they go, so the planet's figure cannot drift.

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "device/chunk_faces.h"
#include "device/chunk_vertex.h"
#include "device/null_graphics_device.h"
#include "factory/chunk.h"
#include "factory/far_node.h"
#include "factory/memory_ledger.h"
#include "factory/mesh_upload.h"
#include "voxel/voxel.h"

namespace gravelkin::test {
namespace {

// `count` faces, all of them facing outward, with zeroed corners.
struct TestFaces {
    explicit TestFaces(std::uint32_t count) : corners(count * cornersPerFace), sides(count, Outward) {
        faces.corners = corners.data();
        faces.sides = sides.data();
        faces.count = count;
    }
    std::vector<ChunkVertex> corners;
    std::vector<Direction> sides;
    ChunkFaces faces;
};

TEST(MemoryLedgerTest, AChunkCreditsWhatItChargedWithItsBlockAndMesh) {
    MemoryLedger ledger;
    NullGraphicsDevice device;
    const std::uint64_t record = sizeof(Chunk) + chunkBookkeepingBytes;
    {
        auto shared = std::make_unique<Chunk>(ChunkKey{0, 12, 0, 0}, airVoxel);
        shared->chargeTo(ledger);
        EXPECT_EQ(ledger.bytes(), record) << "a chunk reading a shared block owns none";

        auto own = std::make_unique<Chunk>(ChunkKey{1, 12, 0, 0});
        own->chargeTo(ledger);
        EXPECT_EQ(ledger.bytes(), 2 * record + sizeof(VoxelBlock));

        const TestFaces mesh(3);
        ASSERT_TRUE(publishMesh(*own, device, mesh.faces));
        EXPECT_EQ(ledger.bytes(), 2 * record + sizeof(VoxelBlock) + 3 * cornersPerFace * sizeof(ChunkVertex));
    }
    EXPECT_EQ(ledger.bytes(), 0u);
}

TEST(MemoryLedgerTest, AFarNodeCreditsItsVertexBytes) {
    MemoryLedger ledger;
    {
        FarNode node;
        node.main.faces = 10;
        node.skirts[0].faces = 2;
        node.chargeTo(ledger);
        EXPECT_EQ(ledger.bytes(), 12 * cornersPerFace * sizeof(ChunkVertex));
    }
    EXPECT_EQ(ledger.bytes(), 0u);
}

}  // namespace
}  // namespace gravelkin::test
