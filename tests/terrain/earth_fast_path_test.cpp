// The Earth generator's fast path against its scalar reference: identical
// voxels (density bits, colours, untouched columns), fill state and cache
// state, for chunks of every generated shell, on every SIMD instruction set
// this CPU can run.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "generated_chunk.h"
#include "geometry/level_table.h"
#include "simd_target_params.h"
#include "terrain/earth_columns.h"
#include "terrain/terrain_generator_earth.h"
#include "tests/support/comparisons.h"

namespace gravelkin {
namespace {

using test::earth;
using test::GeneratedChunk;
using test::generateChunk;
using testing::sameBits;

// Four chunks per shell from 9 to 16 (the shells the factory generates): the
// two grid corners, which touch face edges, and two spread over the faces;
// and chunks the surface runs through, around the start view.
std::vector<ChunkKey> chunksOfEveryGeneratedShell() {
    std::vector<ChunkKey> keys;
    std::uint32_t state = 77u;
    for (std::uint32_t shell = 9; shell <= 16; ++shell) {
        const auto side = static_cast<std::uint32_t>(chunksPerSide(shell));
        keys.push_back({0, shell, 0, static_cast<std::uint8_t>(shell % 6)});
        keys.push_back({side - 1, shell, side - 1, static_cast<std::uint8_t>((shell + 3) % 6)});
        for (int k = 0; k < 2; ++k) {
            state = state * 1664525u + 1013904223u;
            const auto face = static_cast<std::uint8_t>((state >> 4) % 6);
            keys.push_back({(state >> 8) % side, shell, (state >> 20) % side, face});
        }
    }
    for (const ChunkKey& key : {ChunkKey{7, 12, 8, 1}, ChunkKey{8, 12, 8, 1}, ChunkKey{7, 12, 7, 1},
                                ChunkKey{7, 11, 8, 1}, ChunkKey{7, 13, 8, 1}}) {
        keys.push_back(key);
    }
    return keys;
}

::testing::AssertionResult sameChunk(const GeneratedChunk& e, const GeneratedChunk& a) {
    if (e.fill != a.fill) return ::testing::AssertionFailure() << "fill state " << fillStateName(a.fill);
    for (int k = 0; k < voxelsPerBlock; ++k) {
        if (!sameBits(e.voxels[k], a.voxels[k])) {
            return ::testing::AssertionFailure()
                   << "voxel " << k << ": " << e.voxels[k].density << " vs " << a.voxels[k].density;
        }
    }
    // Left at the innermost layer's grid, with the same columns computed.
    if (e.cache.resolutionShift != a.cache.resolutionShift || e.cache.columnBaseU != a.cache.columnBaseU ||
        e.cache.columnBaseV != a.cache.columnBaseV || e.cache.columnStep != a.cache.columnStep ||
        std::memcmp(e.cache.directions, a.cache.directions, sizeof e.cache.directions) != 0) {
        return ::testing::AssertionFailure() << "cache differs";
    }
    return ::testing::AssertionSuccess();
}

// Returns the reference chunk's fill state.
ChunkFillState expectFastMatchesReference(const TerrainGeneratorEarth& g, const ChunkKey& key) {
    const GeneratedChunk reference = generateChunk(g, key, true);
    EXPECT_TRUE(sameChunk(reference, generateChunk(g, key)))
        << "chunk (" << key.x << ", " << key.shell << ", " << key.y << ", face " << int{key.face} << ")";
    return reference.fill;
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
        if (HasFailure()) return;
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
    variants[0].reliefNoise.fractalKind = FractalKind::Sum;
    variants[0].outcropNoise.interpolation = Interpolation::Hermite;
    variants[1].reliefNoise.fractalKind = FractalKind::Billow;
    variants[1].reliefNoise.octaves = 5;
    variants[1].elevationNoise.interpolation = Interpolation::Linear;
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

PackedColour packed(const ColourBytes& c) {
    return PackedColour{c[0]} | PackedColour{c[1]} << 8 | PackedColour{c[2]} << 16;
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
        const std::vector<PackedColour> surface(densities.size(), packed(s));
        std::vector<PackedColour> colours(densities.size());
        earthColours(g, densities.data(), surface.data(), colours.data(), densities.size());
        for (std::size_t k = 0; k < densities.size(); ++k) {
            ASSERT_EQ(colours[k], packed(g.voxelColour(densities[k], biome)))
                << "density " << densities[k] << " biome " << biome;
        }
    }
}

GRAVELKIN_ON_EACH_SIMD_TARGET(EarthFastPath);

}  // namespace
}  // namespace gravelkin
