// Which chunk holds a world position: the inverse of the chunk geometry.
//
// Pure apart from the level table, which it may grow: any thread may call it.
#pragma once

#include "geometry/chunk_key.h"

namespace gravelkin {

// The key of the chunk that contains (x, y, z). Coordinates that would equal
// chunksPerSide on a face boundary are clamped to chunksPerSide - 1, so the
// result is always a valid chunk.
ChunkKey chunkKeyAt(float x, float y, float z);

}  // namespace gravelkin
