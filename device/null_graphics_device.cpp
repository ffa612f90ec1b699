#include "device/null_graphics_device.h"

namespace gravelkin {

NullVertexBuffer::NullVertexBuffer(std::atomic<std::int64_t>& liveCount, const ChunkVertex* vertices,
                                   std::uint32_t count)
    : liveCount_(liveCount), vertices_(vertices, vertices + count) {
    liveCount_.fetch_add(1, std::memory_order_acq_rel);
}

void NullVertexBuffer::release() {
    liveCount_.fetch_sub(1, std::memory_order_acq_rel);
    delete this;
}

VertexBuffer* NullGraphicsDevice::createVertexBuffer(const ChunkVertex* vertices, std::uint32_t count) {
    if (failCreation_.load(std::memory_order_acquire)) return nullptr;
    auto* buffer = new NullVertexBuffer(liveBuffers_, vertices, count);
    createdBuffers_.fetch_add(1, std::memory_order_acq_rel);
    return buffer;
}

}  // namespace gravelkin
