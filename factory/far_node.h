// One built far-terrain node: its meshes on the device, ready to draw.
//
// A node is built whole by one factory thread (sampled, meshed, uploaded)
// and only then shared; after that nothing in it changes, so the manager and
// the renderer read it without locks. The last owner to let it go releases
// its buffers (any thread: the device allows it).
#pragma once

#include <array>
#include <cstdint>

#include "camera/frustum.h"
#include "device/graphics_device.h"
#include "factory/memory_ledger.h"
#include "geometry/far_node_key.h"
#include "geometry/neighbours.h"

namespace gravelkin {

struct FarMesh {
    VertexBuffer* buffer = nullptr;
    std::uint32_t vertexCount = 0;  // triangle-list vertices; 0: nothing to draw
    std::uint32_t faces = 0;
    Box3 bounds;
};

struct FarNode {
    FarNodeKey key;
    FarNodeSphere sphere;
    FarMesh main;
    std::array<FarMesh, directionCount> skirts;  // by side; Inward stays empty
    Box3 bounds;                                 // every mesh's corners
    bool incomplete = false;                     // a buffer could not be created

    FarNode() = default;
    FarNode(const FarNode&) = delete;
    FarNode& operator=(const FarNode&) = delete;
    ~FarNode();

    std::uint64_t faceCount() const;
    // Bytes of vertex data held on the device (four 48-byte corners a face).
    std::uint64_t deviceBytes() const;

    // Charges the node's vertex bytes to `ledger`, credited back when the
    // node goes. Once, before the node is shared.
    void chargeTo(MemoryLedger& ledger);

private:
    LedgerCharge charge_;
};

}  // namespace gravelkin
