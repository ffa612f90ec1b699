// The 48-byte vertex record of chunk meshes, shared by the mesher and the
// renderer's input layout.
#pragma once

namespace gravelkin {

struct ChunkVertex {
    float position[3];  // offset 0, world coordinates
    float color[4];     // offset 12
    float texcoord[2];  // offset 28
    float normal[3];    // offset 36
};

static_assert(sizeof(ChunkVertex) == 48, "ChunkVertex must stay 48 bytes: the input layout relies on it");

}  // namespace gravelkin
