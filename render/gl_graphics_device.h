// The graphics device seam on OpenGL: the deferred-upload device
// (deferred_upload_device.h) whose device memory is GL buffers. The main
// thread stores a buffer with glCreateBuffers + glNamedBufferStorage and
// discards it with glDeleteBuffers, with the device's GL context current.
//
// Every buffer must be released before releaseAll() (the renderer's
// VertexBuffers release step): the Planet, whose chunks own the buffers, is
// destroyed first.
#pragma once

#include <cstdint>

#include "device/deferred_upload_device.h"

namespace gravelkin {

class GlGraphicsDevice final : public DeferredUploadDevice {
public:
    GlGraphicsDevice() = default;
    // Runs releaseAll() if it has not run. Main thread, context current.
    ~GlGraphicsDevice() override;

    // The GL name of `buffer`, uploading it first if it is still waiting.
    // 0 for null, or when the upload failed. Main thread.
    std::uint32_t bufferName(VertexBuffer* buffer);

private:
    std::uint32_t store(const ChunkVertex* vertices, std::uint32_t count) override;
    void discard(std::uint32_t name) override;

    bool uploadFailureReported_ = false;
};

}  // namespace gravelkin
