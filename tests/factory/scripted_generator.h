// A terrain generator for the build tests: writes densities chosen by the test
// into every used voxel, in the generators' layer order, with colour
// (4, 5, 6), and remembers how it was called. Its band: shells 0..8 are solid
// fill, 17 and up air.
#pragma once

#include <cstdint>
#include <functional>
#include <utility>

#include "geometry/chunk_layers.h"
#include "terrain/terrain_generator_base.h"

namespace gravelkin::test {

class ScriptedGenerator : public TerrainGeneratorBase {
public:
    using Density = std::function<float(std::uint32_t i, std::uint32_t r, std::uint32_t j)>;

    explicit ScriptedGenerator(Density density) : density_(std::move(density)) {
        solidBelowRadius = 294;
        emptyAboveRadius = 538;
        solidFillVoxel = Voxel{-3.25f, {10, 20, 30}};
    }
    explicit ScriptedGenerator(float density)
        : ScriptedGenerator([density](std::uint32_t, std::uint32_t, std::uint32_t) { return density; }) {}

    ChunkFillState generate(const ChunkKey& key, Voxel* voxels, ColumnDirectionCache& cache) const override {
        ++calls;
        offsetSeen = cache.columnOffset;
        shiftSeen = cache.resolutionShift;
        baseUSeen = cache.columnBaseU;
        ChunkFillState state = ChunkFillState::Unknown;
        forEachLayerOutermostFirst(key, [&](const ChunkLayer& layer) {
            for (std::uint32_t i = 0; i < layer.columns; ++i) {
                for (std::uint32_t j = 0; j < layer.columns; ++j) {
                    const float density = density_(i, layer.layer, j);
                    voxels[voxelIndex(i, layer.layer, j)] = Voxel{density, {4, 5, 6}};
                    state = nextFillState(state, density);
                }
            }
        });
        return state;
    }

    mutable int calls = 0;
    mutable float offsetSeen = -1.0f;
    mutable std::uint32_t shiftSeen = 99;
    mutable std::uint32_t baseUSeen = 0;

private:
    Density density_;
};

}  // namespace gravelkin::test
