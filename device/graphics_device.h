// Layer device (device/): the graphics device seam, the vertex record and the
// face mesh record; the null, host-memory and deferred-upload devices; quad
// indices and face groups.
//
// The seam between the chunk pipeline and the graphics device: what the chunk
// factories need of it, and nothing more.
//
// createVertexBuffer, createFaceBuffer and VertexBuffer::release may be called
// from any thread.
#pragma once

#include <cstdint>

#include "device/chunk_faces.h"
#include "device/chunk_vertex.h"

namespace gravelkin {

// A vertex buffer on the device. Freed by release(), exactly once, on
// whichever thread drops the last use of it.
class VertexBuffer {
public:
    virtual void release() = 0;

protected:
    ~VertexBuffer() = default;
};

class GraphicsDevice {
public:
    virtual ~GraphicsDevice() = default;

    // A buffer holding a copy of `count` vertices, a triangle list, or null
    // when the device could not create it.
    virtual VertexBuffer* createVertexBuffer(const ChunkVertex* vertices, std::uint32_t count) = 0;

    // A buffer holding a copy of `faces` (not empty), drawn as their triangle
    // list (chunk_faces.h), or null when the device could not create it.
    virtual VertexBuffer* createFaceBuffer(const ChunkFaces& faces) = 0;
};

}  // namespace gravelkin
