// The Earth generator on voxel arrays: its colours, which voxels it writes,
// the fill state, and that its voxels stay bit for bit the same, on every
// thread.
#include "terrain/terrain_generator_earth.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <thread>
#include <vector>

#include "generated_chunk.h"
#include "geometry/level_table.h"
#include "tests/support/comparisons.h"

namespace gravelkin {
namespace {

using test::earth;
using test::GeneratedChunk;
using test::generateChunk;
using testing::sameBits;

bool colourIs(const Voxel& v, const ColourBytes& c) {
    return v.colour[0] == c[0] && v.colour[1] == c[1] && v.colour[2] == c[2];
}

TEST(EarthVoxelColour, BandEdgesAndBiomesOutsideTheRange) {
    const TerrainGeneratorEarth& g = earth();
    EXPECT_EQ(g.voxelColour(0.0f, 0), (ColourBytes{120, 120, 120}));  // zero is air: stone
    EXPECT_EQ(g.voxelColour(-0.001f, 3), (ColourBytes{225, 241, 254}));
    EXPECT_EQ(g.voxelColour(-1.0f, 0), (ColourBytes{126, 157, 58}));
    EXPECT_EQ(g.voxelColour(-2.5f, 1), (ColourBytes{150, 120, 80}));
    EXPECT_EQ(g.voxelColour(-5.0f, 2), (ColourBytes{97, 75, 66}));
    EXPECT_EQ(g.voxelColour(-7.5f, 0), (ColourBytes{108, 97, 93}));
    EXPECT_EQ(g.voxelColour(-10.0f, 3), (ColourBytes{120, 120, 120}));
    EXPECT_EQ(g.voxelColour(-1e9f, 1), (ColourBytes{120, 120, 120}));
    for (float density : {-0.5f, -3.0f, -4.99f, -6.0f}) {
        EXPECT_EQ(g.voxelColour(density, 7), g.voxelColour(density, 0));
        EXPECT_EQ(g.voxelColour(density, -1), g.voxelColour(density, 0));
    }
}

// Guards every voxel bit of five chunks (settings, tables, noise, biome
// layout, layer walk): a change anywhere in the terrain's output shows here.
TEST(EarthGenerator, VoxelsKeepTheirBits) {
    const ChunkKey keys[] = {{7, 12, 8, 5}, {3, 10, 11, 4}, {0, 0, 0, 2}, {9, 13, 4, 1}, {15, 16, 2, 0}};
    for (bool reference : {true, false}) {
        std::uint64_t h = 14695981039346656037ull;  // FNV-1a over the words' bytes
        auto mix = [&h](std::uint32_t word) {
            for (int b = 0; b < 4; ++b) h = (h ^ ((word >> (8 * b)) & 255u)) * 1099511628211ull;
        };
        for (const ChunkKey& key : keys) {
            const GeneratedChunk chunk = generateChunk(earth(), key, reference);
            mix(static_cast<std::uint32_t>(chunk.fill));
            for (const Voxel& v : chunk.voxels) {
                mix(std::bit_cast<std::uint32_t>(v.density));
                mix(v.colour[0] | v.colour[1] << 8 | v.colour[2] << 16);
            }
        }
        EXPECT_EQ(h, 0x9177b327db8d7e3eull) << (reference ? "generateReference" : "generate");
    }
}

// Every layer writes exactly its grid's columns (a level step's inner layers
// and shell 0's halve it), the fill state follows the written voxels, and the
// cache is left at the innermost layer's grid.
TEST(EarthGenerator, WritesEachLayersGridAndItsFillState) {
    int mixed = 0;
    for (const ChunkKey& key : {ChunkKey{7, 12, 8, 5}, ChunkKey{0, 12, 0, 0}, ChunkKey{9, 13, 4, 1},
                                ChunkKey{6, 10, 1, 1}, ChunkKey{0, 0, 0, 2}}) {
        SCOPED_TRACE(::testing::Message() << "shell " << key.shell << " face " << int{key.face});
        const GeneratedChunk chunk = generateChunk(earth(), key);
        ChunkFillState fill = ChunkFillState::Unknown;
        for (std::uint32_t r = 32; r-- > 0;) {
            const std::uint32_t n = columnsPerChunk(32 * key.shell + r);
            for (std::uint32_t i = 0; i < 32; ++i) {
                for (std::uint32_t j = 0; j < 32; ++j) {
                    const Voxel& v = chunk.at(i, r, j);
                    if (i >= n || j >= n) {
                        ASSERT_TRUE(sameBits(v, test::untouched)) << i << " " << r << " " << j;
                        continue;
                    }
                    bool someBiome = false;
                    for (std::int32_t b = 0; b < 4; ++b) someBiome |= colourIs(v, earth().voxelColour(v.density, b));
                    ASSERT_TRUE(std::isfinite(v.density) && someBiome) << i << " " << r << " " << j;
                    fill = nextFillState(fill, v.density);
                }
            }
        }
        EXPECT_EQ(chunk.fill, fill);
        mixed += fill == ChunkFillState::Mixed;
        const std::uint32_t inner = 32 * key.shell;
        EXPECT_EQ(columnsPerChunk(inner + 31) >> chunk.cache.resolutionShift, columnsPerChunk(inner));
        EXPECT_EQ(chunk.cache.columnBaseU, columnsPerChunk(inner) * key.x);
    }
    // The surface at radius 400 runs through shell 12.
    EXPECT_GE(mixed, 1);
}

TEST(EarthGenerator, SilencedNoiseLeavesTheSignedDistanceFromTheSurface) {
    // Every noise layer samples the origin (frequency 0), where gradient
    // noise and every simplex octave are 0; no biome points: all biome 0.
    TerrainGeneratorEarth g = earth();
    g.reliefNoise.fractalKind = FractalKind::Sum;
    for (NoiseLayer* layer : {&g.reliefNoise, &g.reliefMaskNoise, &g.elevationNoise, &g.outcropNoise}) {
        layer->frequency = 0.0f;
    }
    g.biomePoints.clear();
    const GeneratedChunk chunk = generateChunk(g, {5, 12, 9, 3});
    for (std::uint32_t r = 0; r < 32; ++r) {
        const float expected = (static_cast<float>(384 + r) + 0.5f) - 400.0f;
        for (std::uint32_t i = 0; i < 32; ++i) {
            for (std::uint32_t j = 0; j < 32; ++j) {
                const Voxel& v = chunk.at(i, r, j);
                ASSERT_EQ(v.density, expected);
                ASSERT_TRUE(colourIs(v, g.voxelColour(v.density, 0))) << i << " " << r << " " << j;
            }
        }
    }
    // Radius 399 (rho 399.5) is solid, grass blending to subsoil; radius 400
    // (rho 400.5) is air.
    EXPECT_EQ(chunk.at(0, 15, 0).density, -0.5f);
    EXPECT_TRUE(colourIs(chunk.at(0, 15, 0), ColourBytes{130, 167, 57}));
    EXPECT_EQ(chunk.at(0, 16, 0).density, 0.5f);
    EXPECT_EQ(chunk.fill, ChunkFillState::Mixed);
}

TEST(EarthGenerator, FillStateFollowsTheSurfaceRadius) {
    TerrainGeneratorEarth g = earth();
    g.surfaceRadius = 10000.0f;
    EXPECT_EQ(generateChunk(g, {4, 13, 4, 2}).fill, ChunkFillState::AllSolid);
    g.surfaceRadius = 0.0f;
    EXPECT_EQ(generateChunk(g, {4, 13, 4, 2}).fill, ChunkFillState::AllAir);
}

TEST(EarthGenerator, ThreadsGenerateIdenticalVoxels) {
    const ChunkKey keys[] = {{7, 12, 8, 5}, {11, 13, 2, 3}, {3, 10, 11, 4}};
    constexpr int threadCount = 4;
    std::vector<GeneratedChunk> results[threadCount];
    std::vector<std::thread> threads;
    for (int t = 0; t < threadCount; ++t) {
        // Each thread walks the keys from a different start.
        threads.emplace_back([&, t] {
            for (int k = 0; k < 3; ++k) results[t].push_back(generateChunk(earth(), keys[(k + t) % 3]));
        });
    }
    for (std::thread& thread : threads) thread.join();
    for (int k = 0; k < 3; ++k) {
        const GeneratedChunk expected = generateChunk(earth(), keys[k]);
        for (int t = 0; t < threadCount; ++t) {
            const GeneratedChunk& mine = results[t][(k - t + 3 * threadCount) % 3];
            EXPECT_EQ(mine.fill, expected.fill);
            for (int v = 0; v < voxelsPerBlock; ++v) {
                ASSERT_TRUE(sameBits(mine.voxels[v], expected.voxels[v])) << "thread " << t << " voxel " << v;
            }
        }
    }
}

}  // namespace
}  // namespace gravelkin
