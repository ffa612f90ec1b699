// The Earth generator's classification against full generation: a chunk it
// calls all air must generate all air, one it calls all solid must generate
// every voxel solid and stone-coloured, over chunks of every generated shell
// on every face (and so every biome), the surface's included.
#include <gtest/gtest.h>

#include <cstdio>
#include <vector>

#include "geometry/column_direction_cache.h"
#include "geometry/level_table.h"
#include "terrain/terrain_generator_earth.h"
#include "tests/support/comparisons.h"

namespace gravelkin {
namespace {

const TerrainGeneratorEarth& earth() {
    static const TerrainGeneratorEarth generator;
    return generator;
}

// Every used voxel of a generated chunk: its density and colour.
bool everyUsedVoxel(const ChunkKey& key, const std::vector<Voxel>& voxels, bool (*holds)(const Voxel&)) {
    bool all = true;
    for (std::uint32_t layer = 0; layer < chunkSize; ++layer) {
        const std::uint32_t n = columnsPerChunk(32 * key.shell + layer);
        for (std::uint32_t i = 0; i < n; ++i) {
            for (std::uint32_t j = 0; j < n; ++j) all = all && holds(voxels[voxelIndex(i, layer, j)]);
        }
    }
    return all;
}

TEST(EarthClassify, NeverContradictsFullGenerationOverEveryGeneratedShellAndFace) {
    const TerrainGeneratorEarth& generator = earth();
    const std::uint32_t firstShell = generator.solidBelowRadius / 32;   // 9
    const std::uint32_t lastShell = generator.emptyAboveRadius / 32;    // 16
    std::size_t counts[4] = {};
    std::vector<Voxel> voxels(voxelsPerBlock);
    ColumnDirectionCache cache{};
    for (std::uint32_t shell = firstShell; shell <= lastShell; ++shell) {
        const auto side = static_cast<std::uint32_t>(chunksPerSide(shell));
        for (std::uint8_t face = 0; face < 6; ++face) {
            for (std::uint32_t y = 0; y < side; ++y) {
                // Every third chunk of a row, shifted from row to row.
                for (std::uint32_t x = (y + face) % 3; x < side; x += 3) {
                    const ChunkKey key{x, shell, y, face};
                    resetForChunk(cache, key);
                    cache.columnOffset = 0.5f;
                    const ChunkFillState known = generator.classify(key, cache);
                    ++counts[static_cast<int>(known)];
                    if (known == ChunkFillState::Unknown) continue;
                    resetForChunk(cache, key);
                    const ChunkFillState generated = generator.generate(key, voxels.data(), cache);
                    SCOPED_TRACE(::testing::Message() << "chunk x " << x << " shell " << shell << " y " << y
                                                      << " face " << int(face));
                    ASSERT_EQ(generated, known);
                    if (known == ChunkFillState::AllSolid) {
                        ASSERT_TRUE(everyUsedVoxel(key, voxels, [](const Voxel& v) {
                            return v.density < 0.0f && v.colour[0] == 120 && v.colour[1] == 120 && v.colour[2] == 120;
                        })) << "a voxel of a chunk classified solid is not stone";
                    }
                }
            }
        }
    }
    std::printf("classified: %zu unknown, %zu all air, %zu all solid\n",
                counts[static_cast<int>(ChunkFillState::Unknown)], counts[static_cast<int>(ChunkFillState::AllAir)],
                counts[static_cast<int>(ChunkFillState::AllSolid)]);
    EXPECT_GT(counts[static_cast<int>(ChunkFillState::AllAir)], 0u);
    EXPECT_GT(counts[static_cast<int>(ChunkFillState::AllSolid)], 0u);
}

}  // namespace
}  // namespace gravelkin
