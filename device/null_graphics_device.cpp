#include "device/null_graphics_device.h"

#include <utility>

namespace gravelkin {

NullVertexBuffer::NullVertexBuffer(std::atomic<std::int64_t>& liveCount, std::vector<ChunkVertex> vertices)
    : liveCount_(liveCount), vertices_(std::move(vertices)) {
    liveCount_.fetch_add(1, std::memory_order_acq_rel);
}

void NullVertexBuffer::release() {
    liveCount_.fetch_sub(1, std::memory_order_acq_rel);
    delete this;
}

VertexBuffer* NullGraphicsDevice::createVertexBuffer(const ChunkVertex* vertices, std::uint32_t count) {
    if (failCreation_.load(std::memory_order_acquire)) return nullptr;
    return create(std::vector<ChunkVertex>(vertices, vertices + count));
}

VertexBuffer* NullGraphicsDevice::createFaceBuffer(const ChunkFaces& faces) {
    if (failCreation_.load(std::memory_order_acquire)) return nullptr;
    return create(triangleList(faces));
}

VertexBuffer* NullGraphicsDevice::create(std::vector<ChunkVertex> vertices) {
    auto* buffer = new NullVertexBuffer(liveBuffers_, std::move(vertices));
    createdBuffers_.fetch_add(1, std::memory_order_acq_rel);
    return buffer;
}

}  // namespace gravelkin
