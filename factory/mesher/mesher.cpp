// meshChunk (mesher.h): the blocky mesh of one chunk, the fast way.
//
// The same mesh as meshChunkReference, bit for bit: the same faces in the same
// order, the same corner arithmetic and the same normals. What differs is how
// the visible sides are found and where the corners go:
//  1. solid masks, one 32-bit word per column row of each layer
//     (solid_masks.h);
//  2. layer by layer, the visible sides of every row from those masks
//     (visible_sides.h), then each visible side written straight as four
//     corners and its side (face_writer.h) into memory the output keeps from
//     chunk to chunk (mesh_scratch.h).
// The cache is halved at the same layers as in the reference walk. The
// directions it hands out depend only on the column, not on which voxel asked
// first, so fetching only those the visible sides use, and reusing the
// previous voxel's, changes no corner.
#include <bit>
#include <cstdint>
#include <memory>
#include <vector>

#include "factory/mesher/face_record.h"
#include "factory/mesher/face_writer.h"
#include "factory/mesher/float4.h"
#include "factory/mesher/mesh_expansion.h"
#include "factory/mesher/mesher.h"
#include "factory/mesher/visible_sides.h"
#include "factory/mesher/voxel_sides.h"
#include "geometry/chunk_layers.h"
#include "geometry/column_direction_cache.h"
#include "geometry/neighbours.h"

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

// Which sides use which corner column (the corner table).
constexpr unsigned bothRadial = sideBit(Direction::Outward) | sideBit(Direction::Inward);
constexpr unsigned usesCorner00 = bothRadial | sideBit(Direction::MinusY) | sideBit(Direction::MinusX);  // (i, j)
constexpr unsigned usesCorner10 = bothRadial | sideBit(Direction::MinusY) | sideBit(Direction::PlusX);   // (i + 1, j)
constexpr unsigned usesCorner01 = bothRadial | sideBit(Direction::PlusY) | sideBit(Direction::MinusX);   // (i, j + 1)
constexpr unsigned usesCorner11 = bothRadial | sideBit(Direction::PlusY) | sideBit(Direction::PlusX);  // (i + 1, j + 1)
static_assert(usesCorner00 == 0b011110 && usesCorner10 == 0b101110 && usesCorner01 == 0b011011 &&
              usesCorner11 == 0b101011);

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

// Bit j of each side's mask, as that side's bit of the result.
unsigned sidesOf(const RowSides& sides, std::uint32_t j) {
    const auto bit = [&](Direction side) { return ((sides[side] >> j) & 1u) << side; };
    return bit(Direction::PlusY) | bit(Direction::Outward) | bit(Direction::MinusY) | bit(Direction::Inward) |
           bit(Direction::MinusX) | bit(Direction::PlusX);
}

// The voxels of a row that show any side.
std::uint32_t anySide(const RowSides& sides) {
    return sides[Direction::PlusY] | sides[Direction::Outward] | sides[Direction::MinusY] |
           sides[Direction::Inward] | sides[Direction::MinusX] | sides[Direction::PlusX];
}

// Writes the faces of one layer's visible sides. Kept out of the layer walk:
// inlined into it, the walk's own state crowds the registers and the voxel
// loop spills (mesh_bench).
[[gnu::noinline]] void meshLayer(const Chunk& chunk, ColumnDirectionCache& cache, const ChunkLayer layer,
                                 MeshScratch& scratch, FaceWriter& writer) {
    const Voxel* const volume = chunk.voxels.data();
    const std::uint32_t r = layer.layer;
    findVisibleSides(chunk, scratch.masks, r, scratch.sides);
    LayerCorners corners(cache, static_cast<float>(layer.radius), static_cast<float>(layer.radius + 1));
    for (std::uint32_t i = 0; i < layer.columns; ++i) {
        const RowSides& sides = scratch.sides[i];
        std::uint32_t showing = anySide(sides);
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
            writer.writeIfShown(shown, Direction::PlusY, c01.outer, c11.outer, c11.inner, c01.inner);
            writer.writeIfShown(shown, Direction::Outward, c00.outer, c10.outer, c11.outer, c01.outer);
            writer.writeIfShown(shown, Direction::MinusY, c00.inner, c10.inner, c10.outer, c00.outer);
            writer.writeIfShown(shown, Direction::Inward, c01.inner, c11.inner, c10.inner, c00.inner);
            writer.writeIfShown(shown, Direction::MinusX, c00.outer, c01.outer, c01.inner, c00.inner);
            writer.writeIfShown(shown, Direction::PlusX, c10.inner, c11.inner, c11.outer, c10.outer);
        }
    }
}

// Whether a chunk reads a shared block of one solid voxel (not NaN, which
// the mesher sees through).
bool constantRock(const Chunk& chunk) { return !chunk.voxels.ownsBlock() && chunk.voxels[0].density < 0.0f; }

// Whether no side of the chunk can show: every voxel of it and of all its
// neighbours is rock, and no level step inside its shell draws outward sides
// whatever lies above. Some 1,400 mesh jobs at the start view are of such
// chunks, deep under the surface. Where a neighbour is missing the walk
// runs, and fails as it should.
bool sealedInRock(const Chunk& chunk) {
    if (chunk.levelStepInShell || !constantRock(chunk)) return false;
    for (const Direction side : allDirections) {
        if (const Chunk* neighbour = chunk.neighbours[side]; neighbour != nullptr) {
            if (!constantRock(*neighbour)) return false;
            continue;
        }
        const NeighbourStep<ChunkKey> step = chunkNeighbour(chunk.key, side);
        if (!step.split || chunk.fineNeighbours == nullptr) return false;
        for (const ChunkKey& key : fineKeysFrom(step.address).keys) {
            const auto found = chunk.fineNeighbours->find(key);
            if (found == chunk.fineNeighbours->end() || !found->second || !constantRock(*found->second)) return false;
        }
    }
    return true;
}

}  // namespace

void meshChunk(const MesherInput& input, MesherOutput& output) {
    output.faces = {};
    if (sealedInRock(input.chunk)) return;
    buildSolidMasks(input.chunk, output.scratch.masks);
    FaceWriter writer(output.scratch, collapsedFaceNormal(input.chunk.key.face));
    forEachLayerOutermostFirst(input.chunk.key, [&](const ChunkLayer& layer) {
        if (layer.coarser) halveResolution(input.cache);
        meshLayer(input.chunk, input.cache, layer, output.scratch, writer);
    });
    output.faces = writer.faces();
}

void MesherOutput::trim() {
    faces = {};
    scratch.trim();
    std::vector<ChunkVertex>().swap(referenceCorners);
    std::vector<Direction>().swap(referenceSides);
}

MesherOutput& threadMesherOutput() {
    // On the heap, so that the masks (some 8 KiB) stay out of every thread's
    // static TLS block.
    thread_local const std::unique_ptr<MesherOutput> output = std::make_unique<MesherOutput>();
    return *output;
}

}  // namespace gravelkin
