#include "device/deferred_upload_device.h"

#include <algorithm>
#include <cstdio>
#include <new>
#include <utility>

namespace gravelkin {

StagedMesh::StagedMesh(const ChunkVertex* list, std::uint32_t listCount, StagingArena& arena)
    : vertices(arena.take(listCount)), count(listCount) {
    std::copy(list, list + listCount, vertices.get());
}

StagedMesh::StagedMesh(const ChunkFaces& faces, StagingArena& arena)
    : vertices(arena.take(std::size_t{cornersPerFace} * faces.count)),
      count(cornersPerFace * faces.count),
      quads(true) {
    groups = packFaceGroups(faces, vertices.get());
}

StagedVertexBuffer::StagedVertexBuffer(DeferredUploadDevice& device, StagedMesh staged)
    : mesh(std::move(staged)), device_(device) {}

void StagedVertexBuffer::release() { device_.queueRelease(this); }

template <typename Stage>
VertexBuffer* DeferredUploadDevice::create(const Stage& stage) {
    // The copy is made outside the lock: meshing threads only meet here for
    // the two pushes. Without memory for it the buffer fails, as a device
    // out of memory does: the chunk goes undrawn, its thread lives on.
    StagedVertexBuffer* buffer = nullptr;
    try {
        buffer = new StagedVertexBuffer(*this, stage());
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
    std::lock_guard<std::mutex> lock(mutex_);
    if (closed_) {
        delete buffer;
        return nullptr;
    }
    try {
        live_.insert(buffer);
        toStore_.push_back(buffer);
    } catch (const std::bad_alloc&) {
        live_.erase(buffer);
        delete buffer;
        return nullptr;
    }
    return buffer;
}

VertexBuffer* DeferredUploadDevice::createVertexBuffer(const ChunkVertex* vertices, std::uint32_t count) {
    if (vertices == nullptr || count == 0) return nullptr;
    return create([&] { return StagedMesh(vertices, count, staging_); });
}

VertexBuffer* DeferredUploadDevice::createFaceBuffer(const ChunkFaces& faces) {
    if (faces.corners == nullptr || faces.sides == nullptr || faces.count == 0) return nullptr;
    return create([&] { return StagedMesh(faces, staging_); });
}

void DeferredUploadDevice::queueRelease(StagedVertexBuffer* buffer) {
    std::lock_guard<std::mutex> lock(mutex_);
    live_.erase(buffer);
    toRelease_.push_back(buffer);
}

std::size_t DeferredUploadDevice::liveBuffers() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return live_.size();
}

void DeferredUploadDevice::storeStaged(StagedVertexBuffer& buffer) {
    if (buffer.name != 0 || buffer.failed) return;
    buffer.name = store(buffer.mesh.vertices.get(), buffer.mesh.count);
    buffer.failed = buffer.name == 0;
    // The device has its own copy now.
    buffer.mesh.vertices.reset();
}

void DeferredUploadDevice::processPending() {
    {
        // Both queues are taken at one instant: a release in this batch is of
        // a buffer whose store entry is in this batch or an earlier one, so
        // no store entry can outlive its buffer.
        std::lock_guard<std::mutex> lock(mutex_);
        storeBatch_.swap(toStore_);
        releaseBatch_.swap(toRelease_);
    }
    for (StagedVertexBuffer* buffer : storeBatch_) storeStaged(*buffer);
    for (StagedVertexBuffer* buffer : releaseBatch_) {
        if (buffer->name != 0) discard(buffer->name);
        delete buffer;
    }
    storeBatch_.clear();
    releaseBatch_.clear();
}

StagedVertexBuffer* DeferredUploadDevice::stored(VertexBuffer* buffer) {
    if (buffer == nullptr) return nullptr;
    // Only this device's buffers reach its callers.
    auto& staged = static_cast<StagedVertexBuffer&>(*buffer);
    storeStaged(staged);
    return &staged;
}

bool DeferredUploadDevice::holdsPackedQuads(VertexBuffer* buffer) const {
    return buffer != nullptr && static_cast<StagedVertexBuffer&>(*buffer).mesh.quads;
}

const std::vector<FaceGroup>& DeferredUploadDevice::faceGroups(VertexBuffer* buffer) const {
    static const std::vector<FaceGroup> none;
    return buffer != nullptr ? static_cast<StagedVertexBuffer&>(*buffer).mesh.groups : none;
}

void DeferredUploadDevice::releaseAll() {
    std::vector<StagedVertexBuffer*> leftovers;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (closed_ && toRelease_.empty() && toStore_.empty()) return;
        closed_ = true;
        leftovers.assign(live_.begin(), live_.end());
        live_.clear();
    }
    processPending();
    if (!leftovers.empty()) {
        // Their owners will never release them now; freeing the device's
        // copies is all that can be done before the device goes.
        std::fprintf(stderr, "gravelkin: %zu vertex buffers were still in use when the device was released\n",
                     leftovers.size());
        for (StagedVertexBuffer* buffer : leftovers) {
            if (buffer->name != 0) discard(buffer->name);
            buffer->name = 0;
            buffer->failed = true;
        }
    }
}

}  // namespace gravelkin
