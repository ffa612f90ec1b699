#include <gtest/gtest.h>

#include <bit>
#include <functional>
#include <memory>
#include <thread>

#include "factory/chunk.h"
#include "factory/chunk_factory.h"
#include "geometry/level_table.h"
#include "render/device/null_graphics_device.h"
#include "factory/voxel/fill_state.h"
#include "terrain/terrain_generator_base.h"

namespace gravelkin {
namespace {

// Writes densities chosen by the test into every used voxel, in the
// generator's order (outer layer first), and counts its calls.
class ScriptedGenerator : public TerrainGeneratorBase {
public:
    using DensityFn = std::function<float(std::uint32_t i, std::uint32_t z, std::uint32_t j)>;

    explicit ScriptedGenerator(DensityFn density) : density_(std::move(density)) {}

    void generate(Chunk& chunk, ColumnDirectionCache& cache) const override {
        ++calls;
        offsetSeen = cache.columnOffset;
        shiftSeen = cache.resolutionShift;
        baseUSeen = cache.columnBaseU;
        const std::uint32_t inner = 32 * chunk.key.shell;
        for (int z = 31; z >= 0; --z) {
            const std::uint32_t layer = static_cast<std::uint32_t>(z);
            const std::uint32_t n = columnsPerChunk(inner + layer);
            for (std::uint32_t i = 0; i < n; ++i) {
                for (std::uint32_t j = 0; j < n; ++j) {
                    const float density = density_(i, layer, j);
                    chunk.voxel(i, layer, j) = Voxel{density, {1, 2, 3}};
                    chunk.fillState = nextFillState(chunk.fillState, density);
                }
            }
        }
    }

    mutable int calls = 0;
    mutable float offsetSeen = -1.0f;
    mutable std::uint32_t shiftSeen = 99;
    mutable std::uint32_t baseUSeen = 0;

private:
    DensityFn density_;
};

ScriptedGenerator constantGenerator(float density) {
    return ScriptedGenerator([density](std::uint32_t, std::uint32_t, std::uint32_t) { return density; });
}

// A generator with the planet's band: shells 0..8 solid fill, 17 and up air.
void setBand(TerrainGeneratorBase& generator) {
    generator.solidBelowRadius = 294;
    generator.emptyAboveRadius = 538;
    generator.solidFillVoxel = Voxel{-3.25f, {10, 20, 30}};
}

bool sameBits(const Voxel& a, const Voxel& b) {
    return std::bit_cast<std::uint32_t>(a.density) == std::bit_cast<std::uint32_t>(b.density) &&
           a.colour[0] == b.colour[0] && a.colour[1] == b.colour[1] && a.colour[2] == b.colour[2];
}

const Voxel constructionVoxel{0.0f, {127, 127, 127}};

TEST(Chunk, ConstructionValues) {
    const ChunkKey key{7, 12, 8, 5};
    const auto chunk = std::make_unique<Chunk>(key);
    EXPECT_EQ(chunk->key, key);
    EXPECT_EQ(chunk->centre, chunkCentre(key));
    EXPECT_EQ(chunk->fillState, ChunkFillState::Unknown);
    EXPECT_TRUE(chunk->meshPending.load());
    EXPECT_EQ(chunk->vertexBuffer, nullptr);
    EXPECT_EQ(chunk->vertexCount.load(), 0u);
    EXPECT_EQ(chunk->fineNeighbours, nullptr);
    for (Chunk* neighbour : chunk->neighbours) EXPECT_EQ(neighbour, nullptr);
    for (const Voxel& v : chunk->voxels) ASSERT_TRUE(sameBits(v, constructionVoxel));
}

TEST(Chunk, LevelStepInShell) {
    const auto stepIn = [](std::uint32_t shell) {
        return std::make_unique<Chunk>(ChunkKey{0, shell, 0, 0})->levelStepInShell;
    };
    // Levels rise at radii 1, 2, 5, 10, 20, 40, 81, 162, 325, 651, ...
    EXPECT_TRUE(stepIn(0));
    EXPECT_TRUE(stepIn(1));    // 40
    EXPECT_FALSE(stepIn(9));   // 288..319
    EXPECT_TRUE(stepIn(10));   // 325
    EXPECT_FALSE(stepIn(12));
    EXPECT_FALSE(stepIn(13));
    EXPECT_TRUE(stepIn(20));   // 651
}

TEST(Chunk, VoxelLayout) {
    EXPECT_EQ(Chunk::voxelIndex(0, 0, 0), 0);
    EXPECT_EQ(Chunk::voxelIndex(0, 0, 1), 1);
    EXPECT_EQ(Chunk::voxelIndex(0, 1, 0), 32);
    EXPECT_EQ(Chunk::voxelIndex(1, 0, 0), 1024);
    EXPECT_EQ(Chunk::voxelIndex(31, 31, 31), 32767);
}

TEST(ChunkBuild, AirShortcutWritesEveryVoxel) {
    ScriptedGenerator generator = constantGenerator(-1.0f);
    setBand(generator);
    ChunkFactory factory;
    const auto chunk = factory.buildChunk({3, 17, 5, 4}, generator);  // inner 544 > 538
    EXPECT_EQ(generator.calls, 0);
    EXPECT_EQ(chunk->fillState, ChunkFillState::AllAir);
    EXPECT_FALSE(chunk->meshPending.load());
    EXPECT_EQ(chunk->vertexBuffer, nullptr);
    EXPECT_EQ(chunk->vertexCount.load(), 0u);
    const Voxel air{1.0f, {127, 127, 127}};
    for (const Voxel& v : chunk->voxels) ASSERT_TRUE(sameBits(v, air));
    EXPECT_EQ(factory.cache.columnOffset, 0.5f);
    EXPECT_EQ(factory.cache.face, 4);
}

TEST(ChunkBuild, AirShortcutComparesStrictly) {
    ScriptedGenerator generator = constantGenerator(2.0f);
    setBand(generator);
    ChunkFactory factory;
    factory.buildChunk({0, 16, 0, 0}, generator);  // inner 512 <= 538
    EXPECT_EQ(generator.calls, 1);
    generator.emptyAboveRadius = 544;
    factory.buildChunk({0, 17, 0, 0}, generator);  // inner 544, not above 544
    EXPECT_EQ(generator.calls, 2);
}

TEST(ChunkBuild, SolidShortcutWritesEveryVoxel) {
    ScriptedGenerator generator = constantGenerator(1.0f);
    setBand(generator);
    ChunkFactory factory;
    for (std::uint32_t shell : {0u, 8u}) {  // outer radius 287 < 294
        const auto chunk = factory.buildChunk({0, shell, 0, 2}, generator);
        EXPECT_EQ(chunk->fillState, ChunkFillState::AllSolid);
        EXPECT_TRUE(chunk->meshPending.load());
        for (const Voxel& v : chunk->voxels) ASSERT_TRUE(sameBits(v, generator.solidFillVoxel));
    }
    EXPECT_EQ(generator.calls, 0);
}

TEST(ChunkBuild, SolidShortcutComparesStrictly) {
    ScriptedGenerator generator = constantGenerator(-2.0f);
    setBand(generator);
    ChunkFactory factory;
    factory.buildChunk({0, 9, 0, 0}, generator);  // outer radius 319
    EXPECT_EQ(generator.calls, 1);
    generator.solidBelowRadius = 287;
    factory.buildChunk({0, 8, 0, 0}, generator);  // outer 287, not below 287
    EXPECT_EQ(generator.calls, 2);
}

TEST(ChunkBuild, GeneratorGetsAFreshCacheInCentreMode) {
    ScriptedGenerator generator = constantGenerator(-2.0f);
    ChunkFactory factory;
    factory.cache.columnOffset = 0.0f;
    factory.cache.resolutionShift = 3;
    factory.buildChunk({5, 12, 9, 1}, generator);
    EXPECT_EQ(generator.offsetSeen, 0.5f);
    EXPECT_EQ(generator.shiftSeen, 0u);
    EXPECT_EQ(generator.baseUSeen, 32u * 5u);
}

TEST(ChunkBuild, FillStateAllAir) {
    ScriptedGenerator generator = constantGenerator(0.25f);
    const auto chunk = ChunkFactory().buildChunk({1, 12, 1, 0}, generator);
    EXPECT_EQ(generator.calls, 1);
    EXPECT_EQ(chunk->fillState, ChunkFillState::AllAir);
    EXPECT_FALSE(chunk->meshPending.load());
}

TEST(ChunkBuild, ZeroDensityCountsAsAir) {
    ScriptedGenerator generator = constantGenerator(0.0f);
    const auto chunk = ChunkFactory().buildChunk({1, 12, 1, 0}, generator);
    EXPECT_EQ(chunk->fillState, ChunkFillState::AllAir);
    EXPECT_FALSE(chunk->meshPending.load());
}

TEST(ChunkBuild, FillStateAllSolid) {
    ScriptedGenerator generator = constantGenerator(-0.25f);
    const auto chunk = ChunkFactory().buildChunk({1, 12, 1, 0}, generator);
    EXPECT_EQ(chunk->fillState, ChunkFillState::AllSolid);
    EXPECT_TRUE(chunk->meshPending.load());
}

TEST(ChunkBuild, OneSampleOfTheOtherSignMakesMixed) {
    struct Where {
        std::uint32_t i, z, j;
    };
    // The first sample written, one in the middle and the last.
    for (const Where& w : {Where{0, 31, 0}, Where{17, 12, 3}, Where{31, 0, 31}}) {
        for (float base : {1.0f, -1.0f}) {
            ScriptedGenerator generator([w, base](std::uint32_t i, std::uint32_t z, std::uint32_t j) {
                return (i == w.i && z == w.z && j == w.j) ? -base : base;
            });
            const auto chunk = ChunkFactory().buildChunk({2, 13, 2, 3}, generator);
            EXPECT_EQ(chunk->fillState, ChunkFillState::Mixed) << w.i << " " << w.z << " " << w.j << " base " << base;
            EXPECT_TRUE(chunk->meshPending.load());
        }
    }
}

TEST(FillState, Transitions) {
    EXPECT_EQ(nextFillState(ChunkFillState::Unknown, 0.0f), ChunkFillState::AllAir);
    EXPECT_EQ(nextFillState(ChunkFillState::Unknown, -0.0f), ChunkFillState::AllAir);
    EXPECT_EQ(nextFillState(ChunkFillState::Unknown, -1e-30f), ChunkFillState::AllSolid);
    EXPECT_EQ(nextFillState(ChunkFillState::AllAir, 5.0f), ChunkFillState::AllAir);
    EXPECT_EQ(nextFillState(ChunkFillState::AllAir, -5.0f), ChunkFillState::Mixed);
    EXPECT_EQ(nextFillState(ChunkFillState::AllSolid, -5.0f), ChunkFillState::AllSolid);
    EXPECT_EQ(nextFillState(ChunkFillState::AllSolid, 0.0f), ChunkFillState::Mixed);
    EXPECT_EQ(nextFillState(ChunkFillState::Mixed, 1.0f), ChunkFillState::Mixed);
    EXPECT_EQ(nextFillState(ChunkFillState::Mixed, -1.0f), ChunkFillState::Mixed);
}

TEST(ChunkBuild, UnusedColumnsOfInnerLayersKeepConstructionValues) {
    // Shell 10 steps a level at radius 325: radii 320..324 use 16 columns.
    ScriptedGenerator generator = constantGenerator(-7.0f);
    const auto chunk = ChunkFactory().buildChunk({9, 10, 4, 0}, generator);
    EXPECT_TRUE(chunk->levelStepInShell);
    const Voxel written{-7.0f, {1, 2, 3}};
    for (std::uint32_t z = 0; z < 32; ++z) {
        const std::uint32_t n = z < 5 ? 16u : 32u;
        for (std::uint32_t i = 0; i < 32; ++i) {
            for (std::uint32_t j = 0; j < 32; ++j) {
                const bool used = i < n && j < n;
                ASSERT_TRUE(sameBits(chunk->voxel(i, z, j), used ? written : constructionVoxel))
                    << i << " " << z << " " << j;
            }
        }
    }
}

// A buffer that only counts its releases.
class CountingBuffer final : public VertexBuffer {
public:
    void release() override { ++releases; }
    int releases = 0;
};

TEST(ChunkDestruction, NeverMeshedReleasesNothing) {
    NullGraphicsDevice device;
    { const auto chunk = std::make_unique<Chunk>(ChunkKey{0, 12, 0, 0}); }
    EXPECT_EQ(device.createdBuffers(), 0);
    EXPECT_EQ(device.liveBuffers(), 0);
}

TEST(ChunkDestruction, ReleasesItsBufferExactlyOnce) {
    CountingBuffer buffer;
    {
        auto chunk = std::make_unique<Chunk>(ChunkKey{1, 12, 1, 1});
        chunk->vertexBuffer = &buffer;
    }
    EXPECT_EQ(buffer.releases, 1);
}

TEST(ChunkDestruction, LastSharedOwnerReleasesTheDeviceBuffer) {
    NullGraphicsDevice device;
    const ChunkVertex vertices[3] = {};
    std::shared_ptr<Chunk> chunk = std::make_shared<Chunk>(ChunkKey{2, 12, 2, 2});
    chunk->vertexBuffer = device.createVertexBuffer(vertices, 3);
    chunk->vertexCount.store(3, std::memory_order_release);
    ASSERT_EQ(device.liveBuffers(), 1);

    // The last owner is dropped on another thread.
    std::shared_ptr<Chunk> other = chunk;
    chunk.reset();
    EXPECT_EQ(device.liveBuffers(), 1);
    std::thread([owner = std::move(other)]() mutable { owner.reset(); }).join();
    EXPECT_EQ(device.liveBuffers(), 0);
    EXPECT_EQ(device.createdBuffers(), 1);
}

}  // namespace
}  // namespace gravelkin
