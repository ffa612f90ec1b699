// Where chunks keep their voxels: constant chunks read one shared immutable
// block per value and hold none of their own; generated chunks own theirs,
// unless they come out all air; writing never touches a shared block, reading
// never copies one; every own block is freed exactly once. The reference
// pipeline keeps the plain layout, a block per chunk, with the same voxels.
#include <algorithm>
#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "factory/chunk_factory.h"
#include "factory/voxel/constant_voxel_blocks.h"
#include "factory/voxel/voxel_block_memory.h"
#include "tests/factory/scripted_generator.h"
#include "tests/support/comparisons.h"

namespace gravelkin::test {
namespace {

bool everyVoxelIs(const VoxelVolume& volume, const Voxel& value) {
    return std::all_of(volume.begin(), volume.end(), [&](const Voxel& v) { return testing::sameBits(v, value); });
}

const ChunkKey airShell{3, 17, 5, 4}, solidShell{0, 8, 0, 2}, generatedShell{1, 12, 1, 0};

TEST(ChunkMemory, ConstantChunksShareOneBlockPerValue) {
    // The voxels are not inline: a constant chunk costs about this much.
    EXPECT_LE(sizeof(Chunk), 256u);
    const ScriptedGenerator generator(-1.0f);
    ChunkFactory factory;
    const std::int64_t before = VoxelVolume::liveOwnBlocks();
    const auto air = factory.buildChunk(airShell, generator);
    const auto solid = factory.buildChunk(solidShell, generator);
    const std::size_t blocks = constantVoxelBlockCount();
    const auto otherAir = factory.buildChunk({9, 30, 2, 1}, generator);
    const Chunk byHand({1, 20, 1, 0}, airVoxel);
    EXPECT_EQ(VoxelVolume::liveOwnBlocks(), before);
    EXPECT_EQ(constantVoxelBlockCount(), blocks);
    for (const Chunk* chunk : {air.get(), otherAir.get(), const_cast<Chunk*>(&byHand)}) {
        EXPECT_EQ(chunk->voxels.data(), constantVoxelBlock(airVoxel).voxels);
    }
    EXPECT_EQ(solid->voxels.data(), constantVoxelBlock(generator.solidFillVoxel).voxels);
    EXPECT_TRUE(everyVoxelIs(air->voxels, airVoxel));
    EXPECT_TRUE(everyVoxelIs(solid->voxels, generator.solidFillVoxel));
    // -0.0 and 0.0 are different values.
    EXPECT_NE(constantVoxelBlock(Voxel{-0.0f, {127, 127, 127}}).voxels,
              constantVoxelBlock(Voxel{0.0f, {127, 127, 127}}).voxels);
}

TEST(ChunkMemory, GeneratedChunksOwnTheirBlockUnlessAllAir) {
    // An all-air chunk's voxels are only ever asked for their sign: it trades
    // its block for the shared air block.
    const std::int64_t before = VoxelVolume::liveOwnBlocks();
    const auto air = ChunkFactory().buildChunk(generatedShell, ScriptedGenerator(0.25f));
    EXPECT_EQ(air->voxels.data(), constantVoxelBlock(airVoxel).voxels);
    EXPECT_EQ(VoxelVolume::liveOwnBlocks(), before);
    for (const float density : {-0.25f, -1e-30f}) {
        {
            const auto chunk = ChunkFactory().buildChunk(generatedShell, ScriptedGenerator(density));
            EXPECT_TRUE(chunk->voxels.ownsBlock());
            EXPECT_EQ(VoxelVolume::liveOwnBlocks(), before + 1);
            EXPECT_TRUE(everyVoxelIs(chunk->voxels, Voxel{density, {4, 5, 6}}));
        }
        EXPECT_EQ(VoxelVolume::liveOwnBlocks(), before);
    }
}

TEST(ChunkMemory, WritingCopiesTheSharedBlockAndReadingNever) {
    const Voxel marker{-7.5f, {1, 2, 3}};
    for (const bool whole : {false, true}) {
        Chunk chunk({2, 20, 2, 3}, airVoxel);
        const Chunk other({3, 20, 2, 3}, airVoxel);
        const std::int64_t before = VoxelVolume::liveOwnBlocks();
        // Every read, the mesher's neighbour lookup included.
        float sum = std::as_const(chunk).voxel(31, 31, 31).density + chunk.voxels[0].density;
        sum += chunk.neighbourVoxel(5, 5, 5, Direction::PlusY).density;
        EXPECT_EQ(sum, 3.0f);
        EXPECT_EQ(VoxelVolume::liveOwnBlocks(), before);

        (whole ? chunk.writableVoxels()[voxelIndex(1, 2, 3)] : chunk.voxel(1, 2, 3)) = marker;

        EXPECT_TRUE(chunk.voxels.ownsBlock());
        EXPECT_EQ(VoxelVolume::liveOwnBlocks(), before + 1);
        EXPECT_TRUE(testing::sameBits(chunk.voxels[voxelIndex(1, 2, 3)], marker));
        EXPECT_TRUE(testing::sameBits(std::as_const(chunk).voxel(1, 2, 4), airVoxel));
        EXPECT_EQ(other.voxels.data(), constantVoxelBlock(airVoxel).voxels);
        EXPECT_TRUE(everyVoxelIs(other.voxels, airVoxel));
    }
}

TEST(ChunkMemory, EveryOwnBlockIsFreedExactlyOnce) {
    const std::int64_t before = VoxelVolume::liveOwnBlocks();
    {
        const Chunk own({1, 12, 1, 1});
        auto copied = std::make_shared<Chunk>(ChunkKey{2, 20, 1, 1}, airVoxel);
        copied->voxel(0, 0, 0).density = -1.0f;
        EXPECT_EQ(VoxelVolume::liveOwnBlocks(), before + 2);
        // Trading an own block for a shared one frees it there and then.
        copied->voxels.share(constantVoxelBlock(airVoxel));
        EXPECT_EQ(VoxelVolume::liveOwnBlocks(), before + 1);
    }
    EXPECT_EQ(VoxelVolume::liveOwnBlocks(), before);
}

TEST(ChunkMemory, TheReferencePipelineGivesEveryChunkItsOwnBlockWithTheSameVoxels) {
    for (const float density : {0.25f, -0.25f}) {
        const ScriptedGenerator generator(density);
        ChunkFactory fast;
        ChunkFactory reference(ChunkPipeline::Reference);
        for (const ChunkKey& key : {airShell, solidShell, generatedShell}) {
            SCOPED_TRACE(::testing::Message() << "shell " << key.shell << ", density " << density);
            const auto plain = reference.buildChunk(key, generator);
            const auto quick = fast.buildChunk(key, generator);
            EXPECT_TRUE(plain->voxels.ownsBlock());
            EXPECT_EQ(plain->fillState, quick->fillState);
            EXPECT_EQ(plain->meshPending.load(), quick->meshPending.load());
            // A generated all-air chunk keeps what the generator wrote; the
            // fast one reads the shared air block: air either way.
            const Voxel expected = key == generatedShell ? Voxel{density, {4, 5, 6}} : quick->voxels[0];
            EXPECT_TRUE(everyVoxelIs(plain->voxels, expected));
            if (key != generatedShell || density < 0.0f) {
                EXPECT_TRUE(everyVoxelIs(quick->voxels, expected));
            }
        }
    }
}

TEST(ChunkMemory, FreedBlocksAreReusedAndAtMostAFewAreKept) {
    std::vector<VoxelBlock*> blocks;
    for (std::size_t k = 0; k < 2 * maxSpareVoxelBlocks; ++k) {
        VoxelBlock* block = allocateVoxelBlock();
        // Every byte of a block is usable.
        block->voxels[0] = Voxel{-1.0f, {1, 2, 3}};
        block->voxels[voxelsPerBlock - 1] = Voxel{2.0f, {4, 5, 6}};
        EXPECT_TRUE(testing::sameBits(block->voxels[0], Voxel{-1.0f, {1, 2, 3}}));
        EXPECT_TRUE(testing::sameBits(block->voxels[voxelsPerBlock - 1], Voxel{2.0f, {4, 5, 6}}));
        blocks.push_back(block);
    }
    for (VoxelBlock* block : blocks) freeVoxelBlock(block);
    freeVoxelBlock(nullptr);
    EXPECT_LE(spareVoxelBlocks(), maxSpareVoxelBlocks);
    if (!voxelBlocksMapped) {
        EXPECT_EQ(spareVoxelBlocks(), 0u);  // the sanitizer sees every block go
        return;
    }
    EXPECT_EQ(spareVoxelBlocks(), maxSpareVoxelBlocks);
    VoxelBlock* again = allocateVoxelBlock();
    EXPECT_NE(std::find(blocks.begin(), blocks.end(), again), blocks.end()) << "a spare block was not reused";
    EXPECT_EQ(spareVoxelBlocks(), maxSpareVoxelBlocks - 1);
    freeVoxelBlock(again);
}

}  // namespace
}  // namespace gravelkin::test
