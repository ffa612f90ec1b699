// Chunk::buildMesh: the blocky mesh of one chunk, the fast way.
//
// The same mesh as buildMeshReference, bit for bit: the same faces in the same
// order (layers from the outermost inwards, i-major, j-minor, sides 0 to 5),
// the same corner arithmetic and the same normals. What differs is how the
// visible sides are found and where the vertices go:
//  1. solid masks, one 32-bit word per column row of each layer
//     (solid_masks.h);
//  2. layer by layer, the visible sides of every row from those masks
//     (visible_sides.h), then each visible side written straight as six
//     vertices (face_writer.h) into memory the thread keeps from chunk to
//     chunk (mesh_scratch.h);
//  3. one buffer creation from that memory.
// The cache is halved at the same layers as in the reference walk. The
// directions it hands out depend only on the column, not on which voxel asked
// first, so fetching only those the visible sides use, and reusing the
// previous voxel's, changes no corner.
#include <bit>
#include <cstdint>

#include "factory/chunk.h"
#include "factory/face_record.h"
#include "factory/face_writer.h"
#include "factory/float4.h"
#include "factory/mesh_expansion.h"
#include "factory/mesh_scratch.h"
#include "factory/mesh_upload.h"
#include "factory/visible_sides.h"
#include "geometry/column_direction_cache.h"
#include "geometry/level_table.h"

namespace gravelkin {

namespace {

// A column direction scaled to a layer's two radii, w = 0.
struct CornerPair {
    lanes::Float4 inner{};  // at radius R
    lanes::Float4 outer{};  // at radius R + 1
};

// columnDirection, reading the cache's memo straight where the entry is
// already computed (w = 0, the cache's own test), which most reads are.
const Vec4& cachedDirection(ColumnDirectionCache& cache, std::uint32_t i, std::uint32_t j) {
    const Vec4& entry = cache.directions[i << cache.resolutionShift][j << cache.resolutionShift];
    if (entry.w == 0.0f) return entry;
    return columnDirection(cache, i, j);
}

// Which sides use which corner column (the corner table): bit d for side d.
constexpr unsigned usesCorner00 = 0b011110;  // (i, j): -j, outward, inward, -i
constexpr unsigned usesCorner10 = 0b101110;  // (i + 1, j): -j, outward, inward, +i
constexpr unsigned usesCorner01 = 0b011011;  // (i, j + 1): +j, outward, inward, -i
constexpr unsigned usesCorner11 = 0b101011;  // (i + 1, j + 1): +j, outward, inward, +i

// The corners of one layer's voxels. A voxel's (i, j + 1) and (i + 1, j + 1)
// corners are the next voxel's (i, j) and (i + 1, j): they are kept for it.
class LayerCorners {
public:
    LayerCorners(ColumnDirectionCache& cache, float innerRadius, float outerRadius)
        : cache_(cache), innerRadius_(lanes::splat(innerRadius)), outerRadius_(lanes::splat(outerRadius)) {}

    // Makes the corners that `sides` use available for voxel (i, j).
    void prepare(std::uint32_t i, std::uint32_t j, unsigned sides) {
        const bool follows = i == i_ && j == j_ + 1;
        if (follows && has01_) {
            c00 = c01;
        } else if (sides & usesCorner00) {
            c00 = pair(i, j);
        }
        if (follows && has11_) {
            c10 = c11;
        } else if (sides & usesCorner10) {
            c10 = pair(i + 1, j);
        }
        has01_ = (sides & usesCorner01) != 0;
        has11_ = (sides & usesCorner11) != 0;
        if (has01_) c01 = pair(i, j + 1);
        if (has11_) c11 = pair(i + 1, j + 1);
        i_ = i;
        j_ = j;
    }

    CornerPair c00, c10, c01, c11;

private:
    // The scalar products d.x * R, d.y * R, d.z * R; w cleared (the memo's w
    // is a state flag, and may be -0.0).
    CornerPair pair(std::uint32_t i, std::uint32_t j) const {
        const lanes::Float4 d = lanes::bitAnd(lanes::load(cachedDirection(cache_, i, j)), lanes::xyzMask());
        return {lanes::mul(d, innerRadius_), lanes::mul(d, outerRadius_)};
    }

    ColumnDirectionCache& cache_;
    lanes::Float4 innerRadius_;
    lanes::Float4 outerRadius_;
    std::uint32_t i_ = ~0u;
    std::uint32_t j_ = ~0u;
    bool has01_ = false;
    bool has11_ = false;
};

// Bit j of each of the six side masks, as bit d of the result.
unsigned sidesOf(const std::uint32_t (&sides)[6], std::uint32_t j) {
    return ((sides[0] >> j) & 1u) | (((sides[1] >> j) & 1u) << 1) | (((sides[2] >> j) & 1u) << 2) |
           (((sides[3] >> j) & 1u) << 3) | (((sides[4] >> j) & 1u) << 4) | (((sides[5] >> j) & 1u) << 5);
}

}  // namespace

void Chunk::buildMesh(ColumnDirectionCache& cache, GraphicsDevice& device) {
    MeshScratch& scratch = threadMeshScratch();
    buildSolidMasks(*this, scratch.masks);

    FaceWriter writer(scratch, collapsedFaceNormal(key.face));
    const Voxel* const volume = voxels.data();

    const std::uint32_t innerRadius = 32 * key.shell;
    std::uint8_t level = columnLevel(innerRadius + 31);
    std::uint32_t columns = size;
    for (int layer = size - 1; layer >= 0; --layer) {
        const auto r = static_cast<std::uint32_t>(layer);
        const std::uint32_t radius = innerRadius + r;
        const std::uint8_t layerLevel = columnLevel(radius);
        if (layerLevel != level) {
            level = layerLevel;
            columns = columnsPerChunk(radius);
            halveResolution(cache);
        }
        findVisibleSides(*this, scratch.masks, r, scratch.sides);
        LayerCorners corners(cache, static_cast<float>(radius), static_cast<float>(radius + 1));

        for (std::uint32_t i = 0; i < columns; ++i) {
            const std::uint32_t(&sides)[6] = scratch.sides[i];
            std::uint32_t showing = sides[0] | sides[1] | sides[2] | sides[3] | sides[4] | sides[5];
            while (showing != 0) {
                const auto j = static_cast<std::uint32_t>(std::countr_zero(showing));
                showing &= showing - 1;
                writer.makeRoomForVoxel();
                const unsigned shown = sidesOf(sides, j);
                corners.prepare(i, j, shown);
                const CornerPair& c00 = corners.c00;
                const CornerPair& c10 = corners.c10;
                const CornerPair& c01 = corners.c01;
                const CornerPair& c11 = corners.c11;
                writer.setColour(faceColour(volume[voxelIndex(i, r, j)].colour));
                if (shown & 1u) writer.write(c01.outer, c11.outer, c11.inner, c01.inner);   // +j
                if (shown & 2u) writer.write(c00.outer, c10.outer, c11.outer, c01.outer);   // outward
                if (shown & 4u) writer.write(c00.inner, c10.inner, c10.outer, c00.outer);   // -j
                if (shown & 8u) writer.write(c01.inner, c11.inner, c10.inner, c00.inner);   // inward
                if (shown & 16u) writer.write(c00.outer, c01.outer, c01.inner, c00.inner);  // -i
                if (shown & 32u) writer.write(c10.inner, c11.inner, c11.outer, c10.outer);  // +i
            }
        }
    }

    if (writer.vertexCount() != 0) publishMesh(*this, device, writer.vertices(), writer.vertexCount());
    scratch.trim();
    meshPending.store(false, std::memory_order_release);
}

}  // namespace gravelkin
