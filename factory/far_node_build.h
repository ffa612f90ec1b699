// Building a far-terrain node: sample its voxels from the terrain, mesh them
// (mesher/far_mesher.h) and create one face buffer per non-empty mesh.
//
// Runs on a factory thread with that thread's scratch.
#pragma once

#include <memory>

#include "device/graphics_device.h"
#include "factory/far_node.h"
#include "factory/mesher/far_mesher.h"
#include "terrain/far_block.h"
#include "terrain/terrain_generator_base.h"

namespace gravelkin {

// What one thread keeps from one node to the next.
struct FarNodeScratch {
    FarBlock block;
    FarMeshFaces faces;
};

// The built node, or null where the terrain cannot be seen from afar. A
// buffer the device could not create leaves the node incomplete (and the
// rest of its meshes released). Throws std::bad_alloc when memory runs out.
std::unique_ptr<FarNode> buildFarNode(const FarNodeKey& key, const TerrainGeneratorBase& terrain,
                                      GraphicsDevice& device, FarNodeScratch& scratch);

}  // namespace gravelkin
