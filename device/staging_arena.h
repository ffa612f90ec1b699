// Memory for the meshes the factories stage and the main thread stores a
// frame or more later. Fresh memory for every staged copy faulted each of
// its pages in on the factory that packed it: on a virtual machine a fault
// costs several microseconds, and the planet stages hundreds of megabytes
// while it streams in.
//
// Blocks are carved one after another from 4 MiB slabs, mapped with
// transparent huge pages asked for (so one fault maps 2 MiB where the system
// allows it). Copies are stored in about the order they were staged, so a
// slab empties soon after it fills. A few empty slabs are kept for reuse and
// the others unmapped: memory kept here is not the heap's, so no trim of the
// heap gives it back. A block too large for a slab gets a mapping of its own.
//
// Threads: any; the slabs' counts are guarded by a mutex. The arena must
// outlive every block it has handed out.
#pragma once

#include <cstddef>
#include <memory>
#include <mutex>
#include <vector>

#include "device/chunk_vertex.h"

namespace gravelkin {

class StagingArena;

// Gives a block back to the arena it came from.
struct StagingReturn {
    StagingArena* arena = nullptr;
    std::size_t ownMappingBytes = 0;  // not 0: a mapping of its own, this long
    void operator()(ChunkVertex* vertices) const;
};

using StagingBlock = std::unique_ptr<ChunkVertex[], StagingReturn>;

// Under AddressSanitizer blocks come from the heap, so that the sanitizer
// watches each one's bounds and lifetime.
#if defined(__SANITIZE_ADDRESS__)
inline constexpr bool stagingBlocksMapped = false;
#else
inline constexpr bool stagingBlocksMapped = true;
#endif

class StagingArena {
public:
    static constexpr std::size_t slabBytes = std::size_t{4} << 20;
    // Larger blocks get a mapping of their own, so that a slab wastes at most
    // this much at its end.
    static constexpr std::size_t largestSlabBlockBytes = slabBytes / 4;

    // While the planet streams in, five or six slabs are in use at once: with
    // fewer kept, slabs are unmapped and fresh ones zeroed again within the
    // same second.
    static constexpr std::size_t defaultSpareSlabs = 4;

    explicit StagingArena(std::size_t maxSpareSlabs = defaultSpareSlabs);
    ~StagingArena();
    StagingArena(const StagingArena&) = delete;
    StagingArena& operator=(const StagingArena&) = delete;

    // Uninitialised memory for `count` vertices; null for none. Throws
    // std::bad_alloc when there is no memory.
    StagingBlock take(std::size_t count);

    // Slabs mapped now (in use or spare), and of those the spare ones.
    std::size_t mappedSlabs() const;
    std::size_t spareSlabs() const;

private:
    friend struct StagingReturn;
    struct Slab;

    void give(ChunkVertex* vertices);
    Slab* newSlab();  // mutex_ held
    void retire(Slab* slab);  // mutex_ held; slab empty and not current

    const std::size_t maxSpareSlabs_;
    mutable std::mutex mutex_;
    // Guarded by mutex_.
    Slab* current_ = nullptr;
    std::vector<Slab*> spares_;
    std::size_t mapped_ = 0;
};

}  // namespace gravelkin
