#include "device/null_graphics_device.h"

#include <utility>

namespace gravelkin {

NullVertexBuffer::NullVertexBuffer(std::atomic<std::int64_t>& liveCount, std::vector<ChunkVertex> vertices,
                                   std::vector<Direction> sides)
    : liveCount_(liveCount), vertices_(std::move(vertices)), sides_(std::move(sides)) {
    liveCount_.fetch_add(1, std::memory_order_acq_rel);
}

void NullVertexBuffer::release() {
    liveCount_.fetch_sub(1, std::memory_order_acq_rel);
    delete this;
}

std::vector<ChunkVertex> NullVertexBuffer::vertices() const {
    if (sides_.empty()) return vertices_;
    return triangleList({vertices_.data(), sides_.data(), static_cast<std::uint32_t>(sides_.size())});
}

VertexBuffer* NullGraphicsDevice::createVertexBuffer(const ChunkVertex* vertices, std::uint32_t count) {
    if (failCreation_.load(std::memory_order_acquire)) return nullptr;
    return create(std::vector<ChunkVertex>(vertices, vertices + count), {});
}

VertexBuffer* NullGraphicsDevice::createFaceBuffer(const ChunkFaces& faces) {
    if (failCreation_.load(std::memory_order_acquire)) return nullptr;
    return create(std::vector<ChunkVertex>(faces.corners, faces.corners + std::size_t{cornersPerFace} * faces.count),
                  std::vector<Direction>(faces.sides, faces.sides + faces.count));
}

VertexBuffer* NullGraphicsDevice::create(std::vector<ChunkVertex> vertices, std::vector<Direction> sides) {
    auto* buffer = new NullVertexBuffer(liveBuffers_, std::move(vertices), std::move(sides));
    createdBuffers_.fetch_add(1, std::memory_order_acq_rel);
    return buffer;
}

}  // namespace gravelkin
