// The fast mesher against the reference one, bit for bit: on made-up volumes
// that reach its corners (awkward densities, constant chunks on the shared
// blocks, level steps inside shells, every cube-face edge and corner, shell 0
// with its centre voxel, sides split into four finer chunks, missing
// neighbours) and on the Earth generator's terrain, also with several workers
// at once.
#include <cstdint>
#include <limits>
#include <memory>
#include <random>
#include <stdexcept>
#include <thread>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "factory/chunk_factory.h"
#include "factory/neighbour_voxel.h"
#include "geometry/level_table.h"
#include "terrain/terrain_generator_earth.h"
#include "tests/factory/mesh_test_support.h"
#include "tests/support/comparisons.h"

namespace gravelkin::test {
namespace {

enum class Pattern { Random, Terrain, Sparse, Dense, ConstantSolid, ConstantAir };

// Solid or not by `pattern`; about one voxel in sixty gets a density whose
// sign needs care instead.
std::shared_ptr<Chunk> patterned(const ChunkKey& key, Pattern pattern) {
    if (pattern == Pattern::ConstantSolid) return std::make_shared<Chunk>(key, Voxel{-2.5f, {90, 80, 70}});
    if (pattern == Pattern::ConstantAir) return std::make_shared<Chunk>(key, airVoxel);
    const float awkward[] = {0.0f, -0.0f, std::numeric_limits<float>::quiet_NaN(),
                             -std::numeric_limits<float>::infinity(), std::numeric_limits<float>::infinity(), -1e-30f};
    auto chunk = std::make_shared<Chunk>(key);
    std::mt19937 random(static_cast<std::uint32_t>(chunkKeyHash(key)));
    std::uniform_real_distribution<float> magnitude(0.01f, 10.0f);
    // Terrain: gentle slopes with a little roughness, sometimes below the
    // chunk or above it.
    int height[32][32];
    const int base = static_cast<int>(random() % 40) - 8;
    for (int i = 0; i < 32; ++i) {
        for (int j = 0; j < 32; ++j) height[i][j] = base + (3 * i + 5 * j) / 16 + static_cast<int>(random() % 3);
    }
    for (std::uint32_t i = 0; i < 32; ++i) {
        for (std::uint32_t r = 0; r < 32; ++r) {
            for (std::uint32_t j = 0; j < 32; ++j) {
                const bool solid = pattern == Pattern::Random    ? random() % 2 == 0
                                   : pattern == Pattern::Terrain ? static_cast<int>(r) < height[i][j]
                                   : pattern == Pattern::Sparse  ? random() % 10 == 0
                                                                 : random() % 10 != 0;
                float density = solid ? -magnitude(random) : magnitude(random);
                if (random() % 60 == 0) density = awkward[random() % std::size(awkward)];
                chunk->voxel(i, r, j) = Voxel{density, {static_cast<std::uint8_t>(random()),
                                                        static_cast<std::uint8_t>(random()),
                                                        static_cast<std::uint8_t>(random())}};
            }
        }
    }
    chunk->fillState = ChunkFillState::Mixed;
    return chunk;
}

// Each key gets a pattern drawn from its hash, unless forced.
struct SyntheticWorld {
    std::vector<std::pair<ChunkKey, Pattern>> forced;
    ChunkWorld world{[this](const ChunkKey& key) {
        for (const auto& [k, p] : forced) {
            if (k == key) return patterned(key, p);
        }
        return patterned(key, static_cast<Pattern>(chunkKeyHash(key) % 6));
    }};
};

struct Coverage {
    std::size_t faces = 0;
    int split = 0;
    int levelSteps = 0;
};

// The fast mesher runs on one cache and output kept from chunk to chunk, as
// a worker's; the reference on fresh ones.
Coverage expectSameMeshes(ChunkWorld& world, const std::vector<ChunkKey>& keys) {
    Coverage coverage;
    ColumnDirectionCache workerCache;
    MesherOutput workerOutput;
    for (const ChunkKey& key : keys) {
        SCOPED_TRACE(::testing::Message() << "chunk (" << key.x << ", " << key.shell << ", " << key.y << ", face "
                                          << int{key.face} << ")");
        Chunk& chunk = *world.chunk(key);
        FineNeighbourMap fine;
        coverage.split += world.wire(chunk, fine);
        coverage.levelSteps += chunk.levelStepInShell;
        const Mesh reference = meshWith(Mesher::Reference, chunk, &fine);
        const Mesh fast = meshWith(Mesher::Fast, chunk, &fine, workerCache, workerOutput);
        EXPECT_TRUE(testing::sameBits(reference.vertices, fast.vertices))
            << reference.vertices.size() << " and " << fast.vertices.size() << " vertices";
        EXPECT_TRUE(sameGrid(reference.cacheAfter, fast.cacheAfter));
        coverage.faces += reference.vertices.size() / 6;
    }
    return coverage;
}

TEST(MesherEquality, LevelStepsInsideShells) {
    // Shells 1, 2, 5, 10 and 20 each hold a level step (radii 40, 81, 162,
    // 325, 651).
    SyntheticWorld synthetic;
    std::vector<ChunkKey> keys;
    for (std::uint32_t shell : {1u, 2u, 5u, 10u, 20u}) {
        const auto side = static_cast<std::uint32_t>(chunksPerSide(shell));
        for (const ChunkKey& key : {ChunkKey{side / 2, shell, side / 3, 2}, ChunkKey{0, shell, side - 1, 4},
                                    ChunkKey{side - 1, shell, 0, 1}}) {
            keys.push_back(key);
        }
    }
    const Coverage coverage = expectSameMeshes(synthetic.world, keys);
    EXPECT_EQ(coverage.levelSteps, static_cast<int>(keys.size()));
    EXPECT_GT(coverage.faces, 10000u);
}

TEST(MesherEquality, EveryFaceEdgeAndCorner) {
    // On every face a chunk on each edge and one in a corner (a different
    // corner per face), with solid voxels on every border and air among them.
    SyntheticWorld synthetic;
    std::vector<ChunkKey> keys;
    const std::uint32_t last = static_cast<std::uint32_t>(chunksPerSide(12)) - 1;
    const std::pair<std::uint32_t, std::uint32_t> corners[4] = {{0, 0}, {last, last}, {0, last}, {last, 0}};
    for (std::uint8_t face = 0; face < 6; ++face) {
        for (const auto& [x, y] : {std::pair{0u, 5u}, std::pair{last, 6u}, std::pair{7u, 0u}, std::pair{8u, last},
                                   corners[face % 4]}) {
            keys.push_back({x, 12, y, face});
            synthetic.forced.push_back({keys.back(), face == 4 ? Pattern::Dense : Pattern::Terrain});
        }
    }
    EXPECT_GT(expectSameMeshes(synthetic.world, keys).faces, 100000u);
}

TEST(MesherEquality, ShellZeroAndTheCentreVoxel) {
    // Layers of 1 to 32 columns, layer 0 the centre voxel: every pattern once.
    SyntheticWorld synthetic;
    std::vector<ChunkKey> keys;
    for (std::uint8_t face = 0; face < 6; ++face) {
        keys.push_back({0, 0, 0, face});
        synthetic.forced.push_back({keys.back(), static_cast<Pattern>(face)});
    }
    EXPECT_GT(expectSameMeshes(synthetic.world, keys).faces, 1000u);

    // A solid centre voxel alone in air: its inward side collapses to a point.
    SyntheticWorld alone;
    for (std::uint8_t face = 0; face < 6; ++face) alone.forced.push_back({{0, 0, 0, face}, Pattern::ConstantAir});
    alone.forced.push_back({{0, 1, 0, 3}, Pattern::ConstantAir});
    alone.world.chunk({0, 0, 0, 3})->voxel(0, 0, 0) = Voxel{-1.0f, {5, 6, 7}};
    EXPECT_EQ(expectSameMeshes(alone.world, {{0, 0, 0, 3}}).faces, 6u);
}

TEST(MesherEquality, SidesSplitIntoFourFinerChunks) {
    // Outward of shells 4, 9 and 19 the chunk grid doubles.
    SyntheticWorld synthetic;
    std::vector<ChunkKey> keys;
    for (std::uint32_t shell : {4u, 9u, 19u}) {
        const auto side = static_cast<std::uint32_t>(chunksPerSide(shell));
        synthetic.forced.push_back({{0, shell, side - 1, 5}, Pattern::Dense});
        synthetic.forced.push_back({{side / 2, shell, 1 % side, 0}, Pattern::Terrain});
        keys.push_back(synthetic.forced[synthetic.forced.size() - 2].first);
        keys.push_back(synthetic.forced.back().first);
    }
    EXPECT_EQ(expectSameMeshes(synthetic.world, keys).split, static_cast<int>(keys.size()));
}

TEST(MesherEquality, EveryPatternAndConstantChunksAmongMixedOnes) {
    // Rock and air chunks on the shared blocks meshed against random
    // neighbours and the other way round; every pattern mid-face.
    SyntheticWorld synthetic;
    std::vector<ChunkKey> keys;
    for (std::uint32_t x = 2; x < 6; ++x) {
        keys.push_back({x, 7, 3, 2});
        synthetic.forced.push_back({keys.back(), x % 2 == 0 ? Pattern::ConstantSolid : Pattern::Random});
    }
    synthetic.forced.push_back({{2, 8, 3, 2}, Pattern::ConstantAir});
    synthetic.forced.push_back({{2, 6, 3, 2}, Pattern::Sparse});
    for (int p = 0; p < 6; ++p) {
        keys.push_back({3u + static_cast<std::uint32_t>(p), 13, 9, 4});
        synthetic.forced.push_back({keys.back(), static_cast<Pattern>(p)});
    }
    EXPECT_GT(expectSameMeshes(synthetic.world, keys).faces, 10000u);
    EXPECT_FALSE(synthetic.world.chunk({2, 7, 3, 2})->voxels.ownsBlock());
}

TEST(MesherEquality, AMissingNeighbourFailsAlike) {
    // A finer chunk across the split outward side, or a side neighbour.
    for (const ChunkKey& key : {ChunkKey{3, 9, 5, 2}, ChunkKey{4, 12, 4, 1}}) {
        SyntheticWorld synthetic;
        synthetic.forced.push_back({key, Pattern::Dense});
        Chunk& chunk = *synthetic.world.chunk(key);
        FineNeighbourMap fine;
        if (synthetic.world.wire(chunk, fine)) {
            fine.erase(fine.begin());
        } else {
            chunk.neighbours[Direction::MinusX] = nullptr;
        }
        for (const Mesher mesher : {Mesher::Reference, Mesher::Fast}) {
            MesherOutput output;
            ColumnDirectionCache cache;
            try {
                meshWith(mesher, chunk, &fine, cache, output);
                ADD_FAILURE() << "expected std::out_of_range from mesher " << static_cast<int>(mesher);
            } catch (const std::out_of_range& error) {
                EXPECT_STREQ(error.what(), missingHoldingChunkText);
            }
            EXPECT_EQ(output.vertexCount, 0u);
        }
    }
}

const TerrainGeneratorEarth& earth() {
    static const TerrainGeneratorEarth generator;
    return generator;
}

// Chunks of shells 9 to 16 built by the Earth generator through the build
// step: every surface shell's face edges, a corner and the middle on all six
// faces; below (9: solid, split above; 10: a level step) and above a few.
class EarthChunks : public ::testing::Test {
protected:
    static std::vector<ChunkKey> keys() {
        std::vector<ChunkKey> keys;
        for (std::uint8_t face = 0; face < 6; ++face) {
            for (const ChunkKey& key : {ChunkKey{0, 12, 3u + face, face}, ChunkKey{15, 12, 9u + face % 4u, face},
                                        ChunkKey{5u + face, 12, 0, face}, ChunkKey{10, 12, 15, face},
                                        ChunkKey{15, 12, 15, face}, ChunkKey{7, 11, 8, face},
                                        ChunkKey{0, 11, 0, face}, ChunkKey{7, 13, 8, face},
                                        ChunkKey{0, 13, 3u + face, face}}) {
                keys.push_back(key);
            }
        }
        for (const ChunkKey& key : {ChunkKey{3, 9, 5, 2}, ChunkKey{0, 9, 7, 0}, ChunkKey{6, 10, 1, 1},
                                    ChunkKey{15, 10, 0, 4}, ChunkKey{7, 14, 8, 1}, ChunkKey{0, 14, 5, 3},
                                    ChunkKey{7, 15, 8, 1}, ChunkKey{15, 15, 15, 5}, ChunkKey{7, 16, 8, 1},
                                    ChunkKey{0, 16, 0, 0}}) {
            keys.push_back(key);
        }
        return keys;
    }

    static ChunkWorld& world() {
        static ChunkFactory factory;
        static ChunkWorld world([](const ChunkKey& key) {
            return std::shared_ptr<Chunk>(factory.buildChunk(key, earth()));
        });
        return world;
    }
};

TEST_F(EarthChunks, FastMeshEqualsReference) {
    const Coverage coverage = expectSameMeshes(world(), keys());
    int mixed = 0;
    std::uint32_t shellsSeen = 0;
    for (const ChunkKey& key : keys()) {
        mixed += world().chunk(key)->fillState == ChunkFillState::Mixed;
        shellsSeen |= 1u << key.shell;
    }
    // Real work: many surface faces, every shell from 9 to 16, split sides
    // and level steps.
    EXPECT_GE(mixed, 30);
    EXPECT_GE(coverage.faces, 40000u);
    EXPECT_GE(coverage.split, 2);
    EXPECT_GE(coverage.levelSteps, 2);
    EXPECT_EQ(shellsSeen, 0x1fe00u);
}

TEST_F(EarthChunks, WorkersMeshingAtOnceGetTheReferenceMeshes) {
    // Five workers, as in the program, each with its own cache and output,
    // on every fourth key (they run through all faces and shells).
    constexpr std::size_t workerCount = 5;
    std::vector<ChunkKey> picked;
    for (std::size_t k = 0; k < keys().size(); k += 4) picked.push_back(keys()[k]);
    std::vector<FineNeighbourMap> fines(picked.size());
    std::vector<Mesh> references;
    for (std::size_t k = 0; k < picked.size(); ++k) {
        world().wire(*world().chunk(picked[k]), fines[k]);
        references.push_back(meshWith(Mesher::Reference, *world().chunk(picked[k]), &fines[k]));
    }
    std::vector<int> same(picked.size(), 0);
    std::vector<std::thread> workers;
    for (std::size_t w = 0; w < workerCount; ++w) {
        workers.emplace_back([&, w] {
            ColumnDirectionCache cache;
            MesherOutput output;
            for (std::size_t k = w; k < picked.size(); k += workerCount) {
                const Mesh fast = meshWith(Mesher::Fast, *world().chunk(picked[k]), &fines[k], cache, output);
                same[k] = testing::sameBits(references[k].vertices, fast.vertices);
            }
        });
    }
    for (std::thread& worker : workers) worker.join();
    for (std::size_t k = 0; k < picked.size(); ++k) EXPECT_TRUE(same[k]) << "key index " << k;
}

TEST_F(EarthChunks, SharingTheAirBlockChangesNoMesh) {
    // Hilltops of (15, 12, 15, face 3) reach its top layer, under a chunk that
    // comes out all air and reads the shared air block. Its generated voxels,
    // kept in a block of its own, give the same mesh.
    const ChunkKey above{15, 13, 15, 3};
    Chunk& chunk = *world().chunk({15, 12, 15, 3});
    ASSERT_FALSE(world().chunk(above)->voxels.ownsBlock());
    ColumnDirectionCache cache;
    resetForChunk(cache, above);
    cache.columnOffset = 0.5f;
    Chunk generated(above);
    ASSERT_EQ(earth().generate(above, generated.writableVoxels(), cache), ChunkFillState::AllAir);

    FineNeighbourMap fine;
    world().wire(chunk, fine);
    const Mesh withShared = meshWith(Mesher::Reference, chunk, &fine);
    chunk.neighbours[Direction::Outward] = &generated;
    EXPECT_GT(withShared.vertices.size(), 0u);
    EXPECT_TRUE(testing::sameBits(meshWith(Mesher::Reference, chunk, &fine).vertices, withShared.vertices));
    EXPECT_TRUE(testing::sameBits(meshWith(Mesher::Fast, chunk, &fine).vertices, withShared.vertices));

    // The chunk above does decide sides: rock there hides some.
    Chunk rock(above, Voxel{-1.0f, {1, 2, 3}});
    chunk.neighbours[Direction::Outward] = &rock;
    EXPECT_LT(meshWith(Mesher::Reference, chunk, &fine).vertices.size(), withShared.vertices.size());
    world().wire(chunk, fine);  // no pointer to the locals left in the shared world
}

}  // namespace
}  // namespace gravelkin::test
