// The build step: which shells skip the generator, the fill state of what the
// generator writes, the cache it hands the generator, the voxels it leaves
// alone; and a chunk's buffer released once, by its last owner.
#include <cstdint>
#include <memory>
#include <thread>
#include <utility>

#include <gtest/gtest.h>

#include "factory/chunk_factory.h"
#include "render/device/null_graphics_device.h"
#include "tests/factory/scripted_generator.h"
#include "tests/support/comparisons.h"

namespace gravelkin::test {
namespace {

bool everyVoxelIs(const Chunk& chunk, const Voxel& value) {
    for (const Voxel& v : chunk.voxels) {
        if (!testing::sameBits(v, value)) return false;
    }
    return true;
}

TEST(ChunkBuild, ShellsOutsideTheBandSkipTheGeneratorAndCompareStrictly) {
    ScriptedGenerator generator(-1.0f);
    ChunkFactory factory;
    const auto air = factory.buildChunk({3, 17, 5, 4}, generator);  // inner 544 > 538
    EXPECT_EQ(air->fillState, ChunkFillState::AllAir);
    EXPECT_FALSE(air->meshPending.load());  // nothing to draw in air
    EXPECT_TRUE(everyVoxelIs(*air, airVoxel));
    for (std::uint32_t shell : {0u, 8u}) {  // outer radius 287 < 294
        const auto solid = factory.buildChunk({0, shell, 0, 2}, generator);
        EXPECT_EQ(solid->fillState, ChunkFillState::AllSolid);
        EXPECT_TRUE(solid->meshPending.load());
        EXPECT_TRUE(everyVoxelIs(*solid, generator.solidFillVoxel));
    }
    EXPECT_EQ(generator.calls, 0);

    factory.buildChunk({0, 16, 0, 0}, generator);  // inner 512 <= 538
    factory.buildChunk({0, 9, 0, 0}, generator);   // outer 319 >= 294
    generator.emptyAboveRadius = 544;
    generator.solidBelowRadius = 287;
    factory.buildChunk({0, 17, 0, 0}, generator);  // inner 544, not above 544
    factory.buildChunk({0, 8, 0, 0}, generator);   // outer 287, not below 287
    EXPECT_EQ(generator.calls, 4);
}

TEST(ChunkBuild, GeneratorGetsAFreshCacheInCentreMode) {
    ScriptedGenerator generator(-2.0f);
    ChunkFactory factory;
    factory.cache.columnOffset = 0.0f;
    factory.cache.resolutionShift = 3;
    factory.buildChunk({5, 12, 9, 1}, generator);
    EXPECT_EQ(generator.offsetSeen, 0.5f);
    EXPECT_EQ(generator.shiftSeen, 0u);
    EXPECT_EQ(generator.baseUSeen, 32u * 5u);
}

TEST(ChunkBuild, FillStateOfWhatTheGeneratorWrote) {
    struct Case {
        float density;
        ChunkFillState state;
    };
    for (const Case& c : {Case{0.25f, ChunkFillState::AllAir}, Case{0.0f, ChunkFillState::AllAir},
                          Case{-0.25f, ChunkFillState::AllSolid}}) {
        const auto chunk = ChunkFactory().buildChunk({1, 12, 1, 0}, ScriptedGenerator(c.density));
        EXPECT_EQ(chunk->fillState, c.state) << c.density;
        EXPECT_EQ(chunk->meshPending.load(), c.state != ChunkFillState::AllAir) << c.density;
    }
    // One sample of the other sign, written first, in the middle or last.
    for (const std::uint32_t w : {0u, 17u, 31u}) {
        for (const float base : {1.0f, -1.0f}) {
            const ScriptedGenerator generator([w, base](std::uint32_t i, std::uint32_t r, std::uint32_t j) {
                return (i == w && r == 31 - w && j == w) ? -base : base;
            });
            const auto chunk = ChunkFactory().buildChunk({2, 13, 2, 3}, generator);
            EXPECT_EQ(chunk->fillState, ChunkFillState::Mixed) << w << " base " << base;
            EXPECT_TRUE(chunk->meshPending.load());
        }
    }
}

TEST(ChunkBuild, FillStateTransitions) {
    // -0.0 is air, the least negative density solid.
    EXPECT_EQ(nextFillState(ChunkFillState::Unknown, -0.0f), ChunkFillState::AllAir);
    EXPECT_EQ(nextFillState(ChunkFillState::Unknown, -1e-30f), ChunkFillState::AllSolid);
    EXPECT_EQ(nextFillState(ChunkFillState::AllAir, 5.0f), ChunkFillState::AllAir);
    EXPECT_EQ(nextFillState(ChunkFillState::AllAir, -5.0f), ChunkFillState::Mixed);
    EXPECT_EQ(nextFillState(ChunkFillState::AllSolid, 0.0f), ChunkFillState::Mixed);
    EXPECT_EQ(nextFillState(ChunkFillState::Mixed, -1.0f), ChunkFillState::Mixed);
}

TEST(ChunkBuild, UnusedColumnsOfInnerLayersKeepConstructionValues) {
    // Shell 10 steps a level at radius 325: radii 320..324 use 16 columns.
    const auto chunk = ChunkFactory().buildChunk({9, 10, 4, 0}, ScriptedGenerator(-7.0f));
    for (std::uint32_t r = 0; r < 32; ++r) {
        const std::uint32_t used = r < 5 ? 16u : 32u;
        for (std::uint32_t i = 0; i < 32; ++i) {
            for (std::uint32_t j = 0; j < 32; ++j) {
                const Voxel expected = i < used && j < used ? Voxel{-7.0f, {4, 5, 6}} : constructionVoxel;
                ASSERT_TRUE(testing::sameBits(std::as_const(*chunk).voxel(i, r, j), expected))
                    << i << " " << r << " " << j;
            }
        }
    }
}

TEST(ChunkDestruction, TheLastOwnerReleasesTheBufferOnce) {
    NullGraphicsDevice device;
    const ChunkVertex vertices[3] = {};
    std::shared_ptr<Chunk> chunk = std::make_shared<Chunk>(ChunkKey{2, 12, 2, 2});
    chunk->vertexBuffer = device.createVertexBuffer(vertices, 3);
    std::shared_ptr<Chunk> other = chunk;
    chunk.reset();
    EXPECT_EQ(device.liveBuffers(), 1);
    // The last owner is dropped on another thread.
    std::thread([owner = std::move(other)]() mutable { owner.reset(); }).join();
    EXPECT_EQ(device.liveBuffers(), 0);
    EXPECT_EQ(device.createdBuffers(), 1);
}

}  // namespace
}  // namespace gravelkin::test
