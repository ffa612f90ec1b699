// Every chunk key whose centre lies within a radius of a point: what a
// converged planet should hold around a still camera. For tests and
// diagnostic tools; the streaming itself finds chunks by walking.
//
// Pure apart from the level table, which it may grow; any thread.
#pragma once

#include <vector>

#include "camera/vector_math.h"
#include "geometry/chunk_key.h"

namespace gravelkin {

// Keys with squared distance from `point` to their centre <= radius², by
// shell, face, y and x. Visits every chunk of each shell whose middle radius
// is within `radius` of |point|.
std::vector<ChunkKey> chunkKeysWithin(const Vec3& point, float radius);

}  // namespace gravelkin
