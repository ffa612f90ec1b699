#include "voxel/voxel_block_memory.h"

#include <sys/mman.h>

#include <atomic>
#include <mutex>
#include <new>
#include <vector>

#include "voxel/voxel_volume.h"

namespace gravelkin {

namespace {

struct Spares {
    std::mutex lock;
    std::vector<VoxelBlock*> blocks;
};

Spares& spares() {
    // Never destroyed: chunks may still be released by worker threads while
    // the process exits.
    static Spares* const instance = new Spares;
    return *instance;
}

void releaseBlock(VoxelBlock* block) {
    if (voxelBlocksMapped) {
        munmap(block, sizeof(VoxelBlock));
    } else {
        delete block;
    }
}

std::atomic<VoxelBlockAllocationFault> allocationFault{nullptr};

}  // namespace

void setVoxelBlockAllocationFault(VoxelBlockAllocationFault hook) {
    allocationFault.store(hook, std::memory_order_release);
}

VoxelBlock* allocateVoxelBlock() {
    if (const VoxelBlockAllocationFault fault = allocationFault.load(std::memory_order_acquire)) [[unlikely]] {
        if (fault()) throw std::bad_alloc();
    }
    {
        Spares& s = spares();
        std::lock_guard guard(s.lock);
        if (!s.blocks.empty()) {
            VoxelBlock* block = s.blocks.back();
            s.blocks.pop_back();
            return block;
        }
    }
    if (!voxelBlocksMapped) return new VoxelBlock;
    void* memory = mmap(nullptr, sizeof(VoxelBlock), PROT_READ | PROT_WRITE,
                        MAP_PRIVATE | MAP_ANONYMOUS | MAP_POPULATE, -1, 0);
    if (memory == MAP_FAILED) throw std::bad_alloc();
    return static_cast<VoxelBlock*>(memory);
}

void freeVoxelBlock(VoxelBlock* block) {
    if (block == nullptr) return;
    if (voxelBlocksMapped) {
        Spares& s = spares();
        std::lock_guard guard(s.lock);
        if (s.blocks.size() < maxSpareVoxelBlocks) {
            s.blocks.push_back(block);
            return;
        }
    }
    releaseBlock(block);
}

std::size_t spareVoxelBlocks() {
    Spares& s = spares();
    std::lock_guard guard(s.lock);
    return s.blocks.size();
}

}  // namespace gravelkin
