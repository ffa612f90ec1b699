#include "factory/mesh_upload.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstdio>

namespace gravelkin {

namespace {

std::atomic<bool> failureReported{false};
std::atomic<std::uint64_t> failureCount{0};

void reportFailure(const ChunkKey& key, std::size_t vertexCount) {
    if (failureReported.exchange(true, std::memory_order_acq_rel)) return;
    std::fprintf(stderr,
                 "gravelkin: the graphics device could not create a vertex buffer of %zu vertices for chunk "
                 "(x %u, shell %u, y %u, face %u); such chunks stay without a mesh and are not retried "
                 "(further failures are not reported)\n",
                 vertexCount, static_cast<unsigned>(key.x), static_cast<unsigned>(key.shell),
                 static_cast<unsigned>(key.y), static_cast<unsigned>(key.face));
}

}  // namespace

void publishMesh(Chunk& chunk, GraphicsDevice& device, const ChunkFaces& faces) {
    chunk.vertexCount.store(0, std::memory_order_release);
    const std::uint32_t count = faces.count * triangleListVerticesPerFace;
    chunk.vertexBuffer = device.createFaceBuffer(faces);
    if (chunk.vertexBuffer == nullptr) {
        failureCount.fetch_add(1, std::memory_order_relaxed);
        reportFailure(chunk.key, count);
        return;
    }
    // The triangle list repeats corners only: its box is the corners' box.
    Box3 bounds;
    for (std::size_t c = 0; c < std::size_t{cornersPerFace} * faces.count; ++c) {
        const float* position = faces.corners[c].position;
        includePoint(bounds, {position[0], position[1], position[2]});
    }
    chunk.bounds = bounds;
    chunk.vertexCount.store(count, std::memory_order_release);
}

bool bufferFailureReported() { return failureReported.load(std::memory_order_acquire); }

std::uint64_t bufferFailureCount() { return failureCount.load(std::memory_order_relaxed); }

}  // namespace gravelkin
