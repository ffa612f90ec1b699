#include "factory/far_node_build.h"

#include <vector>

#include "device/chunk_faces.h"
#include "device/face_bounds.h"
#include "factory/mesher/mesh_expansion.h"

namespace gravelkin {

namespace {

// Uploads `faces`; false when the device refused.
bool upload(const std::vector<FaceRecord>& faces, const Vec3& collapsedNormal, GraphicsDevice& device,
            FarMesh& mesh) {
    if (faces.empty()) return true;
    std::vector<ChunkVertex> corners;
    std::vector<Direction> sides;
    expandFaces(faces, collapsedNormal, corners, sides);
    const ChunkFaces record{corners.data(), sides.data(), static_cast<std::uint32_t>(faces.size())};
    mesh.buffer = device.createFaceBuffer(record);
    if (mesh.buffer == nullptr) return false;
    mesh.faces = record.count;
    mesh.vertexCount = record.count * triangleListVerticesPerFace;
    mesh.bounds = cornerBox(corners.data(), corners.size());
    return true;
}

void grow(Box3& box, const Box3& other) {
    if (other.min.x > other.max.x) return;
    includePoint(box, other.min);
    includePoint(box, other.max);
}

}  // namespace

std::unique_ptr<FarNode> buildFarNode(const FarNodeKey& key, const TerrainGeneratorBase& terrain,
                                      GraphicsDevice& device, FarNodeScratch& scratch) {
    if (!terrain.sampleFarBlock(key, scratch.block)) return nullptr;
    meshFarBlock(scratch.block, scratch.faces);

    auto node = std::make_unique<FarNode>();
    node->key = key;
    node->sphere = farNodeSphere(key);
    const Vec3 collapsed = collapsedFaceNormal(key.face);
    bool complete = upload(scratch.faces.main, collapsed, device, node->main);
    for (const Direction side : allDirections) {
        if (complete) complete = upload(scratch.faces.skirts[side], collapsed, device, node->skirts[side]);
    }
    node->incomplete = !complete;
    grow(node->bounds, node->main.bounds);
    for (const FarMesh& skirt : node->skirts) grow(node->bounds, skirt.bounds);
    return node;
}

}  // namespace gravelkin
