#include "terrain/terrain_generator_earth.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <memory>
#include <thread>
#include <vector>

#include "factory/chunk_factory.h"
#include "geometry/face_mapping.h"
#include "geometry/level_table.h"
#include "terrain/biome_scatter.h"
#include "terrain/classic_random.h"

namespace gravelkin {
namespace {

// Building the generator scatters its biome points; do it once.
const TerrainGeneratorEarth& earth() {
    static const TerrainGeneratorEarth generator;
    return generator;
}

// A copy of Earth whose noise terms all vanish: every gradient layer samples
// the lattice origin (frequency 0) and the relief fractal kind is unknown,
// so the density is exactly rho - surfaceRadius.
TerrainGeneratorEarth silencedEarth() {
    TerrainGeneratorEarth generator = earth();
    generator.reliefNoise.fractalKind = 3;
    generator.reliefMaskNoise.frequency = 0.0f;
    generator.elevationNoise.frequency = 0.0f;
    generator.outcropNoise.frequency = 0.0f;
    return generator;
}

std::unique_ptr<Chunk> build(const ChunkKey& key, const TerrainGeneratorBase& generator) {
    auto factory = std::make_unique<ChunkFactory>();
    return factory->buildChunk(key, generator);
}

bool isConstructionVoxel(const Voxel& v) {
    return std::bit_cast<std::uint32_t>(v.density) == 0u && v.colour[0] == 127 && v.colour[1] == 127 &&
           v.colour[2] == 127;
}

bool sameBits(const Voxel& a, const Voxel& b) {
    return std::bit_cast<std::uint32_t>(a.density) == std::bit_cast<std::uint32_t>(b.density) &&
           a.colour[0] == b.colour[0] && a.colour[1] == b.colour[1] && a.colour[2] == b.colour[2];
}

bool colourIs(const Voxel& v, const ColourBytes& c) {
    return v.colour[0] == c[0] && v.colour[1] == c[1] && v.colour[2] == c[2];
}

// Surface chunks around radius 400: shell 12 holds radii 384..415, shell 13
// radii 416..447; both have 16 x 16 chunks per face.
const ChunkKey surfaceKeys[] = {
    {7, 12, 8, 5},
    {0, 12, 0, 0},
    {15, 12, 3, 2},
    {9, 13, 4, 1},
};

TEST(EarthVoxelColour, Examples) {
    const TerrainGeneratorEarth& g = earth();
    EXPECT_EQ(g.voxelColour(0.0f, 0), (ColourBytes{120, 120, 120}));
    EXPECT_EQ(g.voxelColour(3.0f, 2), (ColourBytes{120, 120, 120}));
    EXPECT_EQ(g.voxelColour(-1.0f, 0), (ColourBytes{126, 157, 58}));
    EXPECT_EQ(g.voxelColour(-2.5f, 1), (ColourBytes{150, 120, 80}));
    EXPECT_EQ(g.voxelColour(-5.0f, 2), (ColourBytes{97, 75, 66}));
    EXPECT_EQ(g.voxelColour(-7.5f, 0), (ColourBytes{108, 97, 93}));
    EXPECT_EQ(g.voxelColour(-10.0f, 3), (ColourBytes{120, 120, 120}));
    EXPECT_EQ(g.voxelColour(-25.0f, 1), (ColourBytes{120, 120, 120}));
    EXPECT_EQ(g.voxelColour(-1e9f, 1), (ColourBytes{120, 120, 120}));
    for (float density : {-0.5f, -1.0f, -3.0f, -4.99f, -6.0f}) {
        EXPECT_EQ(g.voxelColour(density, 7), g.voxelColour(density, 0));
        EXPECT_EQ(g.voxelColour(density, -1), g.voxelColour(density, 0));
    }
    // Just below the surface each biome shows its own colour.
    EXPECT_EQ(g.voxelColour(-0.001f, 3), (ColourBytes{225, 241, 254}));
}

TEST(EarthGenerator, Settings) {
    const TerrainGeneratorEarth& g = earth();
    EXPECT_EQ(g.seed, 1337);
    EXPECT_EQ(g.surfaceRadius, 400.0f);
    EXPECT_EQ(g.solidBelowRadius, 294u);
    EXPECT_EQ(g.emptyAboveRadius, 538u);
    EXPECT_EQ(g.solidFillVoxel, (Voxel{-10.0f, {120, 120, 120}}));

    for (const NoiseLayer* layer :
         {&g.reliefNoise, &g.elevationNoise, &g.reliefMaskNoise, &g.outcropNoise, &g.biomeWarpNoise}) {
        EXPECT_EQ(layer->seed, 1337);
        EXPECT_EQ(layer->interpolation, 2u);
        EXPECT_EQ(layer->lacunarity, 2.0f);
    }
    EXPECT_EQ(g.reliefNoise.frequency, 0.008f);
    EXPECT_EQ(g.reliefNoise.gain, 0.4f);
    EXPECT_EQ(g.reliefNoise.fractalKind, 2u);
    EXPECT_EQ(g.reliefNoise.octaves, 3u);
    EXPECT_EQ(g.elevationNoise.frequency, 0.004f);
    EXPECT_EQ(g.reliefMaskNoise.frequency, 0.01f);
    EXPECT_EQ(g.outcropNoise.frequency, 0.02f);
    EXPECT_EQ(g.biomeWarpNoise.frequency, 6.0f);
    EXPECT_EQ(g.biomeWarpNoise.octaves, 2u);
    EXPECT_EQ(g.biomeWarpNoise.gain, 0.4f);
    EXPECT_EQ(g.biomeWarpNoise.perturbAmplitude, 0.15f);
}

TEST(EarthGenerator, BiomePointsComeFromTheClassicSequence) {
    ClassicRandom random;
    const std::vector<BiomePoint> expected = scatterBiomePoints(std::ref(random));
    const std::vector<BiomePoint>& points = earth().biomePoints;
    ASSERT_EQ(points.size(), expected.size());
    ASSERT_FALSE(points.empty());
    for (std::size_t k = 0; k < points.size(); ++k) {
        EXPECT_EQ(points[k].direction, expected[k].direction);
        EXPECT_EQ(points[k].biome, static_cast<std::int32_t>(k % 4));
    }
    // A second generator has the very same layout.
    const TerrainGeneratorEarth other;
    ASSERT_EQ(other.biomePoints.size(), points.size());
    for (std::size_t k = 0; k < points.size(); ++k) EXPECT_EQ(other.biomePoints[k].direction, points[k].direction);
}

TEST(EarthGenerator, BiomeWarpPerturbsTwiceWithGrowingFrequency) {
    const TerrainGeneratorEarth& g = earth();
    const Vec4 d = faceDirection(0, 0.3f, 0.7f);
    float x = d.x;
    float y = d.y;
    float z = d.z;
    gradientPerturb(x, y, z, 6.0f, 0.15f);
    gradientPerturb(x, y, z, 6.0f * 2.0f, 0.15f * 0.4f);
    float best = -2.0f;
    std::int32_t biome = 0;
    for (const BiomePoint& p : g.biomePoints) {
        const float dot = (x * p.direction.x + y * p.direction.y) + z * p.direction.z;
        if (dot > best) {
            best = dot;
            biome = p.biome;
        }
    }
    EXPECT_EQ(g.biomeAt(d), biome);
}

// Walks the used voxels in generation order and checks the recorded fill
// state, the colours and the untouched remainder.
void expectConsistentChunk(const TerrainGeneratorEarth& g, const Chunk& chunk) {
    ChunkFillState fill = ChunkFillState::Unknown;
    const std::uint32_t inner = 32 * chunk.key.shell;
    for (int z = 31; z >= 0; --z) {
        const std::uint32_t n = columnsPerChunk(inner + static_cast<std::uint32_t>(z));
        for (std::uint32_t i = 0; i < 32; ++i) {
            for (std::uint32_t j = 0; j < 32; ++j) {
                const Voxel& v = chunk.voxel(i, static_cast<std::uint32_t>(z), j);
                if (i >= n || j >= n) {
                    ASSERT_TRUE(isConstructionVoxel(v)) << i << " " << z << " " << j;
                    continue;
                }
                ASSERT_TRUE(std::isfinite(v.density));
                bool someBiome = false;
                for (std::int32_t b = 0; b < 4; ++b) someBiome = someBiome || colourIs(v, g.voxelColour(v.density, b));
                ASSERT_TRUE(someBiome) << i << " " << z << " " << j;
                const bool air = v.density >= 0.0f;
                if (fill == ChunkFillState::Unknown) {
                    fill = air ? ChunkFillState::AllAir : ChunkFillState::AllSolid;
                } else if ((fill == ChunkFillState::AllAir && !air) || (fill == ChunkFillState::AllSolid && air)) {
                    fill = ChunkFillState::Mixed;
                }
            }
        }
    }
    EXPECT_EQ(chunk.fillState, fill);
    EXPECT_EQ(chunk.meshPending.load(), fill != ChunkFillState::AllAir);
}

TEST(EarthGenerator, SurfaceChunksAreConsistent) {
    int mixed = 0;
    for (const ChunkKey& key : surfaceKeys) {
        SCOPED_TRACE(::testing::Message() << "shell " << key.shell << " face " << int{key.face});
        const auto chunk = build(key, earth());
        expectConsistentChunk(earth(), *chunk);
        EXPECT_FALSE(chunk->levelStepInShell);
        mixed += chunk->fillState == ChunkFillState::Mixed;
    }
    // The surface at radius 400 runs through shell 12.
    EXPECT_GE(mixed, 1);
}

// The density as the terrain defines it, evaluated from the face mapping
// rather than the factory's cache.
float referenceDensity(const TerrainGeneratorEarth& g, const Vec4& d, float rho) {
    const float px = d.x * rho;
    const float py = d.y * rho;
    const float pz = d.z * rho;
    const float relief = fractalRidge(g.reliefNoise, px * 0.008f, py * 0.008f, pz * 0.008f);
    const float mask = std::fabs(gradientNoise3(g.reliefMaskNoise, 1337, px * 0.01f, py * 0.01f, pz * 0.01f));
    float density = (1.0f - mask) * (relief * 32.0f) + (rho - 400.0f);
    density += gradientNoise3(g.elevationNoise, 1337, px * 0.004f, py * 0.004f, pz * 0.004f) * 64.0f;
    if (gradientNoise3(g.outcropNoise, 1337, px * 0.02f, py * 0.02f, pz * 0.02f) > 0.0f) {
        density += (valueNoise3(g.outcropNoise, 1337, px * 0.02f, py * 0.02f, pz * 0.02f) + 1.0f) * -16.0f;
    }
    return density;
}

TEST(EarthGenerator, VoxelsMatchTheFaceMappingAndTheDensityFormula) {
    // Shell 10 has a level step: its five inner layers use a grid of half the
    // resolution, sampled at that grid's own column centres.
    const TerrainGeneratorEarth& g = earth();
    for (const ChunkKey& key : {ChunkKey{3, 10, 11, 4}, ChunkKey{7, 12, 8, 5}}) {
        const auto chunk = build(key, g);
        const std::uint32_t inner = 32 * key.shell;
        for (std::uint32_t z : {0u, 4u, 5u, 15u, 16u, 31u}) {
            const std::uint32_t r = inner + z;
            const std::uint32_t n = columnsPerChunk(r);
            const float step = 1.0f / static_cast<float>(1u << columnLevel(r));
            const float rho = static_cast<float>(r) + 0.5f;
            for (std::uint32_t i = 0; i < n; i += 5) {
                for (std::uint32_t j = 0; j < n; j += 3) {
                    const float u = (static_cast<float>(i + key.x * n) + 0.5f) * step;
                    const float v = (static_cast<float>(j + key.y * n) + 0.5f) * step;
                    const Vec4 d = faceDirection(key.face, u, v);
                    const Voxel& voxel = chunk->voxel(i, z, j);
                    const float density = referenceDensity(g, d, rho);
                    ASSERT_EQ(std::bit_cast<std::uint32_t>(voxel.density), std::bit_cast<std::uint32_t>(density))
                        << "shell " << key.shell << " voxel " << i << " " << z << " " << j;
                    ASSERT_TRUE(colourIs(voxel, g.voxelColour(density, g.biomeAt(d))));
                }
            }
        }
    }
}

TEST(EarthGenerator, SilencedNoiseLeavesTheSignedDistanceFromRadius400) {
    const TerrainGeneratorEarth g = silencedEarth();
    const auto chunk = build({5, 12, 9, 3}, g);
    for (std::uint32_t z = 0; z < 32; ++z) {
        const float expected = (static_cast<float>(384 + z) + 0.5f) - 400.0f;
        for (std::uint32_t i = 0; i < 32; ++i) {
            for (std::uint32_t j = 0; j < 32; ++j) ASSERT_EQ(chunk->voxel(i, z, j).density, expected);
        }
    }
    // Radius 399 (rho 399.5) is solid, radius 400 (rho 400.5) is air.
    EXPECT_EQ(chunk->voxel(0, 15, 0).density, -0.5f);
    EXPECT_EQ(chunk->voxel(0, 16, 0).density, 0.5f);
    EXPECT_EQ(chunk->fillState, ChunkFillState::Mixed);
    EXPECT_TRUE(chunk->meshPending.load());
}

TEST(EarthGenerator, EmptyBiomeListColoursEverythingAsBiomeZero) {
    TerrainGeneratorEarth g = silencedEarth();
    g.biomePoints.clear();
    const auto chunk = build({2, 12, 13, 0}, g);
    for (std::uint32_t z = 0; z < 32; ++z) {
        for (std::uint32_t i = 0; i < 32; ++i) {
            for (std::uint32_t j = 0; j < 32; ++j) {
                const Voxel& v = chunk->voxel(i, z, j);
                ASSERT_TRUE(colourIs(v, g.voxelColour(v.density, 0))) << i << " " << z << " " << j;
            }
        }
    }
    // The layers from radius 390 to 399 blend from grass to subsoil.
    EXPECT_TRUE(colourIs(chunk->voxel(0, 15, 0), ColourBytes{130, 167, 57}));
}

TEST(EarthGenerator, FillStateFollowsTheSurfaceRadius) {
    TerrainGeneratorEarth high = earth();
    high.surfaceRadius = 10000.0f;
    const auto solid = build({4, 13, 4, 2}, high);
    EXPECT_EQ(solid->fillState, ChunkFillState::AllSolid);
    EXPECT_TRUE(solid->meshPending.load());

    TerrainGeneratorEarth low = earth();
    low.surfaceRadius = 0.0f;
    const auto air = build({4, 13, 4, 2}, low);
    EXPECT_EQ(air->fillState, ChunkFillState::AllAir);
    EXPECT_FALSE(air->meshPending.load());
}

TEST(EarthGenerator, InnerLayersOfALevelStepUseHalfTheColumns) {
    ChunkFactory factory;
    const ChunkKey key{6, 10, 1, 1};
    const auto chunk = factory.buildChunk(key, earth());
    EXPECT_TRUE(chunk->levelStepInShell);
    for (std::uint32_t z = 0; z < 32; ++z) {
        const std::uint32_t n = z <= 4 ? 16u : 32u;  // radii 320..324 use 16 columns
        ASSERT_EQ(columnsPerChunk(320 + z), n);
        for (std::uint32_t i = 0; i < 32; ++i) {
            for (std::uint32_t j = 0; j < 32; ++j) {
                const bool used = i < n && j < n;
                ASSERT_EQ(isConstructionVoxel(chunk->voxel(i, z, j)), !used) << i << " " << z << " " << j;
            }
        }
    }
    // Radius 320 lies some 80 units under the surface: stone fill.
    EXPECT_EQ(chunk->fillState, ChunkFillState::AllSolid);
    // The cache is left at the innermost layer's grid.
    EXPECT_EQ(factory.cache.resolutionShift, 1u);
    EXPECT_EQ(factory.cache.columnBaseU, 16u * key.x);
}

TEST(EarthGenerator, ShellZeroHalvesFiveTimes) {
    // Shell 0 never reaches generate through the factory; call it directly.
    ChunkFactory factory;
    const ChunkKey key{0, 0, 0, 2};
    resetForChunk(factory.cache, key);
    factory.cache.columnOffset = 0.5f;
    const auto owned = std::make_unique<Chunk>(key);
    Chunk& chunk = *owned;
    chunk.fillState = earth().generate(chunk.key, chunk.writableVoxels(), factory.cache);
    EXPECT_EQ(factory.cache.resolutionShift, 5u);
    for (std::uint32_t z = 0; z < 32; ++z) {
        const std::uint32_t n = columnsPerChunk(z);
        for (std::uint32_t i = 0; i < 32; ++i) {
            for (std::uint32_t j = 0; j < 32; ++j) {
                const bool used = i < n && j < n;
                ASSERT_EQ(isConstructionVoxel(chunk.voxel(i, z, j)), !used) << i << " " << z << " " << j;
            }
        }
    }
    EXPECT_EQ(chunk.fillState, ChunkFillState::AllSolid);
}

// Builds with a fresh Earth and counts generate calls.
class CountingEarth : public TerrainGeneratorEarth {
public:
    ChunkFillState generate(const ChunkKey& key, Voxel* voxels, ColumnDirectionCache& cache) const override {
        ++calls;
        return TerrainGeneratorEarth::generate(key, voxels, cache);
    }
    mutable int calls = 0;
};

TEST(EarthGenerator, OnlyShellsNineToSixteenAreGenerated) {
    CountingEarth g;
    ChunkFactory factory;
    for (std::uint32_t shell : {0u, 5u, 8u, 17u, 30u}) {
        const auto chunk = factory.buildChunk({0, shell, 0, 0}, g);
        EXPECT_EQ(chunk->fillState, shell <= 8 ? ChunkFillState::AllSolid : ChunkFillState::AllAir) << shell;
    }
    EXPECT_EQ(g.calls, 0);
    factory.buildChunk({0, 9, 0, 0}, g);
    factory.buildChunk({0, 16, 0, 0}, g);
    EXPECT_EQ(g.calls, 2);
}

TEST(EarthGenerator, ThreadsGenerateIdenticalVoxels) {
    const ChunkKey keys[] = {{7, 12, 8, 5}, {11, 13, 2, 3}, {3, 10, 11, 4}};
    std::vector<std::unique_ptr<Chunk>> reference;
    for (const ChunkKey& key : keys) reference.push_back(build(key, earth()));

    constexpr int threadCount = 4;
    std::vector<std::vector<std::unique_ptr<Chunk>>> results(threadCount);
    std::vector<std::thread> threads;
    for (int t = 0; t < threadCount; ++t) {
        threads.emplace_back([&, t] {
            auto factory = std::make_unique<ChunkFactory>();
            // Each thread walks the keys from a different start.
            for (int k = 0; k < 3; ++k) results[t].push_back(factory->buildChunk(keys[(k + t) % 3], earth()));
        });
    }
    for (std::thread& thread : threads) thread.join();

    for (int t = 0; t < threadCount; ++t) {
        for (int k = 0; k < 3; ++k) {
            const Chunk& mine = *results[t][k];
            const Chunk& expected = *reference[(k + t) % 3];
            ASSERT_EQ(mine.key, expected.key);
            EXPECT_EQ(mine.fillState, expected.fillState);
            for (int v = 0; v < Chunk::voxelCount; ++v) {
                ASSERT_TRUE(sameBits(mine.voxels[v], expected.voxels[v])) << "thread " << t << " voxel " << v;
            }
        }
    }
}

}  // namespace
}  // namespace gravelkin
