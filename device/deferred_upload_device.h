// A graphics device whose vertex buffers any thread may create and release,
// while only the main thread hands them to the device's memory: the OpenGL
// device, whose context belongs to the main thread, and the host-memory
// device that the headless tools stream into.
//
// Creating a buffer copies the mesh on the creating thread and queues the
// buffer: createVertexBuffer copies a triangle list as it is, and
// createFaceBuffer copies a face mesh's corners (drawn through quad indices,
// quad_packing.h) grouped by side and place (face_groups.h), into memory
// from the device's staging arena (staging_arena.h). The main thread
// stores the buffer in the device's memory at the latest when it is first
// asked for, and in bulk once per frame in processPending(), then frees the
// copy. release() queues the buffer; the
// next processPending() discards the stored copy and the object. The pointer
// is valid the moment it is returned, so a chunk may publish it at once.
//
// Threads:
// - createVertexBuffer, createFaceBuffer, VertexBuffer::release, liveBuffers:
//   any thread.
// - processPending, stored, holdsPackedQuads, faceGroups, releaseAll: the
//   main thread.
// Every buffer must be released before releaseAll(): the Planet, whose
// chunks own the buffers, goes first.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <unordered_set>
#include <vector>

#include "device/graphics_device.h"
#include "device/face_groups.h"
#include "device/staging_arena.h"

namespace gravelkin {

class DeferredUploadDevice;

// What the creating thread makes of a mesh: a triangle list as it is, or a
// face mesh's corners packed and grouped.
struct StagedMesh {
    StagedMesh(const ChunkVertex* vertices, std::uint32_t count, StagingArena& arena);
    StagedMesh(const ChunkFaces& faces, StagingArena& arena);

    // Left uninitialised until written.
    StagingBlock vertices;
    std::uint32_t count = 0;
    bool quads = false;             // vertices holds packed faces
    std::vector<FaceGroup> groups;  // of the packed faces
};

class StagedVertexBuffer final : public VertexBuffer {
public:
    StagedVertexBuffer(DeferredUploadDevice& device, StagedMesh mesh);
    void release() override;

    // Written by the creating thread before the buffer is handed over, then
    // by the main thread only.
    StagedMesh mesh;         // its vertices freed once stored
    std::uint32_t name = 0;  // the device's, once stored
    bool failed = false;     // storing it failed: nothing to draw

private:
    friend class DeferredUploadDevice;
    ~StagedVertexBuffer() = default;
    DeferredUploadDevice& device_;
};

class DeferredUploadDevice : public GraphicsDevice {
public:
    DeferredUploadDevice() = default;
    DeferredUploadDevice(const DeferredUploadDevice&) = delete;
    DeferredUploadDevice& operator=(const DeferredUploadDevice&) = delete;

    // Any thread. Null once releaseAll() has run, for an empty mesh, or
    // when there is no memory for the staged copy.
    VertexBuffer* createVertexBuffer(const ChunkVertex* vertices, std::uint32_t count) override;
    VertexBuffer* createFaceBuffer(const ChunkFaces& faces) override;

    // Stores every buffer handed over so far and discards every buffer
    // released so far. Main thread.
    void processPending();

    // `buffer` (one of this device's), stored first if it is still waiting;
    // null for null. Main thread.
    StagedVertexBuffer* stored(VertexBuffer* buffer);

    // Whether `buffer` holds packed faces (made by createFaceBuffer), drawn
    // through quad indices. Main thread.
    bool holdsPackedQuads(VertexBuffer* buffer) const;

    // The groups of a buffer that holds packed faces, in buffer order;
    // empty otherwise. Main thread.
    const std::vector<FaceGroup>& faceGroups(VertexBuffer* buffer) const;

    // Frees everything: pending releases, and any buffer still alive (which
    // is a caller's bug, reported on standard error). Afterwards creation
    // returns null. Main thread; idempotent. A device that derives from this
    // one calls it in its destructor, while its store and discard still work.
    void releaseAll();

    // Buffers created and not yet released. Any thread.
    std::size_t liveBuffers() const;

protected:
    ~DeferredUploadDevice() override = default;

    // Main thread. Puts the vertices in the device's memory and returns a
    // name for them, not 0; 0 when the device could not store them.
    virtual std::uint32_t store(const ChunkVertex* vertices, std::uint32_t count) = 0;
    // Main thread. Frees what `name` holds.
    virtual void discard(std::uint32_t name) = 0;

private:
    friend class StagedVertexBuffer;
    // Stages the mesh `stage` makes and queues it; null as for creation.
    template <typename Stage>
    VertexBuffer* create(const Stage& stage);
    void queueRelease(StagedVertexBuffer* buffer);
    void storeStaged(StagedVertexBuffer& buffer);

    mutable std::mutex mutex_;
    // Guarded by mutex_.
    std::vector<StagedVertexBuffer*> toStore_;
    std::vector<StagedVertexBuffer*> toRelease_;
    std::unordered_set<StagedVertexBuffer*> live_;
    bool closed_ = false;

    StagingArena staging_;
    // Main thread only: the batches being worked on, kept to reuse their
    // storage from frame to frame.
    std::vector<StagedVertexBuffer*> storeBatch_;
    std::vector<StagedVertexBuffer*> releaseBatch_;
};

}  // namespace gravelkin
