// The Earth generator on voxel arrays: colours, the columns it writes, fill
// state, bits kept on every thread, and its fast path against the scalar
// reference on every SIMD instruction set this CPU can run.
#include "terrain/earth/terrain_generator_earth.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstring>
#include <algorithm>
#include <set>
#include <thread>
#include <vector>

#include "geometry/column_direction_cache.h"
#include "geometry/level_table.h"
#include "tests/support/simd_target_params.h"
#include "terrain/earth/classic_random.h"
#include "terrain/earth/earth_columns.h"
#include "tests/support/comparisons.h"
#include "tests/support/fnv_hash.h"

namespace gravelkin::test {
namespace {

using test::sameBits;

// Building the generator scatters its biome points; do it once.
const TerrainGeneratorEarth& earth() {
    static const TerrainGeneratorEarth generator;
    return generator;
}

// What a chunk's voxels hold before generation; generate leaves it in the
// columns a coarser layer does not use.
constexpr Voxel untouched{0.0f, {127, 127, 127}};

// One chunk generated as the chunk factory does it: a fresh cache in centre
// mode, every voxel `untouched` beforehand.
struct GeneratedChunk {
    std::vector<Voxel> voxels = std::vector<Voxel>(voxelsPerBlock, untouched);
    ColumnDirectionCache cache{};  // zeroed: comparisons read entries generate never computes
    ChunkFillState fill = ChunkFillState::Unknown;
    const Voxel& at(std::uint32_t i, std::uint32_t r, std::uint32_t j) const { return voxels[voxelIndex(i, r, j)]; }
};

// g.generate, or g.generateReference where `reference`.
GeneratedChunk generateChunk(const TerrainGeneratorEarth& g, const ChunkKey& key, bool reference = false) {
    GeneratedChunk out;
    resetForChunk(out.cache, key);
    out.cache.columnOffset = 0.5f;
    out.fill = reference ? g.generateReference(key, out.voxels.data(), out.cache)
                         : g.generate(key, out.voxels.data(), out.cache);
    return out;
}

// The same fill state, voxels (density bits, colours, untouched columns) and
// cache: left at the innermost layer's grid, with the same columns computed.
::testing::AssertionResult sameChunk(const GeneratedChunk& e, const GeneratedChunk& a) {
    if (e.fill != a.fill) return ::testing::AssertionFailure() << "fill state " << fillStateName(a.fill);
    for (int k = 0; k < voxelsPerBlock; ++k) {
        if (!sameBits(e.voxels[k], a.voxels[k])) {
            return ::testing::AssertionFailure() << "voxel " << k << ": " << e.voxels[k].density << " vs "
                                                 << a.voxels[k].density;
        }
    }
    if (e.cache.resolutionShift != a.cache.resolutionShift || e.cache.columnBaseU != a.cache.columnBaseU ||
        e.cache.columnBaseV != a.cache.columnBaseV || e.cache.columnStep != a.cache.columnStep ||
        std::memcmp(e.cache.directions, a.cache.directions, sizeof e.cache.directions) != 0) {
        return ::testing::AssertionFailure() << "cache differs";
    }
    return ::testing::AssertionSuccess();
}

// Band edges; zero is air: stone. Other biome numbers are checked through the
// colour kernel.
TEST(EarthVoxelColourTest, BandEdges) {
    const struct { float density; std::int32_t biome; ColourBytes colour; } cases[] = {
        {0.0f, 0, {120, 120, 120}},   {-0.001f, 3, {225, 241, 254}}, {-1.0f, 0, {126, 157, 58}},
        {-2.5f, 1, {150, 120, 80}},   {-5.0f, 2, {97, 75, 66}},      {-7.5f, 0, {108, 97, 93}},
        {-10.0f, 3, {120, 120, 120}}, {-1e9f, 1, {120, 120, 120}},
    };
    for (const auto& c : cases) EXPECT_EQ(earth().voxelColour(c.density, c.biome), c.colour) << c.density;
}

// The fill state and hashes of every voxel's density and colour bits of five
// chunks (settings, tables, noise, biome layout, layer walk), kept apart so
// that a failure says which chunk and which value moved.
constexpr ChunkKey printedChunks[] = {{7, 12, 8, 5}, {3, 10, 11, 4}, {0, 0, 0, 2}, {9, 13, 4, 1}, {15, 16, 2, 0}};
struct ChunkPrint {
    ChunkFillState fill;
    std::uint64_t densities, colours;
    bool operator==(const ChunkPrint&) const = default;
};
using PlanetPrint = std::array<ChunkPrint, 5>;

PlanetPrint planetPrint(const TerrainGeneratorEarth& g, bool reference) {
    PlanetPrint print;
    for (std::size_t c = 0; c < print.size(); ++c) {
        const GeneratedChunk chunk = generateChunk(g, printedChunks[c], reference);
        test::FnvHash densities, colours;
        for (const Voxel& v : chunk.voxels) {
            densities.mix(v.density);
            colours.mix(std::uint32_t{v.colour[0]} | std::uint32_t{v.colour[1]} << 8 | std::uint32_t{v.colour[2]} << 16);
        }
        print[c] = {chunk.fill, densities.value(), colours.value()};
    }
    return print;
}

void expectSamePrint(const PlanetPrint& actual, const PlanetPrint& expected, const char* what) {
    for (std::size_t c = 0; c < expected.size(); ++c) {
        const ChunkKey& k = printedChunks[c];
        SCOPED_TRACE(::testing::Message() << what << ", chunk (" << k.x << ", " << k.shell << ", " << k.y << ", face "
                                          << int{k.face} << ")");
        EXPECT_EQ(actual[c].fill, expected[c].fill) << "fill state moved";
        EXPECT_EQ(actual[c].densities, expected[c].densities) << "densities moved";
        EXPECT_EQ(actual[c].colours, expected[c].colours) << "colours moved";
    }
}

const PlanetPrint defaultPlanet = {{
    {ChunkFillState::Mixed, 0xf5090e4922714b71ull, 0xa1b69d31a9111e88ull},
    {ChunkFillState::AllSolid, 0x6611ca791270f6ddull, 0x06aaffe2da89fb25ull},
    {ChunkFillState::AllSolid, 0x4ee1bde5fdac4625ull, 0xd5ba6bb178e9f5d4ull},
    {ChunkFillState::Mixed, 0xff2336c4eef72d75ull, 0xe359f3f35fa53f31ull},
    {ChunkFillState::AllAir, 0x1a164fe51e867298ull, 0xfa17e8f640022325ull},
}};

// A change anywhere in the terrain's output shows here; the default seed,
// named or not, is the same planet.
TEST(EarthGeneratorTest, VoxelsKeepTheirBits) {
    for (bool reference : {true, false}) {
        expectSamePrint(planetPrint(earth(), reference), defaultPlanet, reference ? "generateReference" : "generate");
    }
    expectSamePrint(planetPrint(TerrainGeneratorEarth(defaultTerrainSeed), false), defaultPlanet,
                    "the default seed named");
    EXPECT_EQ(biomeScatterState(defaultTerrainSeed), ClassicRandom().state());
}

// Other seeds: every noise layer and the biome scatter take the seed, and the
// planet differs from the default and between seeds while staying a planet:
// chunks of every fill state, every biome on the ground, fast path = reference.
TEST(EarthGeneratorTest, OtherSeedsGiveOtherValidPlanets) {
    std::vector<PlanetPrint> planets{defaultPlanet};
    for (std::int32_t seed : {7, -20240611}) {
        SCOPED_TRACE(seed);
        const TerrainGeneratorEarth g(seed);
        for (const NoiseLayer* layer : {&g.reliefNoise, &g.elevationNoise, &g.reliefMaskNoise, &g.outcropNoise,
                                        &g.biomeWarpNoise}) {
            EXPECT_EQ(layer->seed, seed);
        }
        const PlanetPrint print = planetPrint(g, false);
        expectSamePrint(planetPrint(g, true), print, "generateReference against generate");
        EXPECT_EQ(std::count(planets.begin(), planets.end(), print), 0);
        planets.push_back(print);
        EXPECT_FALSE(g.biomePoints[0].direction.x == earth().biomePoints[0].direction.x);

        std::set<ChunkFillState> fills;
        for (std::uint32_t shell : {9u, 12u, 16u}) {
            for (std::uint8_t face = 0; face < 6; ++face) fills.insert(generateChunk(g, {0, shell, 0, face}).fill);
        }
        EXPECT_EQ(fills, (std::set{ChunkFillState::Mixed, ChunkFillState::AllAir, ChunkFillState::AllSolid}));

        std::set<std::int32_t> biomes;
        for (int k = 0; k < 2000; ++k) {  // a Fibonacci spiral over the sphere
            const float y = 1.0f - (static_cast<float>(k) + 0.5f) / 1000.0f;
            const float r = std::sqrt(1.0f - y * y), turn = 2.39996f * static_cast<float>(k);
            biomes.insert(g.biomeAt(Vec4{r * std::cos(turn), y, r * std::sin(turn), 0.0f}));
        }
        EXPECT_EQ(biomes, (std::set<std::int32_t>{0, 1, 2, 3}));
    }
}

// Every layer writes exactly its grid's columns (a level step's inner layers
// and shell 0's halve it) with a finite density and a biome's colour for it,
// the fill state follows the written voxels, and the cache is left at the
// innermost layer's grid.
TEST(EarthGeneratorTest, WritesEachLayersGridAndItsFillState) {
    int mixed = 0;
    for (const ChunkKey& key : {ChunkKey{7, 12, 8, 5}, ChunkKey{0, 12, 0, 0}, ChunkKey{9, 13, 4, 1},
                                ChunkKey{6, 10, 1, 1}, ChunkKey{0, 0, 0, 2}}) {
        SCOPED_TRACE(::testing::Message() << "shell " << key.shell << " face " << int{key.face});
        const GeneratedChunk chunk = generateChunk(earth(), key);
        ChunkFillState fill = ChunkFillState::Unknown;
        for (std::uint32_t r = 32; r-- > 0;) {
            const std::uint32_t n = columnsPerChunk(32 * key.shell + r);
            for (std::uint32_t k = 0; k < 1024; ++k) {
                const std::uint32_t i = k / 32, j = k % 32;
                const Voxel& v = chunk.at(i, r, j);
                const bool inGrid = i < n && j < n;
                bool someBiome = false;
                for (int b = 0; b < 4; ++b) someBiome |= std::to_array(v.colour) == earth().voxelColour(v.density, b);
                ASSERT_TRUE(inGrid ? std::isfinite(v.density) && someBiome : sameBits(v, untouched))
                    << i << " " << r << " " << j;
                if (inGrid) fill = nextFillState(fill, v.density);
            }
        }
        EXPECT_EQ(chunk.fill, fill);
        mixed += fill == ChunkFillState::Mixed;
        const std::uint32_t inner = 32 * key.shell;
        EXPECT_EQ(columnsPerChunk(inner + 31) >> chunk.cache.resolutionShift, columnsPerChunk(inner));
        EXPECT_EQ(chunk.cache.columnBaseU, columnsPerChunk(inner) * key.x);
    }
    EXPECT_GE(mixed, 1);  // the surface at radius 400 runs through shell 12
}

// Every noise layer samples the origin (frequency 0), where gradient noise and
// every simplex octave are 0; with no biome points all is biome 0. What is
// left is the signed distance from the surface, which also sets the fill.
TEST(EarthGeneratorTest, SilencedNoiseLeavesTheSignedDistanceFromTheSurface) {
    TerrainGeneratorEarth g = earth();
    g.reliefNoise.fractalKind = FractalKind::Sum;
    for (NoiseLayer* l : {&g.reliefNoise, &g.reliefMaskNoise, &g.elevationNoise, &g.outcropNoise}) l->frequency = 0;
    g.biomePoints.clear();
    const GeneratedChunk chunk = generateChunk(g, {5, 12, 9, 3});
    for (std::uint32_t k = 0; k < voxelsPerBlock; ++k) {
        const std::uint32_t i = k % 32, r = k / 32 % 32, j = k / 1024;
        const Voxel& v = chunk.at(i, r, j);
        const float expected = (static_cast<float>(384 + r) + 0.5f) - 400.0f;
        ASSERT_TRUE(v.density == expected && std::to_array(v.colour) == g.voxelColour(v.density, 0))
            << i << " " << r << " " << j;
    }
    // Radius 399 (rho 399.5) is solid, grass blending to subsoil.
    EXPECT_EQ(std::to_array(chunk.at(0, 15, 0).colour), (ColourBytes{130, 167, 57}));
    EXPECT_EQ(chunk.fill, ChunkFillState::Mixed);
    g.surfaceRadius = 10000.0f;
    EXPECT_EQ(generateChunk(g, {4, 13, 4, 2}).fill, ChunkFillState::AllSolid);
    g.surfaceRadius = 0.0f;
    EXPECT_EQ(generateChunk(g, {4, 13, 4, 2}).fill, ChunkFillState::AllAir);
}

// Each thread walks the keys from a different start.
TEST(EarthGeneratorTest, ThreadsGenerateIdenticalVoxels) {
    const ChunkKey keys[] = {{7, 12, 8, 5}, {11, 13, 2, 3}, {3, 10, 11, 4}};
    std::vector<GeneratedChunk> results[4];
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&, t] {
            for (int k = 0; k < 3; ++k) results[t].push_back(generateChunk(earth(), keys[(k + t) % 3]));
        });
    }
    for (std::thread& thread : threads) thread.join();
    for (int k = 0; k < 3; ++k) {
        const GeneratedChunk expected = generateChunk(earth(), keys[k]);
        for (int t = 0; t < 4; ++t) EXPECT_TRUE(sameChunk(expected, results[t][(k - t + 12) % 3])) << "thread " << t;
    }
}

// Returns the reference chunk's fill state.
ChunkFillState expectFastMatchesReference(const TerrainGeneratorEarth& g, const ChunkKey& key) {
    const GeneratedChunk reference = generateChunk(g, key, true);
    EXPECT_TRUE(sameChunk(reference, generateChunk(g, key)))
        << "chunk (" << key.x << ", " << key.shell << ", " << key.y << ", face " << int{key.face} << ")";
    return reference.fill;
}

using EarthFastPathTest = OnEachSimdTarget;

// Chunks the surface runs through around the start view; four a shell from 9
// to 16 (the shells the factory generates): the two grid corners, which touch
// face edges, and two spread over the faces; and grids of 1, 2, 4, ... columns
// a side (shell 0 halves five times), leaving partial vectors everywhere.
TEST_P(EarthFastPathTest, MatchesTheReferenceInEveryGeneratedShellAndOnCoarseGrids) {
    std::vector<ChunkKey> keys = {{7, 12, 8, 1}, {8, 12, 8, 1}, {7, 12, 7, 1}, {7, 11, 8, 1}, {7, 13, 8, 1}};
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
    // The one-lane SCALAR target (for CPUs without SSSE3) is slow, above all
    // under the sanitizers: it checks every other chunk, still two per shell.
    const std::size_t stride = GetParam().name == "SCALAR" ? 2 : 1;
    int mixed = 0;
    for (std::size_t k = 0; k < keys.size() && !HasFailure(); k += stride) {
        mixed += expectFastMatchesReference(earth(), keys[k]) == ChunkFillState::Mixed;
    }
    EXPECT_GE(mixed, 3);  // the set crosses the surface
    for (const ChunkKey& key : {ChunkKey{0, 0, 0, 2}, ChunkKey{0, 1, 0, 5}, ChunkKey{1, 3, 0, 1}}) {
        expectFastMatchesReference(earth(), key);
    }
}

// Settings the Earth does not use but the generator honours: the other
// fractal kinds, other fades and octave counts, no biome points, all solid
// and all air.
TEST_P(EarthFastPathTest, MatchesTheReferenceWithOtherSettings) {
    std::vector<TerrainGeneratorEarth> variants(5, earth());
    variants[0].reliefNoise.fractalKind = FractalKind::Sum;
    variants[0].outcropNoise.interpolation = Interpolation::Hermite;
    variants[1].reliefNoise.fractalKind = FractalKind::Billow;
    variants[1].reliefNoise.octaves = 5;
    variants[1].elevationNoise.interpolation = Interpolation::Linear;
    variants[2].biomePoints.clear();
    variants[3].biomeWarpNoise.octaves = 3;
    variants[3].surfaceRadius = 10000.0f;
    variants[4].surfaceRadius = 0.0f;
    variants[4].outcropNoise.seed = -99;
    for (const TerrainGeneratorEarth& g : variants) {
        expectFastMatchesReference(g, {7, 12, 8, 5});
        expectFastMatchesReference(g, {3, 10, 11, 4});
    }
}

// The colour kernel over a sweep of densities through every blend band and
// its edges, for every biome; numbers outside 0..3 colour as 0.
TEST_P(EarthFastPathTest, ColourKernelMatchesVoxelColour) {
    const TerrainGeneratorEarth& g = earth();
    const auto packed = [](const ColourBytes& c) {
        return PackedColour{c[0]} | PackedColour{c[1]} << 8 | PackedColour{c[2]} << 16;
    };
    std::vector<float> densities = {0.0f,       -0.0f,      1.0f,        1e9f,   -5.0f, -10.0f, -1e9f, -4.9999995f,
                                    -5.0000005f, -9.999999f, -10.000001f, -1e-30f};
    for (int k = -3000; k <= 500; ++k) densities.push_back(static_cast<float>(k) * 0.0077f);
    for (std::int32_t biome : {0, 1, 2, 3, 7, -1}) {
        const ColourBytes& s = g.surfaceColours[biome >= 0 && biome < 4 ? biome : 0];
        const std::vector<PackedColour> surface(densities.size(), packed(s));
        std::vector<PackedColour> colours(densities.size());
        earthColours(g, densities.data(), surface.data(), colours.data(), densities.size());
        for (std::size_t k = 0; k < densities.size(); ++k) {
            ASSERT_EQ(colours[k], packed(g.voxelColour(densities[k], biome)))
                << "density " << densities[k] << " biome " << biome;
        }
    }
}

GRAVELKIN_ON_EACH_SIMD_TARGET(EarthFastPathTest);

}  // namespace
}  // namespace gravelkin::test
