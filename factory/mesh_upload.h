// Handing a finished vertex array (mesher.h) to the graphics device and
// publishing it on the chunk.
//
// vertexCount is the publication flag the renderer reads (with acquire) before
// it touches vertexBuffer and bounds: it is set to 0, the buffer is created
// straight into vertexBuffer, the box over the vertex positions goes into
// bounds, and only then is the count stored with release ordering.
//
// A failed creation leaves vertexCount 0 and no buffer: the chunk simply has
// nothing to draw, and it is not retried (the mesh job clears meshPending all
// the same). The first failure in the process is reported on
// standard error; later ones are silent, so a device that has run out of
// memory does not flood the log with one line per chunk.
//
// Runs on the meshing worker; the device allows creation from any thread.
#pragma once

#include <cstdint>

#include "factory/chunk.h"
#include "device/chunk_vertex.h"
#include "device/graphics_device.h"

namespace gravelkin {

// Creates one buffer holding the `count` (not zero) vertices at `vertices`
// and publishes it on `chunk`.
void publishMesh(Chunk& chunk, GraphicsDevice& device, const ChunkVertex* vertices, std::uint32_t count);

// Whether a failed buffer creation has already been reported in this process.
bool bufferFailureReported();

// Failed buffer creations in this process, every one counted.
std::uint64_t bufferFailureCount();

}  // namespace gravelkin
