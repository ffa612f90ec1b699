// The deferred-upload device (deferred_upload_device.h) with host memory for
// device memory, as a software rasteriser has: storing a buffer copies its
// vertices into memory the device keeps. The headless tools stream into it,
// so that the factories do exactly the work they do for the OpenGL device
// and the main thread makes the copy the driver would.
//
// Threads: as the deferred-upload device; the stored copies are the main
// thread's.
#pragma once

#include <cstdint>
#include <unordered_map>
#include <vector>

#include "device/deferred_upload_device.h"

namespace gravelkin {

class HostMemoryDevice final : public DeferredUploadDevice {
public:
    HostMemoryDevice() = default;
    ~HostMemoryDevice() override;

    // Bytes of vertices stored now. Main thread.
    std::uint64_t storedBytes() const { return storedBytes_; }

private:
    std::uint32_t store(const ChunkVertex* vertices, std::uint32_t count) override;
    void discard(std::uint32_t name) override;

    std::unordered_map<std::uint32_t, std::vector<ChunkVertex>> memory_;
    std::uint32_t lastName_ = 0;
    std::uint64_t storedBytes_ = 0;
};

}  // namespace gravelkin
