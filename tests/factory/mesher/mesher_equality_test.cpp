// The fast mesher against the reference one, bit for bit, with several
// workers at once, on made-up volumes that reach its corners. The Earth
// generator's terrain is meshed both ways by the streaming test.
#include <cstdint>
#include <limits>
#include <memory>
#include <random>
#include <stdexcept>
#include <thread>
#include <unordered_map>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "factory/mesher/neighbour_voxel.h"
#include "geometry/level_table.h"
#include "tests/factory/mesher/mesh_test_support.h"
#include "tests/support/comparisons.h"

namespace gravelkin::test {
namespace {

enum class Pattern { Random, Terrain, Sparse, Dense, ConstantSolid, ConstantAir };

// Solid or not by `pattern`; about one voxel in sixty gets a density whose
// sign needs care instead.
std::shared_ptr<Chunk> patterned(const ChunkKey& key, Pattern pattern) {
    // With the fill states the builder gives such chunks.
    if (pattern == Pattern::ConstantSolid || pattern == Pattern::ConstantAir) {
        const bool solid = pattern == Pattern::ConstantSolid;
        auto chunk = std::make_shared<Chunk>(key, solid ? Voxel{-2.5f, {90, 80, 70}} : airVoxel);
        chunk->fillState = solid ? ChunkFillState::AllSolid : ChunkFillState::AllAir;
        return chunk;
    }
    const float awkward[] = {0.0f, -0.0f, std::numeric_limits<float>::quiet_NaN(),
                             -std::numeric_limits<float>::infinity(), std::numeric_limits<float>::infinity(), -1e-30f};
    auto chunk = std::make_shared<Chunk>(key);
    std::mt19937 random(static_cast<std::uint32_t>(chunkKeyHash(key)));
    std::uniform_real_distribution<float> magnitude(0.01f, 10.0f);
    const auto byte = [&] { return static_cast<std::uint8_t>(random()); };
    // Terrain: gentle slopes with a little roughness, sometimes below the
    // chunk or above it.
    int height[32][32];
    const int base = static_cast<int>(random() % 40) - 8;
    for (int i = 0; i < 32; ++i) {
        for (int j = 0; j < 32; ++j) height[i][j] = base + (3 * i + 5 * j) / 16 + static_cast<int>(random() % 3);
    }
    for (std::uint32_t n = 0; n < 32 * 32 * 32; ++n) {
        const std::uint32_t i = n / 1024, r = n / 32 % 32, j = n % 32;
        const bool solid = pattern == Pattern::Random    ? random() % 2 == 0
                           : pattern == Pattern::Terrain ? static_cast<int>(r) < height[i][j]
                           : pattern == Pattern::Sparse  ? random() % 10 == 0
                                                         : random() % 10 != 0;
        float density = solid ? -magnitude(random) : magnitude(random);
        if (random() % 60 == 0) density = awkward[random() % std::size(awkward)];
        chunk->voxel(i, r, j) = Voxel{density, {byte(), byte(), byte()}};
    }
    chunk->fillState = ChunkFillState::Mixed;
    return chunk;
}

// Chunks made up on first use, of the pattern their key's hash draws, unless
// put there first, so that a chunk and its neighbours always agree.
class ChunkWorld {
public:
    std::shared_ptr<Chunk> chunk(const ChunkKey& key) {
        auto found = chunks_.find(key);
        if (found == chunks_.end()) {
            found = chunks_.emplace(key, patterned(key, static_cast<Pattern>(chunkKeyHash(key) % 6))).first;
        }
        return found->second;
    }
    // Keeps the first chunk put or made for a key.
    void put(std::shared_ptr<Chunk> chunk) { chunks_.emplace(chunk->key, std::move(chunk)); }

    // Points chunk.neighbours at the chunks across its sides and fills `fine`
    // with the finer ones across split sides. Returns whether one was split.
    bool wire(Chunk& chunk, FineNeighbourMap& fine) {
        bool split = false;
        for (const Direction side : allDirections) {
            const std::vector<ChunkKey> across = chunkKeysAcross(chunk.key, side);
            chunk.neighbours[side] = across.size() == 1 ? this->chunk(across[0]).get() : nullptr;
            if (across.size() == 1) continue;
            split = true;
            for (const ChunkKey& key : across) fine.emplace(key, this->chunk(key));
        }
        return split;
    }

private:
    std::unordered_map<ChunkKey, std::shared_ptr<Chunk>, ChunkKeyHasher> chunks_;
};

struct Coverage {
    std::size_t faces = 0;
    int split = 0, levelSteps = 0;
};

// Meshes every key with the reference mesher, then with the fast one on five
// workers at once, as in the program, each with its own cache and output kept
// from chunk to chunk; the faces must match bit for bit, corners and sides.
Coverage expectSameMeshes(ChunkWorld& world, const std::vector<ChunkKey>& keys) {
    Coverage coverage;
    std::vector<FineNeighbourMap> fine(keys.size());
    std::vector<KeptFaces> references;
    for (std::size_t k = 0; k < keys.size(); ++k) {
        Chunk& chunk = *world.chunk(keys[k]);
        coverage.split += world.wire(chunk, fine[k]);
        coverage.levelSteps += chunk.levelStepInShell;
        ColumnDirectionCache cache;
        MesherOutput output;
        references.push_back(facesWith(Mesher::Reference, chunk, &fine[k], cache, output));
        coverage.faces += references.back().sides.size();
    }
    constexpr std::size_t workerCount = 5;
    std::vector<KeptFaces> fast(keys.size());
    std::vector<std::thread> workers;
    for (std::size_t w = 0; w < workerCount; ++w) {
        workers.emplace_back([&, w] {
            ColumnDirectionCache cache;
            MesherOutput output;
            for (std::size_t k = w; k < keys.size(); k += workerCount) {
                fast[k] = facesWith(Mesher::Fast, *world.chunk(keys[k]), &fine[k], cache, output);
            }
        });
    }
    for (std::thread& worker : workers) worker.join();
    for (std::size_t k = 0; k < keys.size(); ++k) {
        const ChunkKey& key = keys[k];
        EXPECT_TRUE(test::sameBits(references[k].corners, fast[k].corners) &&
                    references[k].sides == fast[k].sides)
            << "chunk (" << key.x << ", " << key.shell << ", " << key.y << ", face " << int{key.face} << "): "
            << references[k].sides.size() << " and " << fast[k].sides.size() << " faces";
    }
    return coverage;
}

TEST(MesherEqualityTest, MadeUpChunksEverywhere) {
    ChunkWorld world;
    std::vector<ChunkKey> keys;
    const auto mesh = [&](const ChunkKey& key, Pattern pattern) {
        keys.push_back(key);
        world.put(patterned(key, pattern));
    };
    // Level steps inside shells 1, 2, 5, 10 and 20 (radii 40, 81, 162, 325,
    // 651); outward of shells 4, 9 and 19 the chunk grid doubles.
    for (std::uint32_t shell : {1u, 2u, 4u, 5u, 9u, 10u, 19u, 20u}) {
        const auto side = static_cast<std::uint32_t>(chunksPerSide(shell));
        mesh({side / 2, shell, side / 3, 2}, Pattern::Terrain);
        mesh({0, shell, side - 1, 4}, Pattern::Dense);
        mesh({side - 1, shell, 0, 1}, Pattern::Random);
    }
    const std::uint32_t last = static_cast<std::uint32_t>(chunksPerSide(12)) - 1;
    const std::pair<std::uint32_t, std::uint32_t> corners[4] = {{0, 0}, {last, last}, {0, last}, {last, 0}};
    for (std::uint8_t face = 0; face < 6; ++face) {
        // A chunk on each edge of the face and one in a corner, solid voxels
        // on every border and air among them.
        for (const auto& [x, y] : {std::pair{0u, 5u}, std::pair{last, 6u}, std::pair{7u, 0u}, std::pair{8u, last},
                                   corners[face % 4]}) {
            mesh({x, 12, y, face}, face == 4 ? Pattern::Dense : Pattern::Terrain);
        }
        // Every pattern in shell 0 (layers of 1 to 32 columns, layer 0 the
        // centre voxel) and mid-face; rock on the shared block among mixed
        // chunks, under air and over sparse rock.
        mesh({0, 0, 0, face}, static_cast<Pattern>(face));
        mesh({3u + face, 13, 9, 4}, static_cast<Pattern>(face));
        mesh({2u + face, 7, 3, 2}, face % 2 == 0 ? Pattern::ConstantSolid : Pattern::Random);
    }
    world.put(patterned({2, 8, 3, 2}, Pattern::ConstantAir));
    world.put(patterned({2, 6, 3, 2}, Pattern::Sparse));

    const Coverage coverage = expectSameMeshes(world, keys);
    EXPECT_EQ(coverage.levelSteps, 5 * 3 + 6);
    EXPECT_GE(coverage.split, 3 * 3);
    EXPECT_GT(coverage.faces, 200000u);
    EXPECT_FALSE(world.chunk({2, 7, 3, 2})->voxels.ownsBlock());

    // A solid centre voxel in air: its inward side collapses to a point.
    ChunkWorld centre;
    for (std::uint8_t face = 0; face < 6; ++face) centre.put(patterned({0, 0, 0, face}, Pattern::ConstantAir));
    centre.put(patterned({0, 1, 0, 3}, Pattern::ConstantAir));
    centre.chunk({0, 0, 0, 3})->voxel(0, 0, 0) = Voxel{-1.0f, {5, 6, 7}};
    EXPECT_EQ(expectSameMeshes(centre, {{0, 0, 0, 3}}).faces, 6u);
}

// Rock whose neighbours are all rock shows nothing, and the fast mesher
// need not look: inside a face, across a face edge and under a finer shell.
// With one finer chunk of air above, the sides show again; and below a
// level step inside a shell (shell 0 has five) the outward sides show
// whatever lies above.
TEST(MesherEqualityTest, RockAmongRockShowsNothing) {
    const auto rockAround = [](ChunkWorld& world, const ChunkKey& key) {
        world.put(patterned(key, Pattern::ConstantSolid));
        for (const Direction side : allDirections) {
            for (const ChunkKey& across : chunkKeysAcross(key, side)) {
                world.put(patterned(across, Pattern::ConstantSolid));
            }
        }
    };
    const std::vector<ChunkKey> keys = {{5, 12, 5, 0}, {0, 12, 15, 4}, {3, 9, 5, 2}};
    ChunkWorld rock;
    for (const ChunkKey& key : keys) rockAround(rock, key);
    const Coverage coverage = expectSameMeshes(rock, keys);
    EXPECT_EQ(coverage.faces, 0u);
    EXPECT_EQ(coverage.split, 1);

    for (const ChunkKey& stepped : {ChunkKey{0, 0, 0, 3}, ChunkKey{1, 10, 2, 5}}) {
        rockAround(rock, stepped);
        ASSERT_TRUE(rock.chunk(stepped)->levelStepInShell);
        ASSERT_FALSE(rock.chunk(stepped)->voxels.ownsBlock());
        EXPECT_GT(expectSameMeshes(rock, {stepped}).faces, 0u);
    }

    ChunkWorld opened;
    const ChunkKey underFiner{3, 9, 5, 2};
    opened.put(patterned(chunkKeysAcross(underFiner, Direction::Outward)[2], Pattern::ConstantAir));
    rockAround(opened, underFiner);
    EXPECT_EQ(expectSameMeshes(opened, {underFiner}).faces, 16u * 16u);
}

TEST(MesherEqualityTest, AMissingNeighbourFailsAlike) {
    // A finer chunk across the split outward side, or a side neighbour (and
    // no map of finer chunks at all).
    for (const ChunkKey& key : {ChunkKey{3, 9, 5, 2}, ChunkKey{4, 12, 4, 1}}) {
        ChunkWorld world;
        world.put(patterned(key, Pattern::Dense));
        Chunk& chunk = *world.chunk(key);
        FineNeighbourMap fine;
        const bool split = world.wire(chunk, fine);
        if (split) fine.erase(fine.begin());
        if (!split) chunk.neighbours[Direction::MinusX] = nullptr;
        for (const Mesher mesher : {Mesher::Reference, Mesher::Fast}) {
            MesherOutput output;
            ColumnDirectionCache cache;
            try {
                facesWith(mesher, chunk, split ? &fine : nullptr, cache, output);
                ADD_FAILURE() << "expected std::out_of_range from mesher " << static_cast<int>(mesher);
            } catch (const std::out_of_range& error) {
                EXPECT_STREQ(error.what(), missingHoldingChunkText);
            }
            EXPECT_EQ(output.faces.count, 0u);
        }
    }
}

}  // namespace
}  // namespace gravelkin::test
