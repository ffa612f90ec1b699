#include "device/host_memory_device.h"

namespace gravelkin {

HostMemoryDevice::~HostMemoryDevice() { releaseAll(); }

std::uint32_t HostMemoryDevice::store(const ChunkVertex* vertices, std::uint32_t count) {
    // Names are never 0, nor one still held.
    do {
        ++lastName_;
    } while (lastName_ == 0 || memory_.count(lastName_) != 0);
    memory_.emplace(lastName_, std::vector<ChunkVertex>(vertices, vertices + count));
    storedBytes_ += std::uint64_t{count} * sizeof(ChunkVertex);
    return lastName_;
}

void HostMemoryDevice::discard(std::uint32_t name) {
    const auto found = memory_.find(name);
    if (found == memory_.end()) return;
    storedBytes_ -= found->second.size() * sizeof(ChunkVertex);
    memory_.erase(found);
}

}  // namespace gravelkin
