#include "render/gl/gl_graphics_device.h"

#include <cstdio>

#include <epoxy/gl.h>

#include "render/gl/quad_packing.h"

namespace gravelkin {

class GlVertexBuffer final : public VertexBuffer {
public:
    GlVertexBuffer(GlGraphicsDevice& device, const ChunkVertex* vertices, std::uint32_t count)
        : device_(device), quads_(packQuads(vertices, count, staging_)) {
        if (quads_) {
            groups_ = groupFaces(staging_);
        } else {
            staging_.assign(vertices, vertices + count);
        }
    }

    void release() override { device_.queueRelease(this); }

    // Written by the creating thread before the buffer is handed over, then
    // by the main thread only.
    GlGraphicsDevice& device_;
    std::vector<ChunkVertex> staging_;
    const bool quads_;  // staging_ holds packed faces (quad_packing.h)
    std::vector<FaceGroup> groups_;  // of the packed faces
    GLuint name_ = 0;
    bool failed_ = false;
};

GlGraphicsDevice::~GlGraphicsDevice() { releaseAll(); }

VertexBuffer* GlGraphicsDevice::createVertexBuffer(const ChunkVertex* vertices, std::uint32_t count) {
    if (vertices == nullptr || count == 0) return nullptr;
    // The copy is made outside the lock: meshing threads only meet here for
    // the two pushes.
    auto* buffer = new GlVertexBuffer(*this, vertices, count);
    std::lock_guard<std::mutex> lock(mutex_);
    if (closed_) {
        delete buffer;
        return nullptr;
    }
    live_.insert(buffer);
    toUpload_.push_back(buffer);
    return buffer;
}

void GlGraphicsDevice::queueRelease(GlVertexBuffer* buffer) {
    std::lock_guard<std::mutex> lock(mutex_);
    live_.erase(buffer);
    toRelease_.push_back(buffer);
}

std::size_t GlGraphicsDevice::liveBuffers() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return live_.size();
}

void GlGraphicsDevice::upload(GlVertexBuffer& buffer) {
    if (buffer.name_ != 0 || buffer.failed_) return;
    const auto bytes = static_cast<GLsizeiptr>(buffer.staging_.size() * sizeof(ChunkVertex));
    // Drain older errors so that the check below speaks of this buffer only.
    while (glGetError() != GL_NO_ERROR) {
    }
    glCreateBuffers(1, &buffer.name_);
    glNamedBufferStorage(buffer.name_, bytes, buffer.staging_.data(), 0);
    if (glGetError() != GL_NO_ERROR) {
        glDeleteBuffers(1, &buffer.name_);
        buffer.name_ = 0;
        buffer.failed_ = true;
        if (!uploadFailureReported_) {
            uploadFailureReported_ = true;
            std::fprintf(stderr,
                         "gravelkin: OpenGL could not store a vertex buffer of %lld bytes; such chunks are not "
                         "drawn (further failures are not reported)\n",
                         static_cast<long long>(bytes));
        }
    }
    // The driver has its own copy now.
    std::vector<ChunkVertex>().swap(buffer.staging_);
}

void GlGraphicsDevice::processPending() {
    {
        // Both queues are taken at one instant: a release in this batch is of
        // a buffer whose upload entry is in this batch or an earlier one, so
        // no upload entry can outlive its buffer.
        std::lock_guard<std::mutex> lock(mutex_);
        uploadBatch_.swap(toUpload_);
        releaseBatch_.swap(toRelease_);
    }
    for (GlVertexBuffer* buffer : uploadBatch_) upload(*buffer);
    for (GlVertexBuffer* buffer : releaseBatch_) {
        if (buffer->name_ != 0) glDeleteBuffers(1, &buffer->name_);
        delete buffer;
    }
    uploadBatch_.clear();
    releaseBatch_.clear();
}

bool GlGraphicsDevice::holdsPackedQuads(VertexBuffer* buffer) const {
    return buffer != nullptr && static_cast<GlVertexBuffer&>(*buffer).quads_;
}

const std::vector<FaceGroup>& GlGraphicsDevice::faceGroups(VertexBuffer* buffer) const {
    static const std::vector<FaceGroup> none;
    return buffer != nullptr ? static_cast<GlVertexBuffer&>(*buffer).groups_ : none;
}

std::uint32_t GlGraphicsDevice::bufferName(VertexBuffer* buffer) {
    if (buffer == nullptr) return 0;
    // Only this device's buffers reach the renderer that owns it.
    auto& glBuffer = static_cast<GlVertexBuffer&>(*buffer);
    upload(glBuffer);
    return glBuffer.name_;
}

void GlGraphicsDevice::releaseAll() {
    std::vector<GlVertexBuffer*> leftovers;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (closed_ && toRelease_.empty() && toUpload_.empty()) return;
        closed_ = true;
        leftovers.assign(live_.begin(), live_.end());
        live_.clear();
    }
    processPending();
    if (!leftovers.empty()) {
        // Their owners will never release them now; freeing the GL storage
        // is all that can be done before the context goes.
        std::fprintf(stderr, "gravelkin: %zu vertex buffers were still in use when the device was released\n",
                     leftovers.size());
        for (GlVertexBuffer* buffer : leftovers) {
            if (buffer->name_ != 0) glDeleteBuffers(1, &buffer->name_);
            buffer->name_ = 0;
            buffer->failed_ = true;
        }
    }
}

}  // namespace gravelkin
