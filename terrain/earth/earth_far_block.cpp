// TerrainGeneratorEarth::sampleFarBlock: one far node's voxels, a layer of
// 34 x 34 columns at a time through the SIMD kernels.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "geometry/face_mapping.h"
#include "geometry/neighbours.h"
#include "terrain/earth/earth_columns.h"
#include "terrain/earth/terrain_generator_earth.h"
#include "terrain/earth/voxel_store.h"

namespace gravelkin {

namespace {

constexpr std::uint32_t blockColumns = FarBlock::side * FarBlock::side;

// The centre of column (u, v) of a face's grid of `columns` a side; a column
// just beyond an edge of the face is the column of the next face that shares
// the edge, sampled as that face's own nodes sample it. (Beyond a corner,
// where no node looks, the face's mapping simply continues.)
Vec4 farColumnCentre(std::uint8_t face, std::int64_t u, std::int64_t v, std::int64_t columns, float step) {
    const bool uOff = u < 0 || u >= columns;
    const bool vOff = v < 0 || v >= columns;
    if (uOff != vOff) {
        const auto n = static_cast<std::uint32_t>(columns);
        FaceCell cell{};
        if (u < 0) cell = stepOnFace(0, static_cast<std::uint32_t>(v), face, MinusX, n);
        if (u >= columns) cell = stepOnFace(n - 1, static_cast<std::uint32_t>(v), face, PlusX, n);
        if (v < 0) cell = stepOnFace(static_cast<std::uint32_t>(u), 0, face, MinusY, n);
        if (v >= columns) cell = stepOnFace(static_cast<std::uint32_t>(u), n - 1, face, PlusY, n);
        face = cell.face;
        u = cell.x;
        v = cell.y;
    }
    return faceDirection(face, (static_cast<float>(u) + 0.5f) * step, (static_cast<float>(v) + 0.5f) * step);
}

// The box of the columns' directions.
struct DirectionRange {
    double lo[3] = {INFINITY, INFINITY, INFINITY};
    double hi[3] = {-INFINITY, -INFINITY, -INFINITY};

    void add(float x, float y, float z) {
        const double c[3] = {x, y, z};
        for (int k = 0; k < 3; ++k) {
            lo[k] = std::min(lo[k], c[k]);
            hi[k] = std::max(hi[k], c[k]);
        }
    }
};

enum class LayerVerdict { Air, Solid, Sampled };

// What a whole layer of the block is without sampling it: the shells'
// fill where the layer lies wholly within it, else what the density bounds
// over the layer's sample points prove (air: at least 0.1; stone, coloured
// like the solid fill: at most -10.1, the chunks' classification limits),
// else Sampled.
LayerVerdict layerVerdict(const TerrainGeneratorEarth& earth, const DirectionRange& directions, std::int64_t lowest,
                          std::int64_t highest, float rho) {
    if (highest < static_cast<std::int64_t>(earth.solidBelowRadius)) return LayerVerdict::Solid;
    if (lowest > static_cast<std::int64_t>(earth.emptyAboveRadius)) return LayerVerdict::Air;
    NoiseBox box;
    for (int k = 0; k < 3; ++k) {
        // The float products rho * d round by half an ulp of the radius.
        box.lo[k] = std::min(rho * directions.lo[k], rho * directions.hi[k]) - 1e-3;
        box.hi[k] = std::max(rho * directions.lo[k], rho * directions.hi[k]) + 1e-3;
    }
    const Interval density = earth.densityBounds(box, rho, rho);
    if (density.lo >= 0.1) return LayerVerdict::Air;
    if (density.hi <= -10.1) return LayerVerdict::Solid;
    return LayerVerdict::Sampled;
}

}  // namespace

bool TerrainGeneratorEarth::sampleFarBlock(const FarNodeKey& key, FarBlock& block) const {
    block.key = key;
    const std::int64_t columnsPerFace = std::int64_t{farNodeSide} * farNodeGrid(key.level, key.band);
    const float columnStep = 1.0f / static_cast<float>(columnsPerFace);
    const std::int64_t firstU = std::int64_t{key.x} * farNodeSide;
    const std::int64_t firstV = std::int64_t{key.y} * farNodeSide;

    std::vector<float> x(blockColumns), y(blockColumns), z(blockColumns), density(blockColumns);
    std::vector<std::int32_t> biome(blockColumns);
    std::vector<PackedColour> surface(blockColumns), colour(blockColumns);
    for (int i = -1; i <= static_cast<int>(farNodeSide); ++i) {
        for (int j = -1; j <= static_cast<int>(farNodeSide); ++j) {
            const Vec4 d = farColumnCentre(key.face, firstU + i, firstV + j, columnsPerFace, columnStep);
            const std::size_t k = static_cast<std::size_t>(i + 1) * FarBlock::side + static_cast<std::size_t>(j + 1);
            x[k] = d.x;
            y[k] = d.y;
            z[k] = d.z;
        }
    }
    earthBiomes(*this, x.data(), y.data(), z.data(), biome.data(), blockColumns);
    DirectionRange directions;
    for (std::size_t k = 0; k < blockColumns; ++k) directions.add(x[k], y[k], z[k]);
    earthSurfaceColours(*this, biome.data(), surface.data(), blockColumns);

    const std::int64_t depth = farNodeVoxelDepth(key);
    const std::int64_t inner = farNodeInnerRadius(key);
    ChunkFillState fill = ChunkFillState::Unknown;
    for (int r = -1; r <= static_cast<int>(farNodeSide); ++r) {
        const std::int64_t lowest = inner + r * depth;
        const std::int64_t highest = lowest + depth - 1;
        const bool interiorLayer = r >= 0 && r < static_cast<int>(farNodeSide);
        // The middle of the layer, as a chunk's layer is sampled at r + 0.5.
        const float rho = static_cast<float>(lowest) + 0.5f * static_cast<float>(depth);
        const LayerVerdict verdict = layerVerdict(*this, directions, lowest, highest, rho);
        if (verdict != LayerVerdict::Sampled) {
            const Voxel constant = verdict == LayerVerdict::Solid ? solidFillVoxel : airVoxel;
            for (int i = -1; i <= static_cast<int>(farNodeSide); ++i) {
                for (int j = -1; j <= static_cast<int>(farNodeSide); ++j) block.at(i, r, j) = constant;
            }
            if (interiorLayer) fill = nextFillState(nextFillState(fill, constant.density), constant.density);
            continue;
        }
        earthObservableDensities(*this, x.data(), y.data(), z.data(), rho, density.data(), blockColumns);
        earthColours(*this, density.data(), surface.data(), colour.data(), blockColumns);
        for (int i = -1; i <= static_cast<int>(farNodeSide); ++i) {
            for (int j = -1; j <= static_cast<int>(farNodeSide); ++j) {
                const std::size_t k = static_cast<std::size_t>(i + 1) * FarBlock::side + static_cast<std::size_t>(j + 1);
                storeVoxel(block.at(i, r, j), density[k], colour[k]);
                const bool inside = interiorLayer && i >= 0 && j >= 0 && i < static_cast<int>(farNodeSide) &&
                                    j < static_cast<int>(farNodeSide);
                if (inside) fill = nextFillState(fill, density[k]);
            }
        }
    }
    block.interiorFill = fill;
    return true;
}

}  // namespace gravelkin
