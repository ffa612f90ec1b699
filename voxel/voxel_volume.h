// Layer voxel (voxel/): the voxel, the 32^3 volume, constant blocks, block
// memory and the fill state.
//
// Where a chunk's 32 x 32 x 32 voxels live.
//
// A volume either owns a block of its own (a generated chunk, or one built by
// hand) or reads one of the shared immutable constant blocks (a chunk filled
// with one voxel value; see constant_voxel_blocks.h). Most chunks of a planet
// are constant air or rock, so sharing keeps them down to the chunk record.
//
// Reads never change anything. The only way to write is writable(), which
// first gives a volume that reads a shared block a copy of its own, so a
// shared block is never written. Writing is for the chunk's builder, before
// the chunk is published; readers should go through a const chunk.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "voxel/voxel.h"

namespace gravelkin {

// A chunk's edge in voxels, and its voxel count.
inline constexpr int chunkSize = 32;
inline constexpr int voxelsPerBlock = chunkSize * chunkSize * chunkSize;

// Where voxel (i, r, j) sits in a volume: i along the face's first axis, r the
// radial layer (0 innermost), j along the second axis.
constexpr int voxelIndex(std::uint32_t i, std::uint32_t r, std::uint32_t j) {
    return static_cast<int>((i * chunkSize + r) * chunkSize + j);
}

struct VoxelBlock {
    Voxel voxels[voxelsPerBlock];
};

class VoxelVolume {
public:
    // A block of its own, every voxel = `fill`.
    explicit VoxelVolume(const Voxel& fill);
    // A block of its own in which each layer r's voxels (i, r, j) with i and
    // j below usedColumns[r] are left for the caller to write straight away,
    // and every other voxel = `fill`.
    VoxelVolume(const Voxel& fill, const std::uint32_t (&usedColumns)[chunkSize]);
    // Reads `shared`, a constant block (every voxel the same value) that
    // outlives the volume and is never written.
    explicit VoxelVolume(const VoxelBlock& shared);
    VoxelVolume(const VoxelVolume&) = delete;
    VoxelVolume& operator=(const VoxelVolume&) = delete;

    const Voxel& operator[](std::size_t index) const { return data_[index]; }
    const Voxel* data() const { return data_; }
    const Voxel* begin() const { return data_; }
    const Voxel* end() const { return data_ + voxelsPerBlock; }
    static constexpr std::size_t size() { return voxelsPerBlock; }

    // Whether the voxels are a block of this volume's own. When not, they are
    // a shared constant block: every voxel equals the first.
    bool ownsBlock() const { return own_ != nullptr; }

    // The voxels for writing; a shared block is copied first.
    Voxel* writable() {
        if (own_ == nullptr) [[unlikely]] copyShared();
        return own_->voxels;
    }

    // Frees the own block, if any, and reads `shared`, a constant block, from
    // now on.
    void share(const VoxelBlock& shared);

    // Own blocks allocated and not yet freed, in the whole process (for
    // memory reports and tests).
    static std::int64_t liveOwnBlocks();

private:
    // Frees an own block and counts it out.
    struct OwnBlockDeleter {
        void operator()(VoxelBlock* block) const;
    };
    using OwnBlock = std::unique_ptr<VoxelBlock, OwnBlockDeleter>;

    static OwnBlock allocateBlock();
    void copyShared();

    const Voxel* data_;
    OwnBlock own_;
};

}  // namespace gravelkin
