// Memory for voxel blocks of a chunk's own (256 KiB each).
//
// A block is written whole as soon as it is allocated, so its pages are
// mapped before it is handed out instead of faulting in one by one as the
// first write reaches them: the factories allocate thousands while the
// planet streams in. Blocks are carved from 2 MiB slabs aligned to their
// size, with transparent huge pages asked for and every page mapped in one
// call. On a virtual machine that costs about 0.4 us per 4 KiB against 7 us
// for a block mapped with MAP_POPULATE (the first write to each of its
// pages still traps) and 12 us for pages faulted in by the writes: the
// factories' first writes into fresh blocks were a quarter of their time.
//
// Free blocks stay mapped for the next allocation, up to maxSpareVoxelBlocks
// (16 MiB): after a jump the factories need new blocks while the manager is
// still dropping the old ones, and pages given back and mapped again within
// the second cost more than they save (keeping only 4 MiB made a jump
// stream slower than mapping each block afresh). Beyond that, a slab left
// empty is unmapped whole, and a block freed from a slab still in use gives
// its pages back to the system (and has them mapped again when it is
// reused). A block is taken from the fullest slab that has a mapped free
// block, so slabs empty out together as chunks go.
//
// Threads: any; the slabs' bookkeeping is guarded by a mutex.
#pragma once

#include <cstddef>

namespace gravelkin {

struct VoxelBlock;

// Under AddressSanitizer blocks come from the heap and none is kept for
// reuse, so that the sanitizer watches their bounds and their lifetime.
#if defined(__SANITIZE_ADDRESS__)
inline constexpr bool voxelBlocksMapped = false;
#else
inline constexpr bool voxelBlocksMapped = true;
#endif

// Uninitialised memory for one block. Throws std::bad_alloc when the system
// has none, or when the allocation fault hook says so.
VoxelBlock* allocateVoxelBlock();

// A test seam for allocation failures: while set, allocateVoxelBlock first
// calls the hook and throws std::bad_alloc, as an exhausted system would,
// whenever it returns true. Null (the default) removes it. The hook is called
// on every thread that allocates, at once; set it before those threads start
// and keep it until they have ended.
using VoxelBlockAllocationFault = bool (*)();
void setVoxelBlockAllocationFault(VoxelBlockAllocationFault hook);

// Gives a block from allocateVoxelBlock back. Null is ignored.
void freeVoxelBlock(VoxelBlock* block);

// The slabs blocks are carved from: one huge page on x86-64.
inline constexpr std::size_t voxelSlabBytes = std::size_t{2} << 20;

// Free blocks kept mapped for reuse at most, and now; and slabs mapped now.
inline constexpr std::size_t maxSpareVoxelBlocks = 64;
std::size_t spareVoxelBlocks();
std::size_t mappedVoxelSlabs();

}  // namespace gravelkin
