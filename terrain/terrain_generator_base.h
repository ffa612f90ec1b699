// Layer terrain (terrain/): the generator interface; the Earth generator, its
// classification and biomes in terrain/earth/.
//
// What a terrain generator is: plain settings that the chunk factories read,
// and the operation that fills a chunk's voxel volume (with its plain twin).
// A generator knows voxels and geometry only: not the chunk record, not
// threads, not the device.
//
// generate runs on every factory thread at once: a generator is immutable
// after construction.
#pragma once

#include <cstdint>
#include <vector>

#include "camera/vector_math.h"
#include "voxel/fill_state.h"
#include "voxel/voxel_volume.h"
#include "geometry/chunk_key.h"
#include "geometry/column_direction_cache.h"
#include "terrain/chunk_pieces.h"
#include "terrain/far_block.h"

namespace gravelkin {

// The seed of today's planet, which every run gets unless told otherwise.
inline constexpr std::int32_t defaultTerrainSeed = 1337;

struct BiomePoint {
    Vec4 direction;       // unit vector, w = 0
    std::int32_t biome;   // 0..3
};

class TerrainGeneratorBase {
public:
    virtual ~TerrainGeneratorBase() = default;

    // Writes every used voxel of chunk `key` into `voxels` (chunkSize^3 of
    // them, in voxelIndex order; unused columns of coarser inner layers are
    // left as they are) and returns the fill state of what it wrote. The
    // caller has reset `cache` for `key` and set columnOffset to 0.5; the
    // cache is left at the innermost layer's resolution.
    virtual ChunkFillState generate(const ChunkKey& key, Voxel* voxels, ColumnDirectionCache& cache) const = 0;

    // The same voxels by the plain implementation that `generate` is checked
    // against, where a generator has a faster one; by default `generate`.
    virtual ChunkFillState generateReference(const ChunkKey& key, Voxel* voxels, ColumnDirectionCache& cache) const {
        return generate(key, voxels, cache);
    }

    // What generate would return for chunk `key` where that is known without
    // generating it: AllAir when every voxel it would write is air, AllSolid
    // when every one is solid and coloured like solidFillVoxel (densities may
    // differ: only the sign and the colour of such a chunk are ever read);
    // Unknown otherwise. Records in `pieces` what is known of each piece, for
    // generateSparse; by default nothing. Takes the cache as generate does and
    // leaves it as generate would; the caller resets the cache before a
    // generate that follows.
    virtual ChunkFillState classifyPieces(const ChunkKey&, ColumnDirectionCache&, ChunkPieces& pieces) const {
        pieces.setAll(ChunkFillState::Unknown);
        pieces.grids = 0;
        return ChunkFillState::Unknown;
    }

    ChunkFillState classify(const ChunkKey& key, ColumnDirectionCache& cache) const {
        ChunkPieces pieces;
        return classifyPieces(key, cache, pieces);
    }

    // generate, sampling only the pieces that classifyPieces left Unknown:
    // the same fill state, and every voxel the same sign, and every solid one
    // the same colour, as generate writes. Voxels of a proven piece read
    // airVoxel or solidFillVoxel instead of their own density. By default
    // generate.
    virtual ChunkFillState generateSparse(const ChunkKey& key, Voxel* voxels, ColumnDirectionCache& cache,
                                          const ChunkPieces&) const {
        return generate(key, voxels, cache);
    }

    // Fills `block` for the node `key` (far_block.h) and returns true; false
    // where the terrain cannot be seen from afar (it then draws nothing
    // beyond the streaming radius).
    virtual bool sampleFarBlock(const FarNodeKey&, FarBlock&) const { return false; }

    std::int32_t seed = defaultTerrainSeed;
    float surfaceRadius = 400.0f;
    std::uint32_t solidBelowRadius = 0;           // shells ending below it are solid fill
    std::uint32_t emptyAboveRadius = 4294967295u; // shells starting above it are air
    Voxel solidFillVoxel = {0.0f, {127, 127, 127}};
    std::vector<BiomePoint> biomePoints;
};

}  // namespace gravelkin
