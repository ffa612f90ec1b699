// The graphics device seam on OpenGL: vertex buffers that any thread may
// create and release, although only the main thread owns the GL context.
//
// createVertexBuffer copies the vertices (packing a mesh's faces into their
// four corners where they take that form: quad_packing.h, and grouping them
// by the way they face: face_groups.h) and queues the buffer for upload;
// the main thread uploads it (glCreateBuffers + glNamedBufferStorage) at the
// latest when the buffer is first bound for drawing, and in bulk once per
// frame in processPending(). release() queues the buffer; the main thread
// deletes the GL buffer and the object in the next processPending(). The
// pointer is valid the moment it is returned, so a chunk may publish it
// (release after the buffer pointer, acquire before it) at once.
//
// Threads:
// - createVertexBuffer, VertexBuffer::release, liveBuffers: any thread.
// - processPending, bufferName, releaseAll: the main thread, with the
//   device's GL context current.
// Every buffer must be released before releaseAll() (the renderer's
// VertexBuffers release step): the Planet, whose chunks own the buffers, is
// destroyed first.
//
// Depends on: the device seam; OpenGL through libepoxy (in the .cpp).
#pragma once

#include <cstddef>
#include <cstdint>
#include <mutex>
#include <unordered_set>
#include <vector>

#include "render/device/graphics_device.h"
#include "render/gl/face_groups.h"

namespace gravelkin {

class GlVertexBuffer;

class GlGraphicsDevice final : public GraphicsDevice {
public:
    GlGraphicsDevice() = default;
    // Runs releaseAll() if it has not run. Main thread, context current.
    ~GlGraphicsDevice() override;
    GlGraphicsDevice(const GlGraphicsDevice&) = delete;
    GlGraphicsDevice& operator=(const GlGraphicsDevice&) = delete;

    // Any thread. Null once releaseAll() has run, or for an empty array.
    VertexBuffer* createVertexBuffer(const ChunkVertex* vertices, std::uint32_t count) override;

    // Uploads every buffer handed over so far and frees every buffer released
    // so far. Main thread.
    void processPending();

    // The GL name of `buffer`, uploading it first if it is still waiting.
    // 0 for null, or when the upload failed. Main thread.
    std::uint32_t bufferName(VertexBuffer* buffer);

    // Whether `buffer` holds packed faces, drawn through quad indices rather
    // than as the triangle list it was created from. Main thread.
    bool holdsPackedQuads(VertexBuffer* buffer) const;

    // The groups of a buffer that holds packed faces, in buffer order
    // (face_groups.h); empty otherwise. Main thread.
    const std::vector<FaceGroup>& faceGroups(VertexBuffer* buffer) const;

    // Frees everything: pending releases, and any buffer still alive (which
    // is a caller's bug, reported on standard error). Afterwards creation
    // returns null. Main thread; idempotent.
    void releaseAll();

    // Buffers created and not yet released. Any thread.
    std::size_t liveBuffers() const;

private:
    friend class GlVertexBuffer;
    void queueRelease(GlVertexBuffer* buffer);
    void upload(GlVertexBuffer& buffer);

    mutable std::mutex mutex_;
    // Guarded by mutex_.
    std::vector<GlVertexBuffer*> toUpload_;
    std::vector<GlVertexBuffer*> toRelease_;
    std::unordered_set<GlVertexBuffer*> live_;
    bool closed_ = false;

    // Main thread only: the batches being worked on, kept to reuse their
    // storage from frame to frame.
    std::vector<GlVertexBuffer*> uploadBatch_;
    std::vector<GlVertexBuffer*> releaseBatch_;
    bool uploadFailureReported_ = false;
};

}  // namespace gravelkin
