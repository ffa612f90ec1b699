// TerrainGeneratorEarth::generate, the fast path: each grid's column
// directions are gathered into arrays once and the biomes of all its columns
// computed together; then, layer by layer, the SIMD kernels compute every
// column's density and colour, and only the stores and the fill state's
// bookkeeping are left per voxel.
//
// It visits the same layers, grids and columns as generateReference and
// leaves the cache in the same state; the kernels make every density, biome
// and colour bit-identical, and the fill state depends only on which of air
// and solid occur, not on their order.
#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "voxel/fill_state.h"
#include "voxel/voxel.h"
#include "geometry/chunk_layers.h"
#include "terrain/earth/earth_columns.h"
#include "terrain/earth/voxel_store.h"
#include "terrain/earth/terrain_generator_earth.h"

namespace gravelkin {

namespace {

constexpr std::size_t maxColumns = chunkSize * chunkSize;

// One grid's columns in arrays, in voxel order (i outer, j inner): their
// directions and biomes' surface colours; and one layer's voxels.
struct alignas(64) ColumnArrays {
    float x[maxColumns];
    float y[maxColumns];
    float z[maxColumns];
    std::int32_t biome[maxColumns];
    PackedColour surface[maxColumns];
    float density[maxColumns];
    PackedColour colour[maxColumns];
};

// Computes the biomes and surface colours of the first `count` columns.
void computeSurfaces(const TerrainGeneratorEarth& earth, std::uint32_t count, ColumnArrays& columns) {
    earthBiomes(earth, columns.x, columns.y, columns.z, columns.biome, count);
    earthSurfaceColours(earth, columns.biome, columns.surface, count);
}

void gatherColumns(const TerrainGeneratorEarth& earth, ColumnDirectionCache& cache, std::uint32_t n,
                   ColumnArrays& columns) {
    gatherColumnDirections(cache, n, columns.x, columns.y, columns.z);
    computeSurfaces(earth, n * n, columns);
}

// Stores layer r's n x n computed voxels and returns the fill state after
// them.
ChunkFillState storeLayer(const ColumnArrays& columns, std::uint32_t r, std::uint32_t n, Voxel* voxels,
                          ChunkFillState fill) {
    // The fill state depends only on whether air and solid occur at all.
    bool air = false;
    bool solid = false;
    for (std::uint32_t i = 0; i < n; ++i) {
        // Voxels (i, r, 0 .. n-1) lie next to each other.
        Voxel* row = voxels + voxelIndex(i, r, 0);
        const float* densities = columns.density + i * n;
        const PackedColour* colours = columns.colour + i * n;
        for (std::uint32_t j = 0; j < n; ++j) {
            storeVoxel(row[j], densities[j], colours[j]);
            air |= densities[j] >= 0.0f;
            solid |= !(densities[j] >= 0.0f);
        }
    }
    if (air) fill = nextFillState(fill, 0.0f);
    if (solid) fill = nextFillState(fill, -1.0f);
    return fill;
}

// One layer of generateSparse: proven voxels stored as the constant voxel of
// their piece, the others gathered into `sampled`, computed together and
// stored back. A row crosses the tiles in runs of neighbouring columns (a
// quarter of the row each, or single columns on grids too coarse for that),
// and neighbouring voxels of a row lie next to each other, so both the
// gathering and the storing go by runs: sampled runs that meet are joined.
// Returns the fill state after the layer.
ChunkFillState storeSparseLayer(const TerrainGeneratorEarth& earth, const ChunkLayer& layer,
                                const ChunkPieces& pieces, const ColumnArrays& grid, ColumnArrays& sampled,
                                Voxel* voxels, ChunkFillState fill) {
    const std::uint32_t n = layer.columns;
    const float rho = static_cast<float>(layer.radius) + 0.5f;  // the middle of the layer
    const ChunkFillState* verdicts = pieces.verdict[layer.layer / ChunkPieces::slabLayers];
    if (std::all_of(verdicts, verdicts + ChunkPieces::tiles,
                    [](ChunkFillState verdict) { return verdict == ChunkFillState::Unknown; })) {
        // Every column sampled, as generate does: no gathering.
        earthObservableDensities(earth, grid.x, grid.y, grid.z, rho, sampled.density, n * n);
        earthColours(earth, sampled.density, grid.surface, sampled.colour, n * n);
        return storeLayer(sampled, layer.layer, n, voxels, fill);
    }
    struct Run {
        Voxel* voxels;
        std::uint32_t count;
    };
    Run runs[chunkSize * ChunkPieces::tilesPerSide];  // at most a run per tile a row crosses
    std::uint32_t runCount = 0;
    std::uint32_t count = 0;
    bool air = false;
    bool solid = false;
    const std::uint32_t run = n >= ChunkPieces::tilesPerSide ? n / ChunkPieces::tilesPerSide : 1;
    for (std::uint32_t i = 0; i < n; ++i) {
        Voxel* row = voxels + voxelIndex(i, layer.layer, 0);
        for (std::uint32_t j = 0; j < n; j += run) {
            const std::uint32_t end = j + run;
            const ChunkFillState verdict = verdicts[ChunkPieces::tileOf(i, j, n)];
            if (verdict == ChunkFillState::AllAir) {
                std::fill(row + j, row + end, airVoxel);
                air = true;
            } else if (verdict == ChunkFillState::AllSolid) {
                std::fill(row + j, row + end, earth.solidFillVoxel);
                solid = true;
            } else {
                const std::uint32_t k = i * n + j;
                std::copy(grid.x + k, grid.x + k + run, sampled.x + count);
                std::copy(grid.y + k, grid.y + k + run, sampled.y + count);
                std::copy(grid.z + k, grid.z + k + run, sampled.z + count);
                std::copy(grid.surface + k, grid.surface + k + run, sampled.surface + count);
                count += run;
                if (runCount > 0 && runs[runCount - 1].voxels + runs[runCount - 1].count == row + j) {
                    runs[runCount - 1].count += run;
                } else {
                    runs[runCount++] = {row + j, run};
                }
            }
        }
    }
    if (count > 0) {
        earthObservableDensities(earth, sampled.x, sampled.y, sampled.z, rho, sampled.density, count);
        earthColours(earth, sampled.density, sampled.surface, sampled.colour, count);
        std::uint32_t airs = 0;
        for (std::uint32_t s = 0; s < count; ++s) airs += sampled.density[s] >= 0.0f;
        const float* density = sampled.density;
        const PackedColour* colour = sampled.colour;
        for (std::uint32_t r = 0; r < runCount; ++r) {
            Voxel* out = runs[r].voxels;
            for (std::uint32_t v = 0; v < runs[r].count; ++v) storeVoxel(out[v], density[v], colour[v]);
            density += runs[r].count;
            colour += runs[r].count;
        }
        air |= airs > 0;
        solid |= airs < count;
    }
    if (air) fill = nextFillState(fill, 0.0f);
    if (solid) fill = nextFillState(fill, -1.0f);
    return fill;
}

// Whether any column of the layer lies in a piece left Unknown.
bool samplesAny(const ChunkPieces& pieces, std::uint32_t layer) {
    for (const ChunkFillState verdict : pieces.verdict[layer / ChunkPieces::slabLayers]) {
        if (verdict == ChunkFillState::Unknown) return true;
    }
    return false;
}

}  // namespace

ChunkFillState TerrainGeneratorEarth::generateSparse(const ChunkKey& key, Voxel* voxels, ColumnDirectionCache& cache,
                                                     const ChunkPieces& pieces) const {
    ChunkFillState fill = ChunkFillState::Unknown;
    ColumnArrays grid;
    ColumnArrays sampled;
    bool surfacesKnown = false;
    // The directions the bounding kept, where it kept them for this chunk.
    const bool reuse = pieces.grids > 0 && pieces.key == key;
    std::uint32_t grids = 0;
    forEachLayerOutermostFirst(key, [&](const ChunkLayer& layer) {
        const std::uint32_t n = layer.columns;
        if (layer.coarser) stepDownToCoarserGrid(cache);
        if (layer.coarser || layer.layer == chunkSize - 1) {
            if (reuse && grids < pieces.grids && pieces.grid[grids].columns == n) {
                const ChunkPieces::Grid& kept = pieces.grid[grids];
                std::copy(kept.x, kept.x + n * n, grid.x);
                std::copy(kept.y, kept.y + n * n, grid.y);
                std::copy(kept.z, kept.z + n * n, grid.z);
            } else {
                gatherColumnDirections(cache, n, grid.x, grid.y, grid.z);
            }
            ++grids;
            surfacesKnown = false;
        }
        // Biomes only colour sampled voxels: a grid all of whose pieces are
        // proven needs none.
        if (!surfacesKnown && samplesAny(pieces, layer.layer)) {
            computeSurfaces(*this, n * n, grid);
            surfacesKnown = true;
        }
        fill = storeSparseLayer(*this, layer, pieces, grid, sampled, voxels, fill);
    });
    return fill;
}

ChunkFillState TerrainGeneratorEarth::generate(const ChunkKey& key, Voxel* voxels, ColumnDirectionCache& cache) const {
    ChunkFillState fill = ChunkFillState::Unknown;
    ColumnArrays columns;
    forEachLayerOutermostFirst(key, [&](const ChunkLayer& layer) {
        const std::uint32_t n = layer.columns;
        if (layer.coarser) stepDownToCoarserGrid(cache);
        if (layer.coarser || layer.layer == chunkSize - 1) gatherColumns(*this, cache, n, columns);

        const float rho = static_cast<float>(layer.radius) + 0.5f;  // the middle of the layer
        earthDensities(*this, columns.x, columns.y, columns.z, rho, columns.density, n * n);
        earthColours(*this, columns.density, columns.surface, columns.colour, n * n);
        fill = storeLayer(columns, layer.layer, n, voxels, fill);
    });
    return fill;
}

}  // namespace gravelkin
