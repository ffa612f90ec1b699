// meshChunkReference (mesher.h): the blocky mesh of one chunk, the plain way.
//
// Every solid voxel asks for the voxel across each of its six sides; each side
// whose neighbour is not solid becomes one face. Layers are walked from the
// outermost inwards so that the cache (corner mode) can halve its grid where
// the grid coarsens and keep reusing the corner directions of the finer grid.
// Faces are gathered first, then expanded into corners in arrays sized once.
//
// This is the mesher as it reads most directly. meshChunk (mesher.cpp) gives
// the same faces bit for bit much faster; this one stays as its
// yardstick in the tests, the benchmark and the probes.
#include <cstdint>
#include <vector>

#include "factory/mesher/face_record.h"
#include "factory/mesher/mesh_expansion.h"
#include "factory/mesher/mesher.h"
#include "factory/mesher/neighbour_voxel.h"
#include "factory/mesher/voxel_corners.h"
#include "factory/mesher/voxel_sides.h"
#include "geometry/chunk_layers.h"
#include "geometry/level_table.h"

namespace gravelkin {

namespace {

bool solid(const Voxel& voxel) { return voxel.density < 0.0f; }

// Appends the faces of one layer's solid voxels that show.
void gatherLayerFaces(const Chunk& chunk, ColumnDirectionCache& cache, const ChunkLayer layer,
                      std::vector<FaceRecord>& faces) {
    // The layer above is divided more finely: its voxels cannot be matched
    // one to one, so the outward side is always drawn.
    const bool finerAbove = columnLevel(layer.radius + 1) != columnLevel(layer.radius);
    const auto innerRadius = static_cast<float>(layer.radius);
    const auto outerRadius = static_cast<float>(layer.radius + 1);
    const std::uint32_t r = layer.layer;
    const std::uint32_t columns = layer.columns;
    for (std::uint32_t i = 0; i < columns; ++i) {
        for (std::uint32_t j = 0; j < columns; ++j) {
            const Voxel& here = chunk.voxel(i, r, j);
            if (here.density >= 0.0f) continue;

            // Counted rather than walked over allDirections: the walk reads the
            // array and costs this loop some 6% more instructions.
            unsigned visibleSides = 0;
            for (int d = 0; d < directionCount; ++d) {
                const auto side = static_cast<Direction>(d);
                const bool visible = (side == Direction::Outward && finerAbove) ||
                                     !solid(neighbourVoxelInLayer(chunk, i, r, j, side, columns));
                if (visible) visibleSides |= sideBit(side);
            }
            if (visibleSides == 0) continue;

            // Corners only for voxels that show at least one side.
            const VoxelCorners corners = voxelCorners(cache, i, j, innerRadius, outerRadius);
            const Vec3 colour = faceColour(here.colour);
            for (const Direction side : allDirections) {
                if (visibleSides & sideBit(side)) faces.push_back(sideFace(corners, side, colour));
            }
        }
    }
}

}  // namespace

void meshChunkReference(const MesherInput& input, MesherOutput& output) {
    output.faces = {};
    std::vector<FaceRecord> faces;
    forEachLayerOutermostFirst(input.chunk.key, [&](const ChunkLayer& layer) {
        if (layer.coarser) halveResolution(input.cache);
        gatherLayerFaces(input.chunk, input.cache, layer, faces);
    });
    expandFaces(faces, collapsedFaceNormal(input.chunk.key.face), output.referenceCorners, output.referenceSides);
    if (faces.empty()) return;
    output.faces = {output.referenceCorners.data(), output.referenceSides.data(),
                    static_cast<std::uint32_t>(faces.size())};
}

}  // namespace gravelkin
