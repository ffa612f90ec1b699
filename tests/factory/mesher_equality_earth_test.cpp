// The fast mesher against the reference one on real terrain: chunks of shells
// 9 to 16 built by the Earth generator through the build step, meshed against
// their real neighbours, on all six cube faces, along face edges and corners,
// across the level step of shell 10 and the split above shell 9.
#include <cstdint>
#include <memory>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "factory/chunk.h"
#include "factory/chunk_factory.h"
#include "geometry/column_direction_cache.h"
#include "geometry/level_table.h"
#include "terrain/terrain_generator_earth.h"
#include "tests/factory/mesh_comparison_support.h"

namespace gravelkin::test {
namespace {

const TerrainGeneratorEarth& earth() {
    static const TerrainGeneratorEarth generator;
    return generator;
}

// Every surface shell's keys on all six faces: the four face edges, a corner
// and the middle; the shells below (9: solid, split above; 10: a level step)
// and above (mostly air) a few each.
std::vector<ChunkKey> earthKeys() {
    std::vector<ChunkKey> keys;
    for (std::uint8_t face = 0; face < 6; ++face) {
        keys.push_back({0, 12, 3u + face, face});
        keys.push_back({15, 12, 9u + face % 4u, face});
        keys.push_back({5u + face, 12, 0, face});
        keys.push_back({10, 12, 15, face});
        keys.push_back({15, 12, 15, face});
        keys.push_back({7, 11, 8, face});
        keys.push_back({0, 11, 0, face});
        keys.push_back({7, 13, 8, face});
        keys.push_back({0, 13, 3u + face, face});
    }
    for (const ChunkKey& key : {ChunkKey{3, 9, 5, 2}, ChunkKey{0, 9, 7, 0}, ChunkKey{6, 10, 1, 1},
                                ChunkKey{15, 10, 0, 4}, ChunkKey{7, 14, 8, 1}, ChunkKey{0, 14, 5, 3},
                                ChunkKey{7, 15, 8, 1}, ChunkKey{15, 15, 15, 5}, ChunkKey{7, 16, 8, 1},
                                ChunkKey{0, 16, 0, 0}}) {
        keys.push_back(key);
    }
    return keys;
}

class EarthChunks : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        factory_ = new ChunkFactory;
        world_ = new ChunkWorld([](const ChunkKey& key) {
            return std::shared_ptr<Chunk>(factory_->buildChunk(key, earth()));
        });
    }
    static void TearDownTestSuite() {
        delete world_;
        delete factory_;
    }

    static ChunkFactory* factory_;
    static ChunkWorld* world_;
};

ChunkFactory* EarthChunks::factory_ = nullptr;
ChunkWorld* EarthChunks::world_ = nullptr;

TEST_F(EarthChunks, FastMeshEqualsReferenceBitForBit) {
    ColumnDirectionCache workerCache;  // kept from chunk to chunk, as a worker's
    std::size_t faces = 0;
    int mixed = 0;
    int split = 0;
    int levelSteps = 0;
    std::uint32_t shellsSeen = 0;
    for (const ChunkKey& key : earthKeys()) {
        SCOPED_TRACE(::testing::Message() << "chunk (" << key.x << ", " << key.shell << ", " << key.y << ", face "
                                          << int{key.face} << ")");
        Chunk& chunk = *world_->chunk(key);
        FineNeighbourMap fine;
        split += world_->wire(chunk, fine);
        ColumnDirectionCache referenceCache;
        const MeshResult reference = meshOnce(chunk, &fine, Mesher::Reference, referenceCache);
        const MeshResult fast = meshOnce(chunk, &fine, Mesher::Fast, workerCache);
        EXPECT_EQ(meshDifference(reference, fast), "");
        faces += reference.vertexCount / 6;
        mixed += chunk.fillState == ChunkFillState::Mixed;
        levelSteps += chunk.levelStepInShell;
        shellsSeen |= 1u << key.shell;
    }
    // The comparison covers real work: surface chunks with many faces, every
    // shell from 9 to 16, split sides and level steps.
    EXPECT_GE(mixed, 30);
    EXPECT_GE(faces, 40000u);
    EXPECT_GE(split, 2);
    EXPECT_GE(levelSteps, 2);
    EXPECT_EQ(shellsSeen, 0x1fe00u);
}

TEST_F(EarthChunks, MeshingAgainIntoTheSameScratchGivesTheSameMesh) {
    const ChunkKey key{0, 12, 3, 0};
    Chunk& chunk = *world_->chunk(key);
    FineNeighbourMap fine;
    world_->wire(chunk, fine);
    ColumnDirectionCache cache;
    const MeshResult first = meshOnce(chunk, &fine, Mesher::Fast, cache);
    // Something else in between, with a different face count.
    Chunk& other = *world_->chunk({7, 11, 8, 2});
    FineNeighbourMap otherFine;
    world_->wire(other, otherFine);
    meshOnce(other, &otherFine, Mesher::Fast, cache);
    const MeshResult second = meshOnce(chunk, &fine, Mesher::Fast, cache);
    EXPECT_GT(first.vertexCount, 0u);
    EXPECT_EQ(meshDifference(first, second), "");
}

TEST_F(EarthChunks, WorkersMeshingAtOnceGetTheReferenceMeshes) {
    // Five workers, as in the program, each with its own cache and chunks:
    // every fourth key of the list (it runs through all faces and shells).
    constexpr int workerCount = 5;
    std::vector<ChunkKey> keys;
    const std::vector<ChunkKey> all = earthKeys();
    for (std::size_t k = 0; k < all.size(); k += 4) keys.push_back(all[k]);
    std::vector<MeshResult> references;
    std::vector<FineNeighbourMap> fines(keys.size());
    for (std::size_t k = 0; k < keys.size(); ++k) {
        Chunk& chunk = *world_->chunk(keys[k]);
        world_->wire(chunk, fines[k]);
        ColumnDirectionCache cache;
        references.push_back(meshOnce(chunk, &fines[k], Mesher::Reference, cache));
    }
    std::vector<std::string> differences(keys.size());
    std::vector<std::thread> workers;
    for (int w = 0; w < workerCount; ++w) {
        workers.emplace_back([&, w] {
            ColumnDirectionCache cache;
            for (std::size_t k = static_cast<std::size_t>(w); k < keys.size(); k += workerCount) {
                const MeshResult fast = meshOnce(*world_->chunk(keys[k]), &fines[k], Mesher::Fast, cache);
                differences[k] = meshDifference(references[k], fast);
            }
        });
    }
    for (std::thread& worker : workers) worker.join();
    for (std::size_t k = 0; k < keys.size(); ++k) EXPECT_EQ(differences[k], "") << "key index " << k;
}

TEST_F(EarthChunks, SharingTheAirBlockChangesNoMesh) {
    // Hilltops of (15, 12, 15, face 3) reach its top layer, under
    // (15, 13, 15, face 3), which comes out all air and reads the shared air
    // block. Its generated voxels, kept in a block of its own, give the same
    // mesh.
    const ChunkKey key{15, 12, 15, 3};
    const ChunkKey above{15, 13, 15, 3};
    Chunk& chunk = *world_->chunk(key);
    const std::shared_ptr<Chunk> shared = world_->chunk(above);
    ASSERT_EQ(shared->fillState, ChunkFillState::AllAir);
    ASSERT_FALSE(shared->voxels.ownsBlock());

    ChunkFactory factory;
    resetForChunk(factory.cache, above);
    factory.cache.columnOffset = 0.5f;
    Chunk generated(above);
    generated.fillState = earth().generate(generated.key, generated.writableVoxels(), factory.cache);
    ASSERT_EQ(generated.fillState, ChunkFillState::AllAir);
    ASSERT_TRUE(generated.voxels.ownsBlock());

    FineNeighbourMap fine;
    world_->wire(chunk, fine);
    ColumnDirectionCache cache;
    const MeshResult withShared = meshOnce(chunk, &fine, Mesher::Reference, cache);
    chunk.neighbours[1] = &generated;
    const MeshResult withGenerated = meshOnce(chunk, &fine, Mesher::Reference, cache);
    const MeshResult fastWithGenerated = meshOnce(chunk, &fine, Mesher::Fast, cache);
    EXPECT_GT(withShared.vertexCount, 0u);
    EXPECT_EQ(meshDifference(withGenerated, withShared), "");
    EXPECT_EQ(meshDifference(withGenerated, fastWithGenerated), "");

    // The chunk above does decide sides: solid rock there hides some.
    const Chunk rock(above, Voxel{-1.0f, {1, 2, 3}});
    chunk.neighbours[1] = const_cast<Chunk*>(&rock);
    const MeshResult underRock = meshOnce(chunk, &fine, Mesher::Reference, cache);
    EXPECT_LT(underRock.vertexCount, withShared.vertexCount);
}

}  // namespace
}  // namespace gravelkin::test
