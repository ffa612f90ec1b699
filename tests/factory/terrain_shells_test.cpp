// The chunk factory's shell shortcuts with the Earth generator: shells wholly
// below solidBelowRadius or above emptyAboveRadius are constant and never
// reach generate; shells 9 to 16 are generated.
#include <gtest/gtest.h>

#include <cstdint>

#include "factory/chunk_factory.h"
#include "terrain/terrain_generator_earth.h"
#include "tests/support/comparisons.h"

namespace gravelkin {
namespace {

// Earth counting its generate calls.
class CountingEarth : public TerrainGeneratorEarth {
public:
    ChunkFillState generate(const ChunkKey& key, Voxel* voxels, ColumnDirectionCache& cache) const override {
        ++calls;
        return TerrainGeneratorEarth::generate(key, voxels, cache);
    }
    mutable int calls = 0;
};

TEST(TerrainShells, OnlyShellsNineToSixteenAreGenerated) {
    CountingEarth earth;
    ChunkFactory factory;
    for (std::uint32_t shell : {0u, 5u, 8u, 17u, 30u}) {
        const auto chunk = factory.buildChunk({0, shell, 0, 0}, earth);
        const bool solid = shell <= 8;
        EXPECT_EQ(chunk->fillState, solid ? ChunkFillState::AllSolid : ChunkFillState::AllAir) << shell;
        EXPECT_EQ(chunk->voxel(31, 0, 31), solid ? earth.solidFillVoxel : airVoxel) << shell;
        EXPECT_EQ(chunk->meshPending.load(), solid) << shell;
    }
    EXPECT_EQ(earth.calls, 0);
    for (std::uint32_t shell : {9u, 16u}) factory.buildChunk({0, shell, 0, 0}, earth);
    EXPECT_EQ(earth.calls, 2);
}

}  // namespace
}  // namespace gravelkin
