// The build step and where chunks keep their voxels (shared constant blocks,
// copy on write, the block accounting and reuse).
#include <algorithm>
#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "factory/chunk_factory.h"
#include "voxel/constant_voxel_blocks.h"
#include "voxel/voxel_block_memory.h"
#include "geometry/chunk_layers.h"
#include "terrain/terrain_generator_base.h"
#include "tests/support/comparisons.h"

namespace gravelkin::test {
namespace {

// Writes one density, with colour (4, 5, 6) unless told another, into every
// voxel, and then `odd` into voxel `oddAt` where that is set; remembers how
// it was called. Shells 0..8 are solid fill, 17 and up air.
class ScriptedGenerator : public TerrainGeneratorBase {
public:
    explicit ScriptedGenerator(float density) : ScriptedGenerator(Voxel{density, {4, 5, 6}}) {}
    explicit ScriptedGenerator(const Voxel& written) : fill(written) {
        solidBelowRadius = 294;
        emptyAboveRadius = 538;
        solidFillVoxel = Voxel{-3.25f, {10, 20, 30}};
    }

    ChunkFillState generate(const ChunkKey&, Voxel* voxels, ColumnDirectionCache& cache) const override {
        ++calls;
        cacheSeen = cache;
        std::fill(voxels, voxels + voxelsPerBlock, fill);
        if (oddAt >= 0) voxels[oddAt] = odd;
        return nextFillState(ChunkFillState::Unknown, fill.density);
    }

    const Voxel fill;
    int oddAt = -1;
    Voxel odd{};
    mutable int calls = 0;
    mutable ColumnDirectionCache cacheSeen{};
};

bool everyVoxelIs(const VoxelVolume& volume, const Voxel& value) {
    return std::all_of(volume.begin(), volume.end(), [&](const Voxel& v) { return test::sameBits(v, value); });
}

const ChunkKey airShell{3, 17, 5, 4}, solidShell{0, 8, 0, 2}, generatedShell{1, 12, 1, 0};

TEST(ChunkBuildTest, ShellsOutsideTheBandShareOneConstantBlockPerValue) {
    EXPECT_LE(sizeof(Chunk), 256u);  // the voxels are not inline
    ScriptedGenerator generator(-1.0f);
    ChunkFactory factory;
    const std::int64_t ownBlocks = VoxelVolume::liveOwnBlocks();
    const auto air = factory.buildChunk(airShell, generator);      // inner 544 > 538
    const auto solid = factory.buildChunk(solidShell, generator);  // outer 287 < 294
    const std::size_t constantBlocks = constantVoxelBlockCount();
    const auto otherAir = factory.buildChunk({9, 30, 2, 1}, generator);
    Chunk byHand({1, 20, 1, 0}, airVoxel);
    const Voxel* airBlock = constantVoxelBlock(airVoxel).voxels;
    EXPECT_EQ(generator.calls, 0);
    EXPECT_EQ(VoxelVolume::liveOwnBlocks(), ownBlocks);
    EXPECT_EQ(constantVoxelBlockCount(), constantBlocks);
    EXPECT_EQ(air->fillState, ChunkFillState::AllAir);
    EXPECT_FALSE(air->meshPending.load());  // nothing to draw in air
    EXPECT_EQ(solid->fillState, ChunkFillState::AllSolid);
    EXPECT_TRUE(solid->meshPending.load());
    for (const Chunk* chunk : {air.get(), otherAir.get(), &byHand}) EXPECT_EQ(chunk->voxels.data(), airBlock);
    EXPECT_EQ(solid->voxels.data(), constantVoxelBlock(generator.solidFillVoxel).voxels);
    EXPECT_TRUE(everyVoxelIs(air->voxels, airVoxel));
    EXPECT_TRUE(everyVoxelIs(solid->voxels, generator.solidFillVoxel));
    // -0.0 and 0.0 are different values.
    EXPECT_NE(constantVoxelBlock(Voxel{-0.0f, {127, 127, 127}}).voxels, constantVoxelBlock(constructionVoxel).voxels);

    // The band's limits compare strictly.
    factory.buildChunk({0, 16, 0, 0}, generator);  // inner 512 <= 538
    generator.emptyAboveRadius = 544;
    generator.solidBelowRadius = 287;
    factory.buildChunk({0, 17, 0, 0}, generator);  // inner 544, not above 544
    factory.buildChunk({0, 8, 0, 0}, generator);   // outer 287, not below 287
    // The generator gets a cache reset for its key, in centre mode.
    factory.cache.columnOffset = 0.0f;
    factory.cache.resolutionShift = 3;
    factory.buildChunk({5, 9, 0, 0}, generator);  // outer 319 >= 294
    EXPECT_EQ(generator.calls, 4);
    EXPECT_EQ(generator.cacheSeen.columnOffset, 0.5f);
    EXPECT_EQ(generator.cacheSeen.resolutionShift, 0u);
    EXPECT_EQ(generator.cacheSeen.columnBaseU, 32u * 5u);
}

TEST(ChunkBuildTest, FillStateAndBlockOfAGeneratedChunkAndOfItsReferenceTwin) {
    // An all-air chunk's voxels are only ever asked for their sign: it trades
    // its block for the shared air block. -0.0 is air; -1e-30 is rock.
    const std::int64_t before = VoxelVolume::liveOwnBlocks();
    ChunkFactory fast, reference(ChunkPipeline::Reference);
    for (const float density : {0.25f, 0.0f, -0.0f, -0.25f, -1e-30f}) {
        SCOPED_TRACE(::testing::Message() << "density " << density);
        const bool air = !(density < 0.0f);
        const ScriptedGenerator generator(density);
        {
            const auto chunk = fast.buildChunk(generatedShell, generator);
            EXPECT_EQ(chunk->fillState, air ? ChunkFillState::AllAir : ChunkFillState::AllSolid);
            EXPECT_EQ(chunk->meshPending.load(), !air);
            EXPECT_EQ(chunk->voxels.ownsBlock(), !air);
            EXPECT_EQ(VoxelVolume::liveOwnBlocks(), before + (air ? 0 : 1));
            EXPECT_TRUE(everyVoxelIs(chunk->voxels, air ? airVoxel : generator.fill));
        }
        EXPECT_EQ(VoxelVolume::liveOwnBlocks(), before);
        // The reference pipeline gives every chunk a block of its own: a generated
        // all-air chunk keeps what the generator wrote, air either way.
        for (const ChunkKey& key : {airShell, solidShell, generatedShell}) {
            SCOPED_TRACE(::testing::Message() << "shell " << key.shell);
            const auto plain = reference.buildChunk(key, generator);
            const auto quick = fast.buildChunk(key, generator);
            EXPECT_TRUE(plain->voxels.ownsBlock());
            EXPECT_EQ(plain->fillState, quick->fillState);
            EXPECT_EQ(plain->meshPending.load(), quick->meshPending.load());
            EXPECT_TRUE(everyVoxelIs(plain->voxels, key == generatedShell ? generator.fill : quick->voxels[0]));
        }
    }
    // A generated chunk that is solid and coloured like the solid fill
    // wherever it is used reads the fill's shared block; one used voxel of
    // another colour keeps its own. Shell 10's layers 0-4 use 16 x 16 columns
    // only: column (16, 0) of layer 0 is not used.
    ScriptedGenerator stone(Voxel{-0.5f, {10, 20, 30}});
    const ChunkKey coarseInside{1, 10, 1, 0};
    const Voxel* fillBlock = constantVoxelBlock(stone.solidFillVoxel).voxels;
    for (const int at : {-1, voxelIndex(16, 0, 0), voxelIndex(15, 0, 15), voxelIndex(31, 31, 31)}) {
        SCOPED_TRACE(::testing::Message() << "odd voxel at " << at);
        stone.oddAt = at;
        stone.odd = Voxel{-0.5f, {10, 20, 31}};
        const auto chunk = fast.buildChunk(coarseInside, stone);
        const bool used = at >= 0 && at != voxelIndex(16, 0, 0);
        EXPECT_EQ(chunk->fillState, ChunkFillState::AllSolid);
        EXPECT_EQ(chunk->voxels.ownsBlock(), used);
        EXPECT_EQ(chunk->voxels.data() == fillBlock, !used);
    }
    // Both the solid sign and the colour are needed: a voxel of air in the
    // fill's colour keeps the block.
    stone.oddAt = voxelIndex(0, 31, 0);
    stone.odd = Voxel{0.0f, {10, 20, 30}};
    const auto mixed = fast.buildChunk(coarseInside, stone);
    EXPECT_TRUE(mixed->voxels.ownsBlock());

    // One sample of the other sign, wherever it comes, makes a chunk Mixed.
    EXPECT_EQ(nextFillState(ChunkFillState::AllAir, -1e-30f), ChunkFillState::Mixed);
    EXPECT_EQ(nextFillState(ChunkFillState::AllSolid, -0.0f), ChunkFillState::Mixed);
    EXPECT_EQ(nextFillState(ChunkFillState::Mixed, 1.0f), ChunkFillState::Mixed);
    EXPECT_EQ(nextFillState(ChunkFillState::Mixed, -1.0f), ChunkFillState::Mixed);
}

TEST(ChunkMemoryTest, WritingCopiesTheSharedBlockReadingNeverAndEveryOwnBlockIsFreedOnce) {
    const Voxel marker{-7.5f, {1, 2, 3}};
    const std::int64_t before = VoxelVolume::liveOwnBlocks();
    for (const bool whole : {false, true}) {
        Chunk chunk({2, 20, 2, 3}, airVoxel);
        const Chunk other({3, 20, 2, 3}, airVoxel);
        // Every kind of read, the mesher's neighbour lookup included. (The
        // first check of the second pass also finds a block the first leaked.)
        float sum = std::as_const(chunk).voxel(31, 31, 31).density + chunk.voxels[0].density;
        sum += chunk.neighbourVoxel(5, 5, 5, Direction::PlusY).density;
        EXPECT_EQ(sum, 3.0f);
        EXPECT_EQ(VoxelVolume::liveOwnBlocks(), before);
        (whole ? chunk.writableVoxels()[voxelIndex(1, 2, 3)] : chunk.voxel(1, 2, 3)) = marker;
        EXPECT_EQ(VoxelVolume::liveOwnBlocks(), before + 1);
        EXPECT_TRUE(test::sameBits(chunk.voxels[voxelIndex(1, 2, 3)], marker));
        EXPECT_TRUE(test::sameBits(chunk.voxels[voxelIndex(1, 2, 4)], airVoxel));
        EXPECT_TRUE(everyVoxelIs(other.voxels, airVoxel));  // the shared block is untouched
        // Trading the own block for a shared one frees it there and then.
        if (whole) chunk.voxels.share(constantVoxelBlock(airVoxel));
        EXPECT_EQ(VoxelVolume::liveOwnBlocks(), before + (whole ? 0 : 1));
    }
    EXPECT_EQ(VoxelVolume::liveOwnBlocks(), before);
}

// A chunk built for the generator to write holds constructionVoxel wherever
// its layers use no column, even in a reused block that held other voxels.
TEST(ChunkMemoryTest, AChunkLeftForTheGeneratorHoldsTheConstructionVoxelOutsideItsLayersColumns) {
    const ChunkKey key{1, 10, 1, 0};  // its inner layers use 16 columns of 32
    std::uint32_t used[chunkSize] = {};
    forEachLayerOutermostFirst(key, [&](const ChunkLayer& layer) { used[layer.layer] = layer.columns; });
    ASSERT_LT(*std::min_element(std::begin(used), std::end(used)), std::uint32_t{chunkSize});
    for (int round = 0; round < 2; ++round) {
        {
            Chunk scribbled(key);
            std::fill_n(scribbled.writableVoxels(), voxelsPerBlock, Voxel{-7.5f, {1, 2, 3}});
        }
        const Chunk chunk(key, Chunk::UsedVoxelsWrittenNext{});
        std::size_t unused = 0;
        for (std::uint32_t n = 0; n < chunkSize * chunkSize * chunkSize; ++n) {
            const std::uint32_t i = n / (chunkSize * chunkSize), r = n / chunkSize % chunkSize, j = n % chunkSize;
            if (i < used[r] && j < used[r]) continue;
            ++unused;
            ASSERT_TRUE(test::sameBits(chunk.voxels[voxelIndex(i, r, j)], constructionVoxel))
                << "voxel (" << i << ", " << r << ", " << j << ")";
        }
        EXPECT_GT(unused, 0u);
    }
}

}  // namespace
}  // namespace gravelkin::test
