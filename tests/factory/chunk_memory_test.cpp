// Where chunks keep their voxels: constant chunks read one shared immutable
// block per value and hold none of their own; generated chunks own theirs,
// unless they come out all air; writing never touches a shared block; every
// own block is freed exactly once. The reference pipeline keeps the plain
// layout, a block per chunk, with the same voxels.
#include <algorithm>
#include <bit>
#include <cstdint>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "factory/chunk.h"
#include "factory/chunk_factory.h"
#include "factory/voxel/constant_voxel_blocks.h"
#include "factory/voxel/voxel_block_memory.h"
#include "factory/voxel/fill_state.h"
#include "terrain/terrain_generator_base.h"

namespace gravelkin {
namespace {

// Writes one density everywhere it is asked to generate.
class ConstantGenerator : public TerrainGeneratorBase {
public:
    explicit ConstantGenerator(float density) : density_(density) {
        solidBelowRadius = 294;
        emptyAboveRadius = 538;
        solidFillVoxel = Voxel{-3.25f, {10, 20, 30}};
    }

    void generate(Chunk& chunk, ColumnDirectionCache&) const override {
        for (std::uint32_t i = 0; i < 32; ++i) {
            for (std::uint32_t r = 0; r < 32; ++r) {
                for (std::uint32_t j = 0; j < 32; ++j) {
                    chunk.voxel(i, r, j) = Voxel{density_, {4, 5, 6}};
                    chunk.fillState = nextFillState(chunk.fillState, density_);
                }
            }
        }
    }

private:
    float density_;
};

bool sameBits(const Voxel& a, const Voxel& b) {
    return std::bit_cast<std::uint32_t>(a.density) == std::bit_cast<std::uint32_t>(b.density) &&
           a.colour[0] == b.colour[0] && a.colour[1] == b.colour[1] && a.colour[2] == b.colour[2];
}

bool everyVoxelIs(const Chunk& chunk, const Voxel& value) {
    for (const Voxel& v : chunk.voxels) {
        if (!sameBits(v, value)) return false;
    }
    return true;
}

bool blockIsAll(const VoxelBlock& block, const Voxel& value) {
    for (const Voxel& v : block.voxels) {
        if (!sameBits(v, value)) return false;
    }
    return true;
}

TEST(ChunkMemory, TheRecordIsSmall) {
    // The voxels are not inline: a constant chunk costs about this much.
    EXPECT_LE(sizeof(Chunk), 256u);
    EXPECT_EQ(sizeof(VoxelBlock), 32u * 32u * 32u * 8u);
}

TEST(ChunkMemory, ConstantChunksHoldNoBlockOfTheirOwn) {
    const ConstantGenerator generator(-1.0f);
    ChunkFactory factory;
    const std::int64_t before = VoxelVolume::liveOwnBlocks();
    const auto air = factory.buildChunk({3, 17, 5, 4}, generator);
    const auto solid = factory.buildChunk({0, 8, 0, 2}, generator);
    EXPECT_EQ(VoxelVolume::liveOwnBlocks(), before);
    EXPECT_FALSE(air->voxels.ownsBlock());
    EXPECT_FALSE(solid->voxels.ownsBlock());
    EXPECT_EQ(air->voxels.data(), constantVoxelBlock(airVoxel).voxels);
    EXPECT_EQ(solid->voxels.data(), constantVoxelBlock(generator.solidFillVoxel).voxels);
    EXPECT_TRUE(everyVoxelIs(*air, airVoxel));
    EXPECT_TRUE(everyVoxelIs(*solid, generator.solidFillVoxel));
}

TEST(ChunkMemory, TwoAirChunksShareOneBlock) {
    const ConstantGenerator generator(-1.0f);
    ChunkFactory factory;
    const auto first = factory.buildChunk({3, 17, 5, 4}, generator);
    const std::size_t blocks = constantVoxelBlockCount();
    const auto second = factory.buildChunk({9, 30, 2, 1}, generator);
    const auto byHand = std::make_unique<Chunk>(ChunkKey{1, 20, 1, 0}, airVoxel);
    EXPECT_EQ(first->voxels.data(), second->voxels.data());
    EXPECT_EQ(first->voxels.data(), byHand->voxels.data());
    EXPECT_EQ(constantVoxelBlockCount(), blocks);
    // Rock is another block; -0.0 and 0.0 are different values.
    EXPECT_NE(constantVoxelBlock(generator.solidFillVoxel).voxels, first->voxels.data());
    EXPECT_NE(constantVoxelBlock(Voxel{-0.0f, {127, 127, 127}}).voxels,
              constantVoxelBlock(Voxel{0.0f, {127, 127, 127}}).voxels);
}

TEST(ChunkMemory, AGeneratedAllAirChunkTradesItsBlockForTheAirBlock) {
    // The generator writes its own air; afterwards only the sign is read, and
    // every voxel then answers air as the shared block has it.
    const ConstantGenerator generator(0.25f);
    ChunkFactory factory;
    const std::int64_t before = VoxelVolume::liveOwnBlocks();
    const auto chunk = factory.buildChunk({1, 12, 1, 0}, generator);
    EXPECT_EQ(chunk->fillState, ChunkFillState::AllAir);
    EXPECT_FALSE(chunk->meshPending.load());
    EXPECT_FALSE(chunk->voxels.ownsBlock());
    EXPECT_EQ(chunk->voxels.data(), constantVoxelBlock(airVoxel).voxels);
    EXPECT_EQ(VoxelVolume::liveOwnBlocks(), before);
    for (const Voxel& v : chunk->voxels) ASSERT_GE(v.density, 0.0f);
}

TEST(ChunkMemory, GeneratedChunksWithRockKeepTheirOwnBlock) {
    for (const float density : {-0.25f, -1e-30f}) {
        const ConstantGenerator generator(density);
        const std::int64_t before = VoxelVolume::liveOwnBlocks();
        {
            const auto chunk = ChunkFactory().buildChunk({1, 12, 1, 0}, generator);
            EXPECT_TRUE(chunk->voxels.ownsBlock());
            EXPECT_EQ(VoxelVolume::liveOwnBlocks(), before + 1);
            EXPECT_TRUE(everyVoxelIs(*chunk, Voxel{density, {4, 5, 6}}));
        }
        EXPECT_EQ(VoxelVolume::liveOwnBlocks(), before);
    }
}

TEST(ChunkMemory, WritingToAConstantChunkNeverTouchesTheSharedBlock) {
    const Voxel marker{-7.5f, {1, 2, 3}};
    const auto writers = {
        std::function<void(Chunk&)>([&](Chunk& c) { c.voxel(1, 2, 3) = marker; }),
        std::function<void(Chunk&)>([&](Chunk& c) { c.writableVoxels()[Chunk::voxelIndex(1, 2, 3)] = marker; }),
    };
    for (const auto& write : writers) {
        Chunk chunk({2, 20, 2, 3}, airVoxel);
        const Chunk other({3, 20, 2, 3}, airVoxel);
        const std::int64_t before = VoxelVolume::liveOwnBlocks();

        write(chunk);

        EXPECT_TRUE(chunk.voxels.ownsBlock());
        EXPECT_EQ(VoxelVolume::liveOwnBlocks(), before + 1);
        EXPECT_TRUE(sameBits(chunk.voxels[Chunk::voxelIndex(1, 2, 3)], marker));
        EXPECT_TRUE(sameBits(std::as_const(chunk).voxel(1, 2, 4), airVoxel));
        EXPECT_TRUE(blockIsAll(constantVoxelBlock(airVoxel), airVoxel));
        EXPECT_EQ(other.voxels.data(), constantVoxelBlock(airVoxel).voxels);
        EXPECT_TRUE(everyVoxelIs(other, airVoxel));
    }
}

TEST(ChunkMemory, ReadingNeverCopies) {
    const Chunk chunk({2, 20, 2, 3}, airVoxel);
    const std::int64_t before = VoxelVolume::liveOwnBlocks();
    float sum = 0.0f;
    for (const Voxel& v : chunk.voxels) sum += v.density;
    sum += chunk.voxel(31, 31, 31).density + chunk.voxels[0].density;
    sum += chunk.neighbourVoxel(5, 5, 5, 0).density;
    EXPECT_EQ(sum, 32768.0f + 3.0f);
    EXPECT_FALSE(chunk.voxels.ownsBlock());
    EXPECT_EQ(VoxelVolume::liveOwnBlocks(), before);
}

TEST(ChunkMemory, EveryOwnBlockIsFreedExactlyOnce) {
    const std::int64_t before = VoxelVolume::liveOwnBlocks();
    {
        auto own = std::make_unique<Chunk>(ChunkKey{1, 12, 1, 1});
        auto shared = std::make_shared<Chunk>(ChunkKey{1, 20, 1, 1}, airVoxel);
        auto copied = std::make_shared<Chunk>(ChunkKey{2, 20, 1, 1}, airVoxel);
        copied->voxel(0, 0, 0).density = -1.0f;
        EXPECT_EQ(VoxelVolume::liveOwnBlocks(), before + 2);
        // Trading an own block for a shared one frees it there and then.
        copied->voxels.share(constantVoxelBlock(airVoxel));
        EXPECT_EQ(VoxelVolume::liveOwnBlocks(), before + 1);
        // The last owner may be on another thread; shared_ptr frees once.
        std::shared_ptr<Chunk> second = shared;
        shared.reset();
    }
    EXPECT_EQ(VoxelVolume::liveOwnBlocks(), before);
}

TEST(ChunkMemory, TheReferencePipelineGivesEveryChunkItsOwnBlockWithTheSameVoxels) {
    const ChunkKey airShell{3, 17, 5, 4}, solidShell{0, 8, 0, 2}, generated{1, 12, 1, 0};
    for (const float density : {0.25f, -0.25f}) {
        const ConstantGenerator generator(density);
        ChunkFactory fast;
        ChunkFactory reference(ChunkPipeline::Reference);
        for (const ChunkKey& key : {airShell, solidShell, generated}) {
            SCOPED_TRACE(testing::Message() << "shell " << key.shell << ", density " << density);
            const auto plain = reference.buildChunk(key, generator);
            const auto quick = fast.buildChunk(key, generator);
            EXPECT_TRUE(plain->voxels.ownsBlock());
            EXPECT_EQ(plain->fillState, quick->fillState);
            EXPECT_EQ(plain->meshPending.load(), quick->meshPending.load());
            // A generated all-air chunk keeps what the generator wrote; the
            // fast one reads the shared air block: air either way.
            const Voxel expected = key == generated ? Voxel{density, {4, 5, 6}} : quick->voxels[0];
            EXPECT_TRUE(everyVoxelIs(*plain, expected));
            if (key != generated || density < 0.0f) {
                EXPECT_TRUE(everyVoxelIs(*quick, expected));
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
        EXPECT_TRUE(sameBits(block->voxels[0], Voxel{-1.0f, {1, 2, 3}}));
        EXPECT_TRUE(sameBits(block->voxels[voxelsPerBlock - 1], Voxel{2.0f, {4, 5, 6}}));
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
}  // namespace gravelkin
