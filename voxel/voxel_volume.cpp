#include "voxel/voxel_volume.h"

#include <algorithm>
#include <atomic>

#include "voxel/voxel_block_memory.h"

namespace gravelkin {

namespace {

std::atomic<std::int64_t> ownBlocks{0};

}  // namespace

void VoxelVolume::OwnBlockDeleter::operator()(VoxelBlock* block) const {
    freeVoxelBlock(block);
    ownBlocks.fetch_sub(1, std::memory_order_relaxed);
}

VoxelVolume::OwnBlock VoxelVolume::allocateBlock() {
    // Left uninitialised: every caller writes the whole block straight away,
    // itself or, for the voxels it leaves, through the chunk's generator.
    OwnBlock block(allocateVoxelBlock());
    ownBlocks.fetch_add(1, std::memory_order_relaxed);
    return block;
}

VoxelVolume::VoxelVolume(const Voxel& fill) : own_(allocateBlock()) {
    std::fill(std::begin(own_->voxels), std::end(own_->voxels), fill);
    data_ = own_->voxels;
}

VoxelVolume::VoxelVolume(const Voxel& fill, const std::uint32_t (&usedColumns)[chunkSize]) : own_(allocateBlock()) {
    for (std::uint32_t r = 0; r < chunkSize; ++r) {
        const std::uint32_t used = std::min<std::uint32_t>(usedColumns[r], chunkSize);
        for (std::uint32_t i = 0; i < chunkSize; ++i) {
            Voxel* row = own_->voxels + voxelIndex(i, r, 0);
            std::fill(row + (i < used ? used : 0), row + chunkSize, fill);
        }
    }
    data_ = own_->voxels;
}

VoxelVolume::VoxelVolume(const VoxelBlock& shared) : data_(shared.voxels) {}

void VoxelVolume::share(const VoxelBlock& shared) {
    data_ = shared.voxels;
    own_.reset();
}

void VoxelVolume::copyShared() {
    OwnBlock block = allocateBlock();
    std::copy(data_, data_ + voxelsPerBlock, block->voxels);
    own_ = std::move(block);
    data_ = own_->voxels;
}

std::int64_t VoxelVolume::liveOwnBlocks() { return ownBlocks.load(std::memory_order_relaxed); }

}  // namespace gravelkin
