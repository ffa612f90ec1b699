// Handing a finished face mesh (mesher.h) to the graphics device and
// publishing it on the chunk.
//
// vertexCount, the length of the mesh as a triangle list (six vertices a
// face, device/chunk_faces.h), is the publication flag the renderer reads
// (with acquire) before it touches vertexBuffer and bounds: it is set to 0,
// the buffer is created straight into vertexBuffer, the box over the corner
// positions goes into bounds, and only then is the count stored with release
// ordering.
//
// A failed creation leaves vertexCount 0 and no buffer: the chunk has
// nothing to draw until a later mesh job succeeds (the job leaves meshPending
// set, counts the failure on the chunk and reports it to its host).
//
// Runs on the meshing worker; the device allows creation from any thread.
#pragma once

#include <cstdint>

#include "factory/chunk.h"
#include "device/chunk_faces.h"
#include "device/graphics_device.h"

namespace gravelkin {

// Creates one buffer holding `faces` (not empty) and publishes it on `chunk`;
// false when the device could not create it.
bool publishMesh(Chunk& chunk, GraphicsDevice& device, const ChunkFaces& faces);

}  // namespace gravelkin
