// The Earth generator's shortcuts against full generation and its own scalar
// rule. A chunk classified all air must generate all air, one classified all
// solid every voxel solid and stone; sparse generation of the others must show
// every voxel as full generation does; over chunks of every generated shell
// on every face (and so every biome), the surface's included. Far-node blocks
// show the scalar rule at their samples, and their margins are the very
// samples of the same-level nodes next door, across face edges too, so that
// they meet without a seam.
#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "geometry/column_direction_cache.h"
#include "geometry/face_mapping.h"
#include "geometry/level_table.h"
#include "geometry/neighbours.h"
#include "terrain/earth/terrain_generator_earth.h"

namespace gravelkin::test {
namespace {

// Building the generator scatters its biome points; do it once.
const TerrainGeneratorEarth& earth() {
    static const TerrainGeneratorEarth generator;
    return generator;
}

// The first used voxel of `key`'s chunk where `differs` holds, as
// "(i, layer, j)", or "" where none does.
template <typename Differs>
std::string firstUsedVoxelWhere(const ChunkKey& key, Differs differs) {
    for (std::uint32_t layer = 0; layer < chunkSize; ++layer) {
        const std::uint32_t n = columnsPerChunk(32 * key.shell + layer);
        for (std::uint32_t i = 0; i < n; ++i) {
            for (std::uint32_t j = 0; j < n; ++j) {
                if (differs(voxelIndex(i, layer, j))) {
                    return "(" + std::to_string(i) + ", " + std::to_string(layer) + ", " + std::to_string(j) + ")";
                }
            }
        }
    }
    return "";
}

// What meshing reads of a voxel: its sign, and a solid one's colour. (A
// density the bounds settle is a stand-in value, which depends on the samples
// computed alongside.)
bool sameShown(const Voxel& a, const Voxel& b) {
    const bool solid = a.density < 0.0f;
    return solid == (b.density < 0.0f) && (a.density >= 0.0f) == (b.density >= 0.0f) &&
           (!solid || std::to_array(a.colour) == std::to_array(b.colour));
}

TEST(EarthClassifyTest, NeverContradictsFullGenerationOverEveryGeneratedShellAndFace) {
    const TerrainGeneratorEarth& generator = earth();
    std::size_t counts[4] = {};
    std::vector<Voxel> voxels(voxelsPerBlock), sparse(voxelsPerBlock);
    ColumnDirectionCache cache{};
    for (std::uint32_t shell = generator.solidBelowRadius / 32; shell <= generator.emptyAboveRadius / 32; ++shell) {
        const auto side = static_cast<std::uint32_t>(chunksPerSide(shell));
        for (std::uint8_t face = 0; face < 6; ++face) {
            for (std::uint32_t y = 0; y < side; ++y) {
                // Every third chunk of a row, shifted from row to row.
                for (std::uint32_t x = (y + face) % 3; x < side; x += 3) {
                    const ChunkKey key{x, shell, y, face};
                    resetForChunk(cache, key);
                    cache.columnOffset = 0.5f;
                    ChunkPieces pieces;
                    const ChunkFillState known = generator.classifyPieces(key, cache, pieces);
                    ++counts[static_cast<int>(known)];
                    // Every third undecided chunk: all would double the time
                    // under the sanitizers for little more coverage.
                    if (known == ChunkFillState::Unknown && counts[0] % 3 != 0) continue;
                    resetForChunk(cache, key);
                    const ChunkFillState generated = generator.generate(key, voxels.data(), cache);
                    SCOPED_TRACE(::testing::Message() << "chunk x " << x << " shell " << shell << " y " << y
                                                      << " face " << int(face));
                    if (known == ChunkFillState::Unknown) {
                        resetForChunk(cache, key);
                        ASSERT_EQ(generator.generateSparse(key, sparse.data(), cache, pieces), generated);
                        ASSERT_EQ(firstUsedVoxelWhere(key, [&](int k) { return !sameShown(voxels[k], sparse[k]); }), "")
                            << "sparse generation differs in sign or solid colour there";
                        continue;
                    }
                    ASSERT_EQ(generated, known);
                    if (known == ChunkFillState::AllSolid) {
                        const Voxel stone{-1.0f, {120, 120, 120}};
                        ASSERT_EQ(firstUsedVoxelWhere(key, [&](int k) { return !sameShown(voxels[k], stone); }), "")
                            << "a voxel of a chunk classified solid is not stone";
                    }
                }
            }
        }
    }
    EXPECT_GT(counts[static_cast<int>(ChunkFillState::AllAir)], 0u);
    EXPECT_GT(counts[static_cast<int>(ChunkFillState::AllSolid)], 0u);
}

// Each margin sample of `key`'s block on `side` shows the same as a boundary
// sample of the neighbour's block at the same layer.
void expectMarginMatches(const FarNodeKey& key, Direction side) {
    FarBlock here, there;
    ASSERT_TRUE(earth().sampleFarBlock(key, here));
    ASSERT_TRUE(earth().sampleFarBlock(farNodeNeighbour(key, side).key, there));
    int matched = 0;
    for (int k = 0; k < 32; ++k) {
        for (int r = 0; r < 32; r += 7) {
            const int i = side == MinusX ? -1 : side == PlusX ? 32 : k;
            const int j = side == MinusY ? -1 : side == PlusY ? 32 : k;
            const Voxel& margin = here.at(i, r, j);
            bool found = false;
            for (int a = 0; a < 32 && !found; ++a) {
                for (int b = 0; b < 32 && !found; ++b) {
                    const bool onEdge = a == 0 || a == 31 || b == 0 || b == 31;
                    found = onEdge && sameShown(there.at(a, r, b), margin);
                }
            }
            matched += found ? 1 : 0;
        }
    }
    EXPECT_EQ(matched, 32 * 5) << "face " << int(key.face) << " side " << int(side);
}

TEST(FarBlockTest, MarginsAreTheNeighboursSamples) {
    // Within a face, and across each kind of face edge.
    expectMarginMatches({3, 6, 3, 0, 1}, PlusX);
    expectMarginMatches({0, 6, 2, 0, 1}, MinusX);
    expectMarginMatches({2, 6, 7, 0, 1}, PlusY);
    expectMarginMatches({7, 6, 2, 4, 1}, PlusX);
    expectMarginMatches({5, 6, 0, 5, 1}, MinusY);
}

// Every sample shows what the terrain's own scalar rule gives at its point:
// the sign of densityAt, and a solid sample's voxelColour.
TEST(FarBlockTest, SamplesShowTheTerrainsOwnRule) {
    const TerrainGeneratorEarth& earth = test::earth();
    FarBlock block;
    for (const FarNodeKey key : {FarNodeKey{2, 6, 5, 1, 1}, FarNodeKey{0, 8, 0, 1, 1}, FarNodeKey{1, 4, 2, 0, 1},
                                 FarNodeKey{1, 3, 0, 5, 2}}) {
        ASSERT_TRUE(earth.sampleFarBlock(key, block));
        const std::uint32_t columns = 32 * farNodeGrid(key.level, key.band);
        const float step = 1.0f / static_cast<float>(columns);
        const std::int64_t depth = farNodeVoxelDepth(key);
        for (int i = 0; i < 32; i += 5) {
            for (int j = 0; j < 32; j += 3) {
                const Vec4 d = faceDirection(key.face, (static_cast<float>(key.x * 32 + i) + 0.5f) * step,
                                             (static_cast<float>(key.y * 32 + j) + 0.5f) * step);
                for (int r = 0; r < 32; ++r) {
                    const std::int64_t lowest = farNodeInnerRadius(key) + r * depth;
                    Voxel expected = earth.solidFillVoxel;
                    if (lowest + depth - 1 >= earth.solidBelowRadius) {
                        const float rho = static_cast<float>(lowest) + 0.5f * static_cast<float>(depth);
                        const float density = lowest > earth.emptyAboveRadius ? 1.0f : earth.densityAt(d * rho, rho);
                        const ColourBytes colour = earth.voxelColour(density, earth.biomeAt(d));
                        expected = {density, {colour[0], colour[1], colour[2]}};
                    }
                    ASSERT_TRUE(sameShown(block.at(i, r, j), expected))
                        << "level " << int(key.level) << " band " << key.band << " at " << i << " " << r << " " << j;
                }
            }
        }
    }
}

TEST(FarBlockTest, FillFollowsTheShells) {
    const TerrainGeneratorEarth& earth = test::earth();
    FarBlock block;
    ASSERT_TRUE(earth.sampleFarBlock({0, 2, 0, 0, 2}, block));  // shells 8 .. 11: the top is terrain
    EXPECT_EQ(block.at(5, 0, 5), earth.solidFillVoxel);
    ASSERT_TRUE(earth.sampleFarBlock({0, 8, 0, 1, 1}, block));  // shells 16, 17: at most a few peaks
    EXPECT_EQ(block.at(5, 31, 5), airVoxel);
    ASSERT_TRUE(earth.sampleFarBlock({2, 6, 5, 1, 1}, block));  // shells 12, 13: the surface
    EXPECT_EQ(block.interiorFill, ChunkFillState::Mixed);
}

}  // namespace
}  // namespace gravelkin::test
