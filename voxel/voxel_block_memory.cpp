#include "voxel/voxel_block_memory.h"

#include <sys/mman.h>

#include <atomic>
#include <bit>
#include <cstdint>
#include <mutex>
#include <new>
#include <unordered_map>
#include <vector>

#include "voxel/voxel_volume.h"

namespace gravelkin {

namespace {

constexpr std::size_t blockBytes = sizeof(VoxelBlock);
constexpr std::uint32_t blocksPerSlab = voxelSlabBytes / blockBytes;
static_assert(voxelSlabBytes % blockBytes == 0 && blocksPerSlab <= 32);
constexpr std::uint32_t allBlocks = blocksPerSlab == 32 ? ~0u : (1u << blocksPerSlab) - 1;

struct Slab {
    std::uintptr_t start = 0;
    std::uint32_t free = 0;  // bit b: block b is not handed out
    std::uint32_t cold = 0;  // bit b: a free block whose pages went back to the system
    bool smallPages = false;  // huge pages no longer asked for
    std::size_t openIndex = 0;  // where it sits in Slabs::open, while it has a free block
};

struct Slabs {
    std::mutex lock;
    // Guarded by lock.
    std::unordered_map<std::uintptr_t, Slab> byStart;
    std::vector<Slab*> open;   // the slabs with a free block
    std::size_t warmFree = 0;  // free blocks that are still resident
};

Slabs& slabs() {
    // Never destroyed: chunks may still be released by worker threads while
    // the process exits.
    static Slabs* const instance = new Slabs;
    return *instance;
}

std::atomic<VoxelBlockAllocationFault> allocationFault{nullptr};

std::uintptr_t slabStartOf(const void* block) {
    return reinterpret_cast<std::uintptr_t>(block) & ~(std::uintptr_t{voxelSlabBytes} - 1);
}

VoxelBlock* blockAt(std::uintptr_t start, std::uint32_t index) {
    return reinterpret_cast<VoxelBlock*>(start + index * blockBytes);
}

// Asks the system to map the pages now, writable, in one call: far cheaper
// than a fault per page, and with huge pages one mapping per 2 MiB. Only a
// hint: a kernel without it leaves the pages to fault in as they are written.
void populate(void* memory, std::size_t bytes) { (void)madvise(memory, bytes, MADV_POPULATE_WRITE); }

// A fresh slab aligned to its size, with huge pages asked for and its pages
// mapped; 0 when the system has no memory.
std::uintptr_t mapSlab() {
    const std::size_t reserve = 2 * voxelSlabBytes;
    void* mapped = mmap(nullptr, reserve, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (mapped == MAP_FAILED) return 0;
    const auto reserved = reinterpret_cast<std::uintptr_t>(mapped);
    const std::uintptr_t start = (reserved + voxelSlabBytes - 1) & ~(std::uintptr_t{voxelSlabBytes} - 1);
    if (start > reserved) munmap(mapped, start - reserved);
    const std::uintptr_t end = start + voxelSlabBytes;
    if (end < reserved + reserve) munmap(reinterpret_cast<void*>(end), reserved + reserve - end);
    (void)madvise(reinterpret_cast<void*>(start), voxelSlabBytes, MADV_HUGEPAGE);
    populate(reinterpret_cast<void*>(start), voxelSlabBytes);
    return start;
}

// Slab bookkeeping; every function here needs the lock held.
void markOpen(Slabs& s, Slab& slab) {
    slab.openIndex = s.open.size();
    s.open.push_back(&slab);
}

void markClosed(Slabs& s, Slab& slab) {
    Slab* last = s.open.back();
    s.open[slab.openIndex] = last;
    last->openIndex = slab.openIndex;
    s.open.pop_back();
}

// The open slab to take a block from: one with a resident free block if
// any, else one with any free block; of those the one with the fewest free
// blocks, so that slabs fill up and emptied ones can go back whole.
Slab* bestOpenSlab(const Slabs& s) {
    Slab* best = nullptr;
    bool bestWarm = false;
    int bestFree = 0;
    for (Slab* slab : s.open) {
        const bool warm = (slab->free & ~slab->cold) != 0;
        const int free = std::popcount(slab->free);
        if (best == nullptr || (warm && !bestWarm) || (warm == bestWarm && free < bestFree)) {
            best = slab;
            bestWarm = warm;
            bestFree = free;
        }
    }
    return best;
}

// Takes an empty slab out of the table and returns where it starts: once
// out, no other thread can reach it, so it is unmapped after the lock.
std::uintptr_t forgetEmptySlab(Slabs& s, std::unordered_map<std::uintptr_t, Slab>::iterator found) {
    Slab& slab = found->second;
    s.warmFree -= static_cast<std::size_t>(std::popcount(slab.free & ~slab.cold));
    markClosed(s, slab);
    const std::uintptr_t start = slab.start;
    s.byStart.erase(found);
    return start;
}

struct Taken {
    VoxelBlock* block = nullptr;
    bool cold = false;
};

Taken takeFrom(Slabs& s, Slab& slab) {
    const std::uint32_t warm = slab.free & ~slab.cold;
    const std::uint32_t index = static_cast<std::uint32_t>(std::countr_zero(warm != 0 ? warm : slab.free));
    const std::uint32_t bit = 1u << index;
    const bool cold = (slab.cold & bit) != 0;
    slab.free &= ~bit;
    slab.cold &= ~bit;
    if (!cold) --s.warmFree;
    if (slab.free == 0) markClosed(s, slab);
    return {blockAt(slab.start, index), cold};
}

}  // namespace

void setVoxelBlockAllocationFault(VoxelBlockAllocationFault hook) {
    allocationFault.store(hook, std::memory_order_release);
}

VoxelBlock* allocateVoxelBlock() {
    if (const VoxelBlockAllocationFault fault = allocationFault.load(std::memory_order_acquire)) [[unlikely]] {
        if (fault()) throw std::bad_alloc();
    }
    if (!voxelBlocksMapped) return new VoxelBlock;
    Slabs& s = slabs();
    {
        std::unique_lock guard(s.lock);
        if (Slab* slab = bestOpenSlab(s)) {
            const Taken taken = takeFrom(s, *slab);
            guard.unlock();
            if (taken.cold) populate(taken.block, blockBytes);
            return taken.block;
        }
    }
    // Mapped outside the lock, so other threads go on taking and giving
    // blocks; a slab mapped by two threads at once is simply one more open
    // slab.
    const std::uintptr_t start = mapSlab();
    if (start == 0) throw std::bad_alloc();
    std::lock_guard guard(s.lock);
    try {
        Slab& slab = s.byStart[start];
        // So that freeVoxelBlock can always note a slab open without
        // allocating.
        s.open.reserve(s.byStart.size());
        slab.start = start;
        slab.free = allBlocks & ~1u;
        s.warmFree += blocksPerSlab - 1;
        if (slab.free != 0) markOpen(s, slab);
    } catch (const std::bad_alloc&) {
        s.byStart.erase(start);
        munmap(reinterpret_cast<void*>(start), voxelSlabBytes);
        throw;
    }
    return blockAt(start, 0);
}

void freeVoxelBlock(VoxelBlock* block) {
    if (block == nullptr) return;
    if (!voxelBlocksMapped) {
        delete block;
        return;
    }
    // The system calls run outside the lock, so that the factories' blocks
    // keep coming while thousands go after a jump.
    Slabs& s = slabs();
    const std::uint32_t bit = 1u << ((reinterpret_cast<std::uintptr_t>(block) & (voxelSlabBytes - 1)) / blockBytes);
    std::uintptr_t emptied = 0;
    bool split = false;
    {
        std::lock_guard guard(s.lock);
        const auto found = s.byStart.find(slabStartOf(block));
        Slab& slab = found->second;
        if (s.warmFree < maxSpareVoxelBlocks || (slab.free | bit) == allBlocks) {
            // open has room for every slab mapped: markOpen does not allocate.
            if (slab.free == 0) markOpen(s, slab);
            slab.free |= bit;
            ++s.warmFree;
            // An empty slab beyond the spares goes back to the system whole.
            if (slab.free != allBlocks || s.warmFree <= maxSpareVoxelBlocks) return;
            emptied = forgetEmptySlab(s, found);
        } else {
            // The slab's other blocks are in use: only this block's pages go
            // back, and it stays taken until they have. The kernel would
            // otherwise merge the slab into one huge page again in the
            // background, block and all.
            split = !slab.smallPages;
            slab.smallPages = true;
        }
    }
    if (emptied == 0) {
        if (split) (void)madvise(reinterpret_cast<void*>(slabStartOf(block)), voxelSlabBytes, MADV_NOHUGEPAGE);
        (void)madvise(block, blockBytes, MADV_DONTNEED);
        std::lock_guard guard(s.lock);
        const auto found = s.byStart.find(slabStartOf(block));
        Slab& slab = found->second;
        if (slab.free == 0) markOpen(s, slab);
        slab.free |= bit;
        slab.cold |= bit;
        // Every other block may have gone meanwhile.
        if (slab.free != allBlocks) return;
        emptied = forgetEmptySlab(s, found);
    }
    munmap(reinterpret_cast<void*>(emptied), voxelSlabBytes);
}

std::size_t spareVoxelBlocks() {
    Slabs& s = slabs();
    std::lock_guard guard(s.lock);
    return s.warmFree;
}

std::size_t mappedVoxelSlabs() {
    Slabs& s = slabs();
    std::lock_guard guard(s.lock);
    return s.byStart.size();
}

}  // namespace gravelkin
