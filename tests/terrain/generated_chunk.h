// One chunk generated into a voxel array as the chunk factory does it: a
// fresh cache in centre mode, every voxel `untouched` beforehand.
#pragma once

#include <vector>

#include "geometry/column_direction_cache.h"
#include "terrain/terrain_generator_earth.h"

namespace gravelkin::test {

// Building the generator scatters its biome points; do it once.
inline const TerrainGeneratorEarth& earth() {
    static const TerrainGeneratorEarth generator;
    return generator;
}

// What a chunk's voxels hold before generation; generate leaves it in the
// columns a coarser layer does not use.
inline constexpr Voxel untouched{0.0f, {127, 127, 127}};

struct GeneratedChunk {
    std::vector<Voxel> voxels = std::vector<Voxel>(voxelsPerBlock, untouched);
    ColumnDirectionCache cache{};  // zeroed: comparisons read entries generate never computes
    ChunkFillState fill = ChunkFillState::Unknown;
    const Voxel& at(std::uint32_t i, std::uint32_t r, std::uint32_t j) const { return voxels[voxelIndex(i, r, j)]; }
};

// g.generate, or g.generateReference where `reference`.
inline GeneratedChunk generateChunk(const TerrainGeneratorEarth& g, const ChunkKey& key, bool reference = false) {
    GeneratedChunk out;
    resetForChunk(out.cache, key);
    out.cache.columnOffset = 0.5f;
    out.fill = reference ? g.generateReference(key, out.voxels.data(), out.cache)
                         : g.generate(key, out.voxels.data(), out.cache);
    return out;
}

}  // namespace gravelkin::test
