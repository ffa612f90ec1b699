// One chunk: a 32 x 32 x 32 voxel volume in one cell of one shell, and, once
// meshed, its vertex buffer (the mesher is mesher.h; factory_jobs.h uploads
// and publishes its vertices).
//
// The record itself is small; its voxels live in a block of their own, or,
// for a chunk filled with one constant voxel, in the block that all such
// chunks share (voxel_volume.h). Reads answer the same either way. A
// generated chunk that comes out all air moves to the shared air block too
// (chunk_build.cpp): its voxels keep their sign, not their values.
//
// Threads: the building worker writes everything until the chunk is
// published. Afterwards only the worker that meshes it writes neighbours,
// fineNeighbours, vertexBuffer, bounds, vertexCount, meshPending and
// bufferFailures; the manager reads meshPending, bufferFailures and centre,
// the renderer reads vertexCount (acquire) and then vertexBuffer and bounds.
// A chunk is meshed again only while it has no buffer (its last creation
// failed), so vertexCount stays 0 and the renderer never reads what the new
// mesh job writes. Voxels never change after publication.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <unordered_map>

#include "camera/frustum.h"
#include "camera/vector_math.h"
#include "voxel/fill_state.h"
#include "voxel/voxel.h"
#include "voxel/voxel_volume.h"
#include "geometry/chunk_key.h"
#include "geometry/neighbours.h"
#include "device/graphics_device.h"
#include "factory/memory_ledger.h"

namespace gravelkin {

class Chunk;

// The clock of a chunk's stamps (Chunk::builtAt, meshedAt): steady-clock
// nanoseconds.
inline std::int64_t stampNow() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// The finer chunks across a side whose neighbouring shell is divided twice as
// finely; owned by a worker and lent to the chunk while it is meshed.
using FineNeighbourMap = std::unordered_map<ChunkKey, std::shared_ptr<Chunk>, ChunkKeyHasher>;

class Chunk {
public:
    static constexpr int size = chunkSize;
    static constexpr int voxelCount = voxelsPerBlock;

    // Every voxel holds constructionVoxel, in a block of the chunk's own.
    explicit Chunk(const ChunkKey& key);
    // The same, except that the voxels the chunk's layers use are left for
    // the builder to write straight away: a generator writes every one, and
    // filling them first would cost a pass over the block for nothing.
    struct UsedVoxelsWrittenNext {};
    Chunk(const ChunkKey& key, UsedVoxelsWrittenNext);
    // Every voxel holds `constant`, read from the shared block for that value:
    // no block of the chunk's own until something writes to it.
    Chunk(const ChunkKey& key, const Voxel& constant);
    ~Chunk();  // releases vertexBuffer, if any, exactly once, and credits the ledger

    // From now on the chunk's memory is charged to `ledger`: its record, its
    // bookkeeping and own voxel block at once, its mesh when published
    // (mesh_upload.h).
    // The builder calls it once, before publication.
    void chargeTo(MemoryLedger& ledger);
    // Charges `bytes` more to the ledger, if the chunk has one. Only the
    // thread that may write the chunk's mesh.
    void charge(std::uint64_t bytes) { charge_.add(bytes); }
    // What the chunk has charged so far; any thread.
    std::uint64_t chargedBytes() const { return charge_.bytes(); }
    Chunk(const Chunk&) = delete;
    Chunk& operator=(const Chunk&) = delete;

    // Voxel (i, r, j): i along u, r the radial layer (0 innermost), j along v.
    static constexpr int voxelIndex(std::uint32_t i, std::uint32_t r, std::uint32_t j) {
        return gravelkin::voxelIndex(i, r, j);
    }
    // For writing (the builder, before publication): a chunk that reads a
    // shared block first gets a copy of its own. Readers use the const one.
    Voxel& voxel(std::uint32_t i, std::uint32_t r, std::uint32_t j) { return voxels.writable()[voxelIndex(i, r, j)]; }
    const Voxel& voxel(std::uint32_t i, std::uint32_t r, std::uint32_t j) const { return voxels[voxelIndex(i, r, j)]; }
    // The whole volume for writing, in voxelIndex order; see voxel().
    Voxel* writableVoxels() { return voxels.writable(); }

    // The voxel next to (i, r, j) in `direction`, wherever it lies
    // (neighbour_voxel.h).
    Voxel neighbourVoxel(std::uint32_t i, std::uint32_t r, std::uint32_t j, Direction direction) const;

    VertexBuffer* vertexBuffer = nullptr;
    // Every vertex position of the mesh lies inside; published with
    // vertexBuffer.
    Box3 bounds;
    // Publication flag for vertexBuffer and bounds: stored with release after it, read
    // with acquire before it.
    std::atomic<std::uint32_t> vertexCount{0};
    ChunkKey key;
    Vec3 centre;
    ChunkFillState fillState = ChunkFillState::Unknown;
    bool levelStepInShell = false;  // the column grid changes inside this shell
    // Set until the chunk is meshed with its buffer created (or found to need
    // none); a failed creation leaves it set.
    std::atomic<bool> meshPending{true};
    // How many times the device failed to create this chunk's buffer: raised
    // (release) by the mesh job before it finishes its request, so that the
    // manager, seeing the key no longer in flight, reads the new count and
    // waits before it asks for the mesh again (planet/retry_backoff.h).
    std::atomic<std::uint32_t> bufferFailures{0};
    // When the chunk was built, and when its mesh step ended (its buffer
    // published, or none needed), by stampNow(); 0 until then. They tell how
    // soon streaming settled, read once the planet's threads have stopped:
    // builtAt is written before publication, meshedAt before meshPending is
    // cleared.
    std::int64_t builtAt = 0;
    std::int64_t meshedAt = 0;
    // Read-only here: writes go through voxel() or writableVoxels().
    VoxelVolume voxels;
    // The one adjacent chunk per direction, or null where the space beyond is
    // four finer chunks; written just before meshing.
    Chunk* neighbours[directionCount] = {};
    const FineNeighbourMap* fineNeighbours = nullptr;

private:
    LedgerCharge charge_;
};

}  // namespace gravelkin
