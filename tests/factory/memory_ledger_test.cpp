// The memory ledger: chunks and far nodes charge what they hold and credit
// exactly that when they go, so the planet's figure cannot drift.

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "device/null_graphics_device.h"
#include "factory/far_node.h"
#include "factory/memory_ledger.h"
#include "factory/mesh_upload.h"
#include "tests/factory/mesher/mesh_test_support.h"

namespace gravelkin::test {
namespace {

TEST(MemoryLedgerTest, ChunksAndFarNodesCreditWhatTheyCharged) {
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

        const KeptFaces mesh{std::vector<ChunkVertex>(3 * cornersPerFace), std::vector<Direction>(3, Outward)};
        ASSERT_TRUE(publishMesh(*own, device, mesh.faces()));
        const std::uint64_t chunks = 2 * record + sizeof(VoxelBlock) + 3 * cornersPerFace * sizeof(ChunkVertex);
        EXPECT_EQ(ledger.bytes(), chunks);

        FarNode node;
        node.main.faces = 10;
        node.skirts[0].faces = 2;
        node.chargeTo(ledger);
        EXPECT_EQ(ledger.bytes(), chunks + 12 * cornersPerFace * sizeof(ChunkVertex));
    }
    EXPECT_EQ(ledger.bytes(), 0u);
}

}  // namespace
}  // namespace gravelkin::test
