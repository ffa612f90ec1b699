// A request for a chunk factory: which chunk, what to do with it, and how
// urgent it is.
#pragma once

#include <cstdint>

#include "geometry/chunk_key.h"

namespace gravelkin {

// What a request asks for. Factories treat every value other than Mesh as
// Generate.
enum class RequestKind : std::uint32_t {
    Generate = 0,  // build the voxels of a chunk that is not yet published
    Mesh = 1,      // mesh a published chunk
};

// How a job left its request's key, as far as the manager cares: with the
// key's chunk in the chunk map (a Generate job that published it; a Mesh job
// that found its chunk, which only the manager erases), or without one (a
// Generate job that dropped the key out of range, found no memory even for a
// placeholder, or had its chunk rejected as a duplicate; a Mesh job whose
// chunk was gone).
// The manager must look at the keys it waits for again after the second.
enum class JobEnd {
    ChunkInMap,
    NoChunk,
};

struct ChunkRequest {
    ChunkKey key;
    RequestKind kind = RequestKind::Generate;
    float priority = 0.0f;  // squared distance from the camera; smaller first
};

}  // namespace gravelkin
