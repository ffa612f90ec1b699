// What a terrain generator is: plain settings that the chunk factories read,
// and the operation that fills a chunk's voxels (with its plain twin).
//
// generate runs on every factory thread at once: a generator is immutable
// after construction.
//
// Depends on: geometry, the chunk record it fills.
#pragma once

#include <cstdint>
#include <vector>

#include "camera/vector_math.h"
#include "factory/chunk.h"
#include "geometry/column_direction_cache.h"

namespace gravelkin {

struct BiomePoint {
    Vec4 direction;       // unit vector, w = 0
    std::int32_t biome;   // 0..3
};

class TerrainGeneratorBase {
public:
    virtual ~TerrainGeneratorBase() = default;

    // Fills every used voxel of `chunk` and its fillState. The caller has reset
    // `cache` for the chunk's key and set columnOffset to 0.5; the cache is
    // left at the innermost layer's resolution.
    virtual void generate(Chunk& chunk, ColumnDirectionCache& cache) const = 0;

    // The same voxels by the plain implementation that `generate` is checked
    // against, where a generator has a faster one; by default `generate`.
    virtual void generateReference(Chunk& chunk, ColumnDirectionCache& cache) const { generate(chunk, cache); }

    std::int32_t seed = 1337;
    float surfaceRadius = 400.0f;
    std::uint32_t solidBelowRadius = 0;           // shells ending below it are solid fill
    std::uint32_t emptyAboveRadius = 4294967295u; // shells starting above it are air
    Voxel solidFillVoxel = {0.0f, {127, 127, 127}};
    std::vector<BiomePoint> biomePoints;
};

}  // namespace gravelkin
