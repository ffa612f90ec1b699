#include "factory/mesh_upload.h"

#include <cstddef>
#include <cstdint>

#include "device/chunk_faces.h"
#include "device/chunk_vertex.h"
#include "device/face_bounds.h"

namespace gravelkin {

bool publishMesh(Chunk& chunk, GraphicsDevice& device, const ChunkFaces& faces) {
    chunk.vertexCount.store(0, std::memory_order_release);
    chunk.vertexBuffer = device.createFaceBuffer(faces);
    if (chunk.vertexBuffer == nullptr) return false;
    // The triangle list repeats corners only: its box is the corners' box.
    chunk.bounds = cornerBox(faces.corners, std::size_t{cornersPerFace} * faces.count);
    chunk.charge(std::uint64_t{faces.count} * cornersPerFace * sizeof(ChunkVertex));
    chunk.vertexCount.store(faces.count * triangleListVerticesPerFace, std::memory_order_release);
    return true;
}

}  // namespace gravelkin
