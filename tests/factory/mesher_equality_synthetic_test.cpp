// The fast mesher against the reference one on made-up volumes that reach the
// corners of the mesher: random and terrain-like patterns, awkward densities
// (0.0, -0.0, NaN, infinities), constant chunks on the shared blocks, the
// level steps inside shells, every cube-face edge and corner, shell 0 with
// its centre voxel, and sides split into four finer chunks.
#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <memory>
#include <random>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "factory/chunk.h"
#include "geometry/column_direction_cache.h"
#include "geometry/level_table.h"
#include "tests/factory/mesh_comparison_support.h"

namespace gravelkin::test {
namespace {

enum class Pattern { Random, Terrain, Sparse, Dense, ConstantSolid, ConstantAir };

constexpr Voxel rock{-2.5f, {90, 80, 70}};

float awkwardOr(std::mt19937& random, float density) {
    // About one voxel in sixty is one of the densities whose sign needs care.
    const float awkward[] = {0.0f, -0.0f, std::numeric_limits<float>::quiet_NaN(),
                             -std::numeric_limits<float>::infinity(), std::numeric_limits<float>::infinity(),
                             -1e-30f};
    if (random() % 60 != 0) return density;
    return awkward[random() % std::size(awkward)];
}

std::shared_ptr<Chunk> patterned(const ChunkKey& key, Pattern pattern) {
    if (pattern == Pattern::ConstantSolid) return std::make_shared<Chunk>(key, rock);
    if (pattern == Pattern::ConstantAir) return std::make_shared<Chunk>(key, airVoxel);

    auto chunk = std::make_shared<Chunk>(key);
    std::mt19937 random(static_cast<std::uint32_t>(chunkKeyHash(key)));
    std::uniform_real_distribution<float> magnitude(0.01f, 10.0f);
    // Gentle slopes with a little roughness, sometimes below the chunk or
    // above it.
    int height[32][32];
    const int base = static_cast<int>(random() % 40) - 8;
    for (int i = 0; i < 32; ++i) {
        for (int j = 0; j < 32; ++j) height[i][j] = base + (3 * i + 5 * j) / 16 + static_cast<int>(random() % 3);
    }
    Voxel* voxels = chunk->writableVoxels();
    for (std::uint32_t i = 0; i < 32; ++i) {
        for (std::uint32_t r = 0; r < 32; ++r) {
            for (std::uint32_t j = 0; j < 32; ++j) {
                bool solid = false;
                switch (pattern) {
                    case Pattern::Random: solid = random() % 2 == 0; break;
                    case Pattern::Terrain: solid = static_cast<int>(r) < height[i][j]; break;
                    case Pattern::Sparse: solid = random() % 10 == 0; break;
                    default: solid = random() % 10 != 0; break;
                }
                const float density = awkwardOr(random, solid ? -magnitude(random) : magnitude(random));
                Voxel& v = voxels[Chunk::voxelIndex(i, r, j)];
                v.density = density;
                v.colour[0] = static_cast<std::uint8_t>(random());
                v.colour[1] = static_cast<std::uint8_t>(random());
                v.colour[2] = static_cast<std::uint8_t>(random());
            }
        }
    }
    chunk->fillState = ChunkFillState::Mixed;
    return chunk;
}

// Each key gets a pattern of its own, drawn from its hash; `forced` keys get
// the one asked for.
class SyntheticWorld {
public:
    SyntheticWorld()
        : world_([this](const ChunkKey& key) {
              for (const auto& [k, p] : forced_) {
                  if (k == key) return patterned(key, p);
              }
              const auto draw = static_cast<int>(chunkKeyHash(key) % 6);
              return patterned(key, static_cast<Pattern>(draw));
          }) {}

    void force(const ChunkKey& key, Pattern pattern) { forced_.push_back({key, pattern}); }
    ChunkWorld& world() { return world_; }

private:
    std::vector<std::pair<ChunkKey, Pattern>> forced_;
    ChunkWorld world_;
};

struct Coverage {
    std::size_t faces = 0;
    int split = 0;
    int levelSteps = 0;
};

void expectSameMeshes(SyntheticWorld& synthetic, const std::vector<ChunkKey>& keys, Coverage& coverage) {
    ColumnDirectionCache workerCache;
    for (const ChunkKey& key : keys) {
        SCOPED_TRACE(::testing::Message() << "chunk (" << key.x << ", " << key.shell << ", " << key.y << ", face "
                                          << int{key.face} << ")");
        Chunk& chunk = *synthetic.world().chunk(key);
        FineNeighbourMap fine;
        coverage.split += synthetic.world().wire(chunk, fine);
        coverage.levelSteps += chunk.levelStepInShell;
        ColumnDirectionCache referenceCache;
        const MeshResult reference = meshOnce(chunk, &fine, Mesher::Reference, referenceCache);
        const MeshResult fast = meshOnce(chunk, &fine, Mesher::Fast, workerCache);
        EXPECT_EQ(meshDifference(reference, fast), "");
        coverage.faces += reference.vertexCount / 6;
    }
}

TEST(MesherEquality, LevelStepsInsideShells) {
    // Shells 1, 2, 5, 10 and 20 each hold a level step (radii 40, 81, 162,
    // 325, 651); their chunks' inner layers use half the columns.
    SyntheticWorld synthetic;
    std::vector<ChunkKey> keys;
    for (std::uint32_t shell : {1u, 2u, 5u, 10u, 20u}) {
        const auto side = static_cast<std::uint32_t>(chunksPerSide(shell));
        keys.push_back({side / 2, shell, side / 3, 2});
        keys.push_back({0, shell, side - 1, 4});
        keys.push_back({side - 1, shell, 0, 1});
    }
    Coverage coverage;
    expectSameMeshes(synthetic, keys, coverage);
    EXPECT_EQ(coverage.levelSteps, static_cast<int>(keys.size()));
    EXPECT_GT(coverage.faces, 10000u);
}

TEST(MesherEquality, EveryFaceEdgeAndCorner) {
    // On every face a chunk on each of the four edges and one in a corner,
    // a different corner per face.
    SyntheticWorld synthetic;
    std::vector<ChunkKey> keys;
    const std::uint32_t last = static_cast<std::uint32_t>(chunksPerSide(12)) - 1;
    const std::pair<std::uint32_t, std::uint32_t> corners[4] = {{0, 0}, {last, last}, {0, last}, {last, 0}};
    for (std::uint8_t face = 0; face < 6; ++face) {
        for (const auto& [x, y] : {std::pair{0u, 5u}, std::pair{last, 6u}, std::pair{7u, 0u}, std::pair{8u, last},
                                   corners[face % 4]}) {
            const ChunkKey key{x, 12, y, face};
            // Solid voxels on every border, and air among them.
            synthetic.force(key, face == 4 ? Pattern::Dense : Pattern::Terrain);
            keys.push_back(key);
        }
    }
    Coverage coverage;
    expectSameMeshes(synthetic, keys, coverage);
    EXPECT_GT(coverage.faces, 100000u);
}

TEST(MesherEquality, ShellZero) {
    // One chunk per face; its layers have 1, 2, 4, 8, 16 and 32 columns, and
    // layer 0 is the centre voxel.
    SyntheticWorld synthetic;
    std::vector<ChunkKey> keys;
    for (std::uint8_t face = 0; face < 6; ++face) {
        const ChunkKey key{0, 0, 0, face};
        synthetic.force(key, static_cast<Pattern>(face));
        keys.push_back(key);
    }
    Coverage coverage;
    expectSameMeshes(synthetic, keys, coverage);
    EXPECT_GT(coverage.faces, 1000u);
}

TEST(MesherEquality, CentreVoxelAlone) {
    // A solid centre voxel in air: its inward side collapses to a point.
    SyntheticWorld synthetic;
    for (std::uint8_t face = 0; face < 6; ++face) synthetic.force({0, 0, 0, face}, Pattern::ConstantAir);
    synthetic.force({0, 1, 0, 3}, Pattern::ConstantAir);
    Chunk& chunk = *synthetic.world().chunk({0, 0, 0, 3});
    chunk.voxel(0, 0, 0) = Voxel{-1.0f, {5, 6, 7}};
    Coverage coverage;
    expectSameMeshes(synthetic, {{0, 0, 0, 3}}, coverage);
    EXPECT_EQ(coverage.faces, 6u);
}

TEST(MesherEquality, SidesSplitIntoFourFinerChunks) {
    // Outward of shells 4, 9 and 19 the chunk grid doubles.
    SyntheticWorld synthetic;
    std::vector<ChunkKey> keys;
    for (std::uint32_t shell : {4u, 9u, 19u}) {
        ASSERT_NE(chunksPerSide(shell + 1), chunksPerSide(shell)) << shell;
        const auto side = static_cast<std::uint32_t>(chunksPerSide(shell));
        const ChunkKey dense{0, shell, side - 1, 5};
        const ChunkKey terrain{side / 2, shell, 1 % side, 0};
        synthetic.force(dense, Pattern::Dense);
        synthetic.force(terrain, Pattern::Terrain);
        keys.push_back(dense);
        keys.push_back(terrain);
    }
    Coverage coverage;
    expectSameMeshes(synthetic, keys, coverage);
    EXPECT_EQ(coverage.split, static_cast<int>(keys.size()));
}

TEST(MesherEquality, ConstantChunksAmongMixedOnes) {
    // Rock and air chunks reading the shared blocks, meshed against random
    // neighbours, and random chunks meshed against them.
    SyntheticWorld synthetic;
    std::vector<ChunkKey> keys;
    for (std::uint32_t x = 2; x < 6; ++x) {
        const ChunkKey key{x, 7, 3, 2};
        synthetic.force(key, x % 2 == 0 ? Pattern::ConstantSolid : Pattern::Random);
        keys.push_back(key);
    }
    synthetic.force({2, 8, 3, 2}, Pattern::ConstantAir);
    synthetic.force({2, 6, 3, 2}, Pattern::Sparse);
    Coverage coverage;
    expectSameMeshes(synthetic, keys, coverage);
    EXPECT_GT(coverage.faces, 1000u);
    EXPECT_FALSE(synthetic.world().chunk({2, 7, 3, 2})->voxels.ownsBlock());
}

TEST(MesherEquality, EveryPatternInTheMiddleOfAFace) {
    SyntheticWorld synthetic;
    std::vector<ChunkKey> keys;
    for (int p = 0; p < 6; ++p) {
        const ChunkKey key{3u + static_cast<std::uint32_t>(p), 13, 9, 4};
        synthetic.force(key, static_cast<Pattern>(p));
        keys.push_back(key);
    }
    Coverage coverage;
    expectSameMeshes(synthetic, keys, coverage);
    EXPECT_GT(coverage.faces, 10000u);
}

// Both meshers fail alike where a holding chunk is missing, and leave the
// chunk unmeshed.
void expectSameFailure(Chunk& chunk, const FineNeighbourMap* fine) {
    for (Mesher mesher : {Mesher::Reference, Mesher::Fast}) {
        ColumnDirectionCache cache;
        try {
            meshOnce(chunk, fine, mesher, cache);
            ADD_FAILURE() << "expected std::out_of_range from mesher " << static_cast<int>(mesher);
        } catch (const std::out_of_range& error) {
            EXPECT_STREQ(error.what(), "invalid unordered_map<K, T> key");
        }
        chunk.fineNeighbours = nullptr;
        EXPECT_TRUE(chunk.meshPending.load());
        EXPECT_EQ(chunk.vertexBuffer, nullptr);
        EXPECT_EQ(chunk.vertexCount.load(), 0u);
    }
}

TEST(MesherEquality, AMissingFinerChunkFailsAlike) {
    SyntheticWorld synthetic;
    const ChunkKey key{3, 9, 5, 2};
    synthetic.force(key, Pattern::Dense);
    Chunk& chunk = *synthetic.world().chunk(key);
    FineNeighbourMap fine;
    ASSERT_TRUE(synthetic.world().wire(chunk, fine));
    fine.erase(fine.begin());
    expectSameFailure(chunk, &fine);
}

TEST(MesherEquality, AMissingSideNeighbourFailsAlike) {
    SyntheticWorld synthetic;
    const ChunkKey key{4, 12, 4, 1};
    synthetic.force(key, Pattern::Dense);
    Chunk& chunk = *synthetic.world().chunk(key);
    FineNeighbourMap fine;
    synthetic.world().wire(chunk, fine);
    chunk.neighbours[4] = nullptr;  // and no fine map holds it
    expectSameFailure(chunk, nullptr);
}

}  // namespace
}  // namespace gravelkin::test
