// Chunk::buildMeshReference: the blocky mesh of one chunk, the plain way.
//
// Every solid voxel is a curved box on the sphere; each of its six sides whose
// neighbouring voxel is air (density >= 0) becomes one quad. Layers are walked
// from the outermost inwards so that the cache (corner mode) can halve its grid
// where the level drops and keep reusing the corner directions of the finer
// grid. Faces are gathered first, then expanded into vertices and uploaded in
// one buffer creation.
//
// This is the mesher as it reads most directly: one neighbour lookup per side
// of every solid voxel. buildMesh (mesher.cpp) produces the same vertex array
// bit for bit much faster; this one stays as its yardstick in the tests and
// the probe.
#include <cstdint>
#include <vector>

#include "factory/chunk.h"
#include "factory/face_record.h"
#include "factory/mesh_expansion.h"
#include "factory/mesh_upload.h"
#include "factory/neighbour_voxel.h"
#include "factory/voxel_corners.h"
#include "geometry/column_direction_cache.h"
#include "geometry/level_table.h"

namespace gravelkin {

namespace {

constexpr std::uint8_t outwardDirection = 1;

bool solid(const Voxel& voxel) { return voxel.density < 0.0f; }

}  // namespace

void Chunk::buildMeshReference(ColumnDirectionCache& cache, GraphicsDevice& device) {
    // Voxels are only read: through the const chunk, which never copies a
    // shared block.
    const Chunk& self = *this;
    const std::uint32_t innerRadius = 32 * key.shell;
    std::uint8_t level = columnLevel(innerRadius + 31);
    std::uint32_t columns = size;

    std::vector<FaceRecord> faces;
    for (int r = size - 1; r >= 0; --r) {
        const std::uint32_t radius = innerRadius + static_cast<std::uint32_t>(r);
        const std::uint8_t layerLevel = columnLevel(radius);
        if (layerLevel != level) {
            level = layerLevel;
            columns = columnsPerChunk(radius);
            halveResolution(cache);
        }
        // The layer above is divided more finely: its voxels cannot be matched
        // one to one, so the outward side is always drawn.
        const bool finerAbove = columnLevel(radius + 1) != layerLevel;
        const float layerInner = static_cast<float>(radius);
        const float layerOuter = static_cast<float>(radius + 1);

        for (std::uint32_t i = 0; i < columns; ++i) {
            for (std::uint32_t j = 0; j < columns; ++j) {
                const Voxel& here = self.voxel(i, static_cast<std::uint32_t>(r), j);
                if (here.density >= 0.0f) continue;

                unsigned visibleSides = 0;
                for (std::uint8_t direction = 0; direction < 6; ++direction) {
                    const bool visible =
                        (direction == outwardDirection && finerAbove) ||
                        !solid(neighbourVoxelInLayer(self, i, static_cast<std::uint32_t>(r), j, direction, columns));
                    if (visible) visibleSides |= 1u << direction;
                }
                if (visibleSides == 0) continue;

                // Corners only for voxels that show at least one side.
                const VoxelCorners corners = voxelCorners(cache, i, j, layerInner, layerOuter);
                const Vec3 colour = faceColour(here.colour);
                for (std::uint8_t direction = 0; direction < 6; ++direction) {
                    if (visibleSides & (1u << direction)) faces.push_back(sideFace(corners, direction, colour));
                }
            }
        }
    }

    if (!faces.empty()) {
        std::vector<ChunkVertex> vertices;
        expandFaces(faces, collapsedFaceNormal(key.face), vertices);
        // The faces are no longer needed: free them before the device copies
        // the vertices.
        std::vector<FaceRecord>().swap(faces);
        publishMesh(*this, device, vertices);
    }
    meshPending.store(false, std::memory_order_release);
}

}  // namespace gravelkin
