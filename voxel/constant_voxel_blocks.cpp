#include "voxel/constant_voxel_blocks.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <memory>
#include <mutex>
#include <unordered_map>

namespace gravelkin {

namespace {

// The value's bits, padding left out.
std::uint64_t valueKey(const Voxel& value) {
    return (std::uint64_t{std::bit_cast<std::uint32_t>(value.density)} << 24) |
           (std::uint64_t{value.colour[0]} << 16) | (std::uint64_t{value.colour[1]} << 8) | value.colour[2];
}

struct Registry {
    std::mutex lock;
    std::unordered_map<std::uint64_t, std::unique_ptr<const VoxelBlock>> blocks;
};

Registry& registry() {
    // Never destroyed: chunks may still be dropped by worker threads while
    // the process exits, and they read these blocks until then.
    static Registry* const instance = new Registry;
    return *instance;
}

}  // namespace

const VoxelBlock& constantVoxelBlock(const Voxel& value) {
    Registry& r = registry();
    std::lock_guard<std::mutex> guard(r.lock);
    std::unique_ptr<const VoxelBlock>& slot = r.blocks[valueKey(value)];
    if (slot == nullptr) {
        auto block = std::unique_ptr<VoxelBlock>(new VoxelBlock);
        std::fill(std::begin(block->voxels), std::end(block->voxels), value);
        slot = std::move(block);
    }
    return *slot;
}

std::size_t constantVoxelBlockCount() {
    Registry& r = registry();
    std::lock_guard<std::mutex> guard(r.lock);
    return r.blocks.size();
}

}  // namespace gravelkin
