#include "device/staging_arena.h"

#include <sys/mman.h>

#include <cstdint>
#include <new>

namespace gravelkin {

// The head of each slab, at its start: slabs are aligned to their size, so a
// block finds its slab by rounding its address down.
struct StagingArena::Slab {
    std::size_t used = 0;  // bytes from the slab's start, the head included
    std::size_t live = 0;  // blocks handed out and not given back
};

namespace {

constexpr std::size_t blockAlignment = 64;
constexpr std::size_t pageBytes = 4096;

std::size_t roundUp(std::size_t bytes, std::size_t to) { return (bytes + to - 1) / to * to; }

// `bytes` of fresh memory aligned to `alignment` (a power of two, at least a
// page), with huge pages asked for; null when there is none.
void* mapAligned(std::size_t bytes, std::size_t alignment) {
    const std::size_t extra = alignment - pageBytes;
    void* mapped = mmap(nullptr, bytes + extra, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (mapped == MAP_FAILED) return nullptr;
    const auto start = reinterpret_cast<std::uintptr_t>(mapped);
    const std::uintptr_t aligned = (start + alignment - 1) & ~(std::uintptr_t{alignment} - 1);
    if (aligned > start) munmap(mapped, aligned - start);
    const std::size_t tail = start + bytes + extra - (aligned + bytes);
    if (tail > 0) munmap(reinterpret_cast<void*>(aligned + bytes), tail);
    // Only a hint: without huge pages the memory works the same.
    (void)madvise(reinterpret_cast<void*>(aligned), bytes, MADV_HUGEPAGE);
    return reinterpret_cast<void*>(aligned);
}

}  // namespace

void StagingReturn::operator()(ChunkVertex* vertices) const {
    if (vertices == nullptr) return;
    if (!stagingBlocksMapped) {
        ::operator delete(vertices, std::align_val_t{blockAlignment});
    } else if (ownMappingBytes != 0) {
        munmap(vertices, ownMappingBytes);
    } else {
        arena->give(vertices);
    }
}

StagingArena::StagingArena(std::size_t maxSpareSlabs) : maxSpareSlabs_(maxSpareSlabs) {}

StagingArena::~StagingArena() {
    // Every block has been given back: the current slab is empty too.
    if (current_ != nullptr) munmap(current_, slabBytes);
    for (Slab* slab : spares_) munmap(slab, slabBytes);
}

StagingArena::Slab* StagingArena::newSlab() {
    if (!spares_.empty()) {
        Slab* slab = spares_.back();
        spares_.pop_back();
        return new (slab) Slab;
    }
    void* memory = mapAligned(slabBytes, slabBytes);
    if (memory == nullptr) throw std::bad_alloc();
    ++mapped_;
    return new (memory) Slab;
}

void StagingArena::retire(Slab* slab) {
    if (spares_.size() < maxSpareSlabs_) {
        try {
            spares_.push_back(slab);
            return;
        } catch (const std::bad_alloc&) {
            // No room to note it: unmap it instead.
        }
    }
    munmap(slab, slabBytes);
    --mapped_;
}

StagingBlock StagingArena::take(std::size_t count) {
    if (count == 0) return StagingBlock(nullptr, StagingReturn{});
    if (count > (SIZE_MAX - slabBytes) / sizeof(ChunkVertex)) throw std::bad_alloc();
    const std::size_t bytes = roundUp(count * sizeof(ChunkVertex), blockAlignment);
    if (!stagingBlocksMapped) {
        return StagingBlock(static_cast<ChunkVertex*>(::operator new(bytes, std::align_val_t{blockAlignment})),
                            StagingReturn{this, 0});
    }
    if (bytes > largestSlabBlockBytes) {
        const std::size_t mappingBytes = roundUp(bytes, pageBytes);
        void* memory = mapAligned(mappingBytes, pageBytes);
        if (memory == nullptr) throw std::bad_alloc();
        return StagingBlock(static_cast<ChunkVertex*>(memory), StagingReturn{this, mappingBytes});
    }
    std::lock_guard lock(mutex_);
    if (current_ == nullptr || current_->used + bytes > slabBytes) {
        Slab* full = current_;
        current_ = newSlab();
        current_->used = roundUp(sizeof(Slab), blockAlignment);
        if (full != nullptr && full->live == 0) retire(full);
    }
    std::byte* block = reinterpret_cast<std::byte*>(current_) + current_->used;
    current_->used += bytes;
    ++current_->live;
    return StagingBlock(reinterpret_cast<ChunkVertex*>(block), StagingReturn{this, 0});
}

void StagingArena::give(ChunkVertex* vertices) {
    const auto address = reinterpret_cast<std::uintptr_t>(vertices);
    auto* slab = reinterpret_cast<Slab*>(address & ~(std::uintptr_t{slabBytes} - 1));
    std::lock_guard lock(mutex_);
    if (--slab->live == 0 && slab != current_) retire(slab);
}

std::size_t StagingArena::mappedSlabs() const {
    std::lock_guard lock(mutex_);
    return mapped_;
}

std::size_t StagingArena::spareSlabs() const {
    std::lock_guard lock(mutex_);
    return spares_.size();
}

}  // namespace gravelkin
