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

struct ChunkRequest {
    ChunkKey key;
    RequestKind kind = RequestKind::Generate;
    float priority = 0.0f;  // squared distance from the camera; smaller first
};

}  // namespace gravelkin
