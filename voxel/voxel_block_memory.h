// Memory for voxel blocks of a chunk's own (256 KiB each).
//
// A block is written whole as soon as it is allocated, so its pages are
// mapped in one go (MAP_POPULATE) instead of faulting in one by one as the
// first write reaches them: the factories allocate thousands while the
// planet streams in, and page faults were a good part of their time. Freed
// blocks go back to the system, except a few kept for the next allocation,
// since a generated chunk that comes out all air gives its block back at once.
//
// Threads: any; the spare blocks are guarded by a mutex.
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

// Freed blocks kept for reuse at most, and now.
inline constexpr std::size_t maxSpareVoxelBlocks = 16;
std::size_t spareVoxelBlocks();

}  // namespace gravelkin
