// Whether every chunk adjacent to a key is in a chunk map: the condition for
// meshing it, since the mesher reads voxels across all six sides.
//
// Any thread may call it; each lookup holds its bucket lock only for itself.
#pragma once

#include <optional>

#include "planet/chunk_containers.h"

namespace gravelkin {

// Steps from `key` in directions 0 to 5; where a step reports four finer
// chunks, all four, (x, y), (x + 1, y), (x, y + 1), (x + 1, y + 1), must be
// present. Stops at the first missing key.
bool neighboursPresent(const ChunkMap& chunks, const ChunkKey& key);

// The first key in that order that is missing, if any.
std::optional<ChunkKey> firstMissingNeighbour(const ChunkMap& chunks, const ChunkKey& key);

}  // namespace gravelkin
