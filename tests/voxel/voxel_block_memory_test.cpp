#include "voxel/voxel_block_memory.h"

#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "tests/support/comparisons.h"
#include "voxel/voxel_volume.h"

namespace gravelkin {
namespace {

constexpr std::size_t blocksPerSlab = voxelSlabBytes / sizeof(VoxelBlock);

// Pages of the block that are resident now.
std::size_t residentPages(VoxelBlock* block) {
    const auto page = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
    std::vector<unsigned char> resident(sizeof(VoxelBlock) / page);
    EXPECT_EQ(mincore(block, sizeof(VoxelBlock), resident.data()), 0);
    return static_cast<std::size_t>(std::count_if(resident.begin(), resident.end(), [](unsigned char r) { return r & 1; }));
}

void writeTag(VoxelBlock* block, float tag) {
    block->voxels[0] = Voxel{tag, {1, 2, 3}};
    block->voxels[voxelsPerBlock / 2] = Voxel{tag, {4, 5, 6}};
    block->voxels[voxelsPerBlock - 1] = Voxel{tag, {7, 8, 9}};
}

bool holdsTag(const VoxelBlock* block, float tag) {
    return test::sameBits(block->voxels[0], Voxel{tag, {1, 2, 3}}) &&
           test::sameBits(block->voxels[voxelsPerBlock / 2], Voxel{tag, {4, 5, 6}}) &&
           test::sameBits(block->voxels[voxelsPerBlock - 1], Voxel{tag, {7, 8, 9}});
}

TEST(VoxelBlockMemoryTest, FreedBlocksAreReusedAndAtMostAFewAreKept) {
    std::vector<VoxelBlock*> blocks;
    for (std::size_t k = 0; k < 2 * maxSpareVoxelBlocks; ++k) {
        VoxelBlock* block = allocateVoxelBlock();
        writeTag(block, static_cast<float>(k));
        blocks.push_back(block);
    }
    // Distinct blocks that do not overlap, each keeping what was written.
    std::vector<std::uintptr_t> starts;
    for (std::size_t k = 0; k < blocks.size(); ++k) {
        EXPECT_TRUE(holdsTag(blocks[k], static_cast<float>(k))) << "block " << k;
        starts.push_back(reinterpret_cast<std::uintptr_t>(blocks[k]));
    }
    std::sort(starts.begin(), starts.end());
    for (std::size_t k = 1; k < starts.size(); ++k) EXPECT_GE(starts[k] - starts[k - 1], sizeof(VoxelBlock));

    for (VoxelBlock* block : blocks) freeVoxelBlock(block);
    freeVoxelBlock(nullptr);
    if (!voxelBlocksMapped) {
        EXPECT_EQ(spareVoxelBlocks(), 0u);  // the sanitizer sees every block go
        EXPECT_EQ(mappedVoxelSlabs(), 0u);
        return;
    }
    EXPECT_EQ(spareVoxelBlocks(), maxSpareVoxelBlocks);
    EXPECT_LE(mappedVoxelSlabs(), maxSpareVoxelBlocks / blocksPerSlab) << "empty slabs beyond the spares stay mapped";
    VoxelBlock* again = allocateVoxelBlock();
    EXPECT_NE(std::find(blocks.begin(), blocks.end(), again), blocks.end()) << "a spare block was not reused";
    EXPECT_EQ(spareVoxelBlocks(), maxSpareVoxelBlocks - 1);
    freeVoxelBlock(again);
}

TEST(VoxelBlockMemoryTest, BlocksFreedFromSlabsStillInUseGiveTheirPagesBackAndAreReusedFirst) {
    if (!voxelBlocksMapped) GTEST_SKIP() << "blocks come from the heap under AddressSanitizer";
    // Every other block freed is twice the spares.
    constexpr std::size_t count = 4 * maxSpareVoxelBlocks;
    static_assert(count % blocksPerSlab == 0);
    std::vector<VoxelBlock*> blocks;
    for (std::size_t k = 0; k < count; ++k) {
        blocks.push_back(allocateVoxelBlock());
        writeTag(blocks.back(), 1.0f);
    }
    // Every other block freed: no slab empties, and all but the spares'
    // pages go back.
    std::vector<VoxelBlock*> freed;
    std::vector<VoxelBlock*> kept;
    for (std::size_t k = 0; k < count; ++k) (k % 2 == 0 ? freed : kept).push_back(blocks[k]);
    for (VoxelBlock* block : freed) freeVoxelBlock(block);
    EXPECT_EQ(spareVoxelBlocks(), maxSpareVoxelBlocks);
    std::size_t resident = 0;
    for (VoxelBlock* block : freed) resident += residentPages(block);
    const std::size_t pagesPerBlock = sizeof(VoxelBlock) / static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
    EXPECT_LE(resident, maxSpareVoxelBlocks * pagesPerBlock);

    // The freed blocks come back before any new slab is mapped, and every
    // byte of one whose pages went back is usable again.
    const std::size_t slabs = mappedVoxelSlabs();
    std::vector<VoxelBlock*> again;
    for (std::size_t k = 0; k < freed.size(); ++k) {
        VoxelBlock* block = allocateVoxelBlock();
        EXPECT_NE(std::find(freed.begin(), freed.end(), block), freed.end());
        std::fill(std::begin(block->voxels), std::end(block->voxels), Voxel{-2.0f, {9, 9, 9}});
        again.push_back(block);
    }
    EXPECT_EQ(mappedVoxelSlabs(), slabs);
    for (VoxelBlock* block : again) {
        EXPECT_TRUE(std::all_of(std::begin(block->voxels), std::end(block->voxels),
                                [](const Voxel& v) { return test::sameBits(v, Voxel{-2.0f, {9, 9, 9}}); }));
    }
    for (VoxelBlock* block : kept) EXPECT_TRUE(holdsTag(block, 1.0f));
    for (VoxelBlock* block : again) freeVoxelBlock(block);
    for (VoxelBlock* block : kept) freeVoxelBlock(block);
    // Each empty slab kept holds a spare block at least.
    EXPECT_LE(mappedVoxelSlabs(), maxSpareVoxelBlocks);
}

TEST(VoxelBlockMemoryTest, ThreadsTakeAndGiveBlocksAtOnceWithoutSharingOne) {
    // Each burst holds more blocks than the spares, so that blocks are also
    // given back page by page, whole slabs unmapped and given-back blocks
    // taken again, on every thread at once.
    constexpr int threads = 4;
    constexpr int rounds = 30;
    constexpr std::size_t burst = maxSpareVoxelBlocks + 2 * blocksPerSlab;
    std::vector<std::thread> workers;
    std::vector<int> mixedUp(threads, 0);
    for (int t = 0; t < threads; ++t) {
        workers.emplace_back([t, &mixedUp] {
            std::vector<VoxelBlock*> mine;
            for (int round = 0; round < rounds; ++round) {
                const auto tag = static_cast<float>(t * rounds + round);
                for (std::size_t k = 0; k < burst; ++k) {
                    mine.push_back(allocateVoxelBlock());
                    writeTag(mine.back(), tag);
                }
                // Given back out of order: odd places first, then even.
                for (const std::size_t first : {1, 0}) {
                    for (std::size_t k = first; k < burst; k += 2) {
                        if (!holdsTag(mine[k], tag)) ++mixedUp[t];
                        freeVoxelBlock(mine[k]);
                    }
                }
                mine.clear();
            }
        });
    }
    for (std::thread& worker : workers) worker.join();
    for (int t = 0; t < threads; ++t) EXPECT_EQ(mixedUp[t], 0) << "thread " << t;
    if (voxelBlocksMapped) {
        EXPECT_LE(spareVoxelBlocks(), maxSpareVoxelBlocks);
        EXPECT_LE(mappedVoxelSlabs(), maxSpareVoxelBlocks);
    }
}

}  // namespace
}  // namespace gravelkin
