// The Earth generator's fast path against its scalar reference: identical
// voxels (density bits, colours, untouched columns), fill state and cache
// state, for chunks of every generated shell, on every SIMD instruction set
// this CPU can run.
#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <memory>
#include <vector>

#include "factory/chunk.h"
#include "geometry/column_direction_cache.h"
#include "geometry/level_table.h"
#include "terrain/earth_columns.h"
#include "simd_target_params.h"
#include "terrain/terrain_generator_earth.h"

namespace gravelkin {
namespace {

const TerrainGeneratorEarth& earth() {
    static const TerrainGeneratorEarth generator;
    return generator;
}

// Four chunks per shell from 9 to 16 (the shells the factory generates): the
// two grid corners, which touch face edges, and two spread over the faces.
std::vector<ChunkKey> chunksOfEveryGeneratedShell() {
    std::vector<ChunkKey> keys;
    std::uint32_t state = 77u;
    for (std::uint32_t shell = 9; shell <= 16; ++shell) {
        const auto side = static_cast<std::uint32_t>(chunksPerSide(shell));
        keys.push_back({0, shell, 0, static_cast<std::uint8_t>(shell % 6)});
        keys.push_back({side - 1, shell, side - 1, static_cast<std::uint8_t>((shell + 3) % 6)});
        for (int k = 0; k < 2; ++k) {
            state = state * 1664525u + 1013904223u;
            const std::uint32_t x = (state >> 8) % side;
            const std::uint32_t y = (state >> 20) % side;
            keys.push_back({x, shell, y, static_cast<std::uint8_t>((state >> 4) % 6)});
        }
    }
    // And chunks the surface runs through, around the start view.
    for (const ChunkKey& key : {ChunkKey{7, 12, 8, 1}, ChunkKey{8, 12, 8, 1}, ChunkKey{7, 12, 7, 1},
                                ChunkKey{7, 11, 8, 1}, ChunkKey{7, 13, 8, 1}}) {
        keys.push_back(key);
    }
    return keys;
}

struct Generated {
    std::unique_ptr<Chunk> chunk;
    ColumnDirectionCache cache;
};

// generate or generateReference on a fresh chunk, as the factory calls it.
template <typename Generate>
Generated generated(const ChunkKey& key, Generate generate) {
    Generated g{std::make_unique<Chunk>(key), {}};
    resetForChunk(g.cache, key);
    g.cache.columnOffset = 0.5f;
    generate(*g.chunk, g.cache);
    return g;
}

::testing::AssertionResult sameChunk(const Generated& expected, const Generated& actual) {
    const Chunk& e = *expected.chunk;
    const Chunk& a = *actual.chunk;
    if (e.fillState != a.fillState) {
        return ::testing::AssertionFailure() << "fill state " << fillStateName(e.fillState) << " vs " << fillStateName(a.fillState);
    }
    for (std::uint32_t i = 0; i < 32; ++i) {
        for (std::uint32_t r = 0; r < 32; ++r) {
            for (std::uint32_t j = 0; j < 32; ++j) {
                const Voxel& ve = e.voxel(i, r, j);
                const Voxel& va = a.voxel(i, r, j);
                if (std::bit_cast<std::uint32_t>(ve.density) != std::bit_cast<std::uint32_t>(va.density) ||
                    ve.colour[0] != va.colour[0] || ve.colour[1] != va.colour[1] || ve.colour[2] != va.colour[2]) {
                    return ::testing::AssertionFailure()
                           << "voxel (" << i << ", " << r << ", " << j << "): density " << ve.density << " vs "
                           << va.density << ", colour " << int{ve.colour[0]} << "," << int{ve.colour[1]} << ","
                           << int{ve.colour[2]} << " vs " << int{va.colour[0]} << "," << int{va.colour[1]} << ","
                           << int{va.colour[2]};
                }
            }
        }
    }
    // Left at the innermost layer's grid, with the same columns computed.
    const ColumnDirectionCache& ce = expected.cache;
    const ColumnDirectionCache& ca = actual.cache;
    if (ce.resolutionShift != ca.resolutionShift || ce.columnBaseU != ca.columnBaseU ||
        ce.columnBaseV != ca.columnBaseV || ce.columnStep != ca.columnStep) {
        return ::testing::AssertionFailure() << "cache grid differs";
    }
    for (int i = 0; i < ColumnDirectionCache::memoSize; ++i) {
        for (int j = 0; j < ColumnDirectionCache::memoSize; ++j) {
            if (!(ce.directions[i][j] == ca.directions[i][j])) {
                return ::testing::AssertionFailure() << "cache direction " << i << " " << j << " differs";
            }
        }
    }
    return ::testing::AssertionSuccess();
}

// Returns the reference chunk's fill state.
ChunkFillState expectFastMatchesReference(const TerrainGeneratorEarth& g, const ChunkKey& key) {
    const Generated reference = generated(key, [&](Chunk& c, ColumnDirectionCache& cache) {
        c.fillState = g.generateReference(c.key, c.writableVoxels(), cache);
    });
    const Generated fast = generated(key, [&](Chunk& c, ColumnDirectionCache& cache) { c.fillState = g.generate(c.key, c.writableVoxels(), cache); });
    EXPECT_TRUE(sameChunk(reference, fast)) << "chunk (" << key.x << ", " << key.shell << ", " << key.y << ", face "
                                            << int{key.face} << ")";
    return reference.chunk->fillState;
}

using EarthFastPath = test::OnEachSimdTarget;

TEST_P(EarthFastPath, MatchesTheReferenceInEveryGeneratedShell) {
    // The one-lane SCALAR target (for CPUs without SSSE3) is slow, above all
    // under the sanitizers: it checks every other chunk, still two per shell.
    const std::size_t stride = GetParam().name == "SCALAR" ? 2 : 1;
    const std::vector<ChunkKey> keys = chunksOfEveryGeneratedShell();
    int mixed = 0;
    for (std::size_t k = 0; k < keys.size(); k += stride) {
        mixed += expectFastMatchesReference(earth(), keys[k]) == ChunkFillState::Mixed;
        if (::testing::Test::HasFailure()) return;
    }
    // The set crosses the surface: some chunks hold both solid and air.
    EXPECT_GE(mixed, 3);
}

// Grids of 1, 2, 4, ... columns per side (shell 0 halves five times), whose
// column counts leave partial vectors on every instruction set.
TEST_P(EarthFastPath, MatchesTheReferenceOnCoarseGrids) {
    for (const ChunkKey& key : {ChunkKey{0, 0, 0, 2}, ChunkKey{0, 1, 0, 5}, ChunkKey{1, 3, 0, 1}}) {
        expectFastMatchesReference(earth(), key);
    }
}

// Settings the Earth does not use but the generator honours: the other
// fractal kinds, other fades and octave counts, no biome points.
TEST_P(EarthFastPath, MatchesTheReferenceWithOtherSettings) {
    std::vector<TerrainGeneratorEarth> variants(5, earth());
    variants[0].reliefNoise.fractalKind = 0;
    variants[0].outcropNoise.interpolation = 1;
    variants[1].reliefNoise.fractalKind = 1;
    variants[1].reliefNoise.octaves = 5;
    variants[1].elevationNoise.interpolation = 0;
    variants[2].reliefNoise.fractalKind = 7;
    variants[2].biomePoints.clear();
    variants[3].biomeWarpNoise.octaves = 3;
    variants[3].surfaceRadius = 10000.0f;  // all solid
    variants[4].surfaceRadius = 0.0f;      // all air
    variants[4].outcropNoise.seed = -99;
    for (const TerrainGeneratorEarth& g : variants) {
        expectFastMatchesReference(g, {7, 12, 8, 5});
        expectFastMatchesReference(g, {3, 10, 11, 4});
    }
}

// The kernels one by one, on the columns of a chunk.
TEST_P(EarthFastPath, KernelsMatchDensityAtAndBiomeAt) {
    ColumnDirectionCache cache;
    resetForChunk(cache, {5, 12, 9, 3});
    cache.columnOffset = 0.5f;
    std::vector<float> x, y, z;
    for (std::uint32_t i = 0; i < 32; ++i) {
        for (std::uint32_t j = 0; j < 32; j += 3) {
            const Vec4& d = columnDirection(cache, i, j);
            x.push_back(d.x);
            y.push_back(d.y);
            z.push_back(d.z);
        }
    }
    std::vector<std::int32_t> biomes(x.size(), -1);
    earthBiomes(earth(), x.data(), y.data(), z.data(), biomes.data(), x.size());
    std::vector<float> densities(x.size());
    for (float rho : {384.5f, 399.5f, 415.5f}) {
        earthDensities(earth(), x.data(), y.data(), z.data(), rho, densities.data(), x.size());
        for (std::size_t k = 0; k < x.size(); ++k) {
            const Vec4 d{x[k], y[k], z[k], 0.0f};
            ASSERT_EQ(std::bit_cast<std::uint32_t>(densities[k]),
                      std::bit_cast<std::uint32_t>(earth().densityAt(d * rho, rho)))
                << "column " << k << " rho " << rho;
        }
    }
    for (std::size_t k = 0; k < x.size(); ++k) ASSERT_EQ(biomes[k], earth().biomeAt({x[k], y[k], z[k], 0.0f})) << k;
}

// The colour kernel over a sweep of densities through every blend band and
// its edges, for every biome (and numbers outside 0..3, which colour as 0).
TEST_P(EarthFastPath, ColourKernelMatchesVoxelColour) {
    const TerrainGeneratorEarth& g = earth();
    std::vector<float> densities = {0.0f, -0.0f, 1.0f, 1e9f, -5.0f, -10.0f, -1e9f, -4.9999995f, -5.0000005f,
                                    -9.999999f, -10.000001f, -1e-30f};
    for (int k = -3000; k <= 500; ++k) densities.push_back(static_cast<float>(k) * 0.0077f);
    for (std::int32_t biome : {0, 1, 2, 3, 7, -1}) {
        const ColourBytes& s = (biome >= 0 && biome < 4) ? g.surfaceColours[biome] : g.surfaceColours[0];
        const PackedColour surfaceColour = PackedColour{s[0]} | PackedColour{s[1]} << 8 | PackedColour{s[2]} << 16;
        const std::vector<PackedColour> surface(densities.size(), surfaceColour);
        std::vector<PackedColour> colours(densities.size());
        earthColours(g, densities.data(), surface.data(), colours.data(), densities.size());
        for (std::size_t k = 0; k < densities.size(); ++k) {
            const ColourBytes expected = g.voxelColour(densities[k], biome);
            const PackedColour packed =
                PackedColour{expected[0]} | PackedColour{expected[1]} << 8 | PackedColour{expected[2]} << 16;
            ASSERT_EQ(colours[k], packed) << "density " << densities[k] << " biome " << biome;
        }
    }
}

GRAVELKIN_ON_EACH_SIMD_TARGET(EarthFastPath);

}  // namespace
}  // namespace gravelkin
