#include "factory/far_node.h"

#include "device/chunk_faces.h"
#include "device/chunk_vertex.h"

namespace gravelkin {

FarNode::~FarNode() {
    if (main.buffer != nullptr) main.buffer->release();
    for (FarMesh& skirt : skirts) {
        if (skirt.buffer != nullptr) skirt.buffer->release();
    }
}

std::uint64_t FarNode::faceCount() const {
    std::uint64_t faces = main.faces;
    for (const FarMesh& skirt : skirts) faces += skirt.faces;
    return faces;
}

std::uint64_t FarNode::deviceBytes() const { return faceCount() * cornersPerFace * sizeof(ChunkVertex); }

void FarNode::chargeTo(MemoryLedger& ledger) { charge_.open(ledger, deviceBytes()); }

}  // namespace gravelkin
