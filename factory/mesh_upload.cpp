#include "factory/mesh_upload.h"

#include <cstddef>
#include <cstdint>

namespace gravelkin {

bool publishMesh(Chunk& chunk, GraphicsDevice& device, const ChunkFaces& faces) {
    chunk.vertexCount.store(0, std::memory_order_release);
    chunk.vertexBuffer = device.createFaceBuffer(faces);
    if (chunk.vertexBuffer == nullptr) return false;
    // The triangle list repeats corners only: its box is the corners' box.
    Box3 bounds;
    for (std::size_t c = 0; c < std::size_t{cornersPerFace} * faces.count; ++c) {
        const float* position = faces.corners[c].position;
        includePoint(bounds, {position[0], position[1], position[2]});
    }
    chunk.bounds = bounds;
    chunk.vertexCount.store(faces.count * triangleListVerticesPerFace, std::memory_order_release);
    return true;
}

}  // namespace gravelkin
