// A graphics device without a GPU, for tests and headless tools.
//
// It keeps a copy of every vertex array and every face mesh it is given, and
// reads either back as a triangle list (chunk_faces.h); counts live buffers
// and can be told to fail creation, so that the failure path can be tested.
// Thread-safe: buffers may be created and released from any thread.
#pragma once

#include <atomic>
#include <cstdint>
#include <vector>

#include "device/graphics_device.h"

namespace gravelkin {

class NullVertexBuffer final : public VertexBuffer {
public:
    // A triangle list when `sides` is empty; else faces, cornersPerFace
    // corners to each side.
    NullVertexBuffer(std::atomic<std::int64_t>& liveCount, std::vector<ChunkVertex> vertices,
                     std::vector<Direction> sides);
    void release() override;

    // The buffer as the triangle list it draws.
    std::vector<ChunkVertex> vertices() const;

private:
    ~NullVertexBuffer() = default;

    std::atomic<std::int64_t>& liveCount_;
    std::vector<ChunkVertex> vertices_;
    std::vector<Direction> sides_;
};

class NullGraphicsDevice final : public GraphicsDevice {
public:
    VertexBuffer* createVertexBuffer(const ChunkVertex* vertices, std::uint32_t count) override;
    VertexBuffer* createFaceBuffer(const ChunkFaces& faces) override;

    // Buffers created and not yet released.
    std::int64_t liveBuffers() const { return liveBuffers_.load(std::memory_order_acquire); }
    // Buffers ever created successfully.
    std::int64_t createdBuffers() const { return createdBuffers_.load(std::memory_order_acquire); }
    // When set, every creation fails and returns null.
    void setFailCreation(bool fail) { failCreation_.store(fail, std::memory_order_release); }

private:
    VertexBuffer* create(std::vector<ChunkVertex> vertices, std::vector<Direction> sides);

    std::atomic<std::int64_t> liveBuffers_{0};
    std::atomic<std::int64_t> createdBuffers_{0};
    std::atomic<bool> failCreation_{false};
};

}  // namespace gravelkin
