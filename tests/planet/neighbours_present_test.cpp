#include <gtest/gtest.h>

#include <vector>

#include "geometry/level_table.h"
#include "geometry/neighbours.h"
#include "planet/neighbours_present.h"
#include "tests/support/test_chunks.h"

namespace gravelkin::test {
namespace {

void insertAll(ChunkMap& chunks, const std::vector<ChunkKey>& keys) {
    // Presence is all that is tested: the entries need no chunk.
    for (const ChunkKey& key : keys) chunks.insert(std::make_pair(key, std::shared_ptr<Chunk>()));
}

TEST(NeighboursPresentTest, InsideAFaceNeedsTheSixAdjacentChunks) {
    const ChunkKey key{5, 12, 5, 0};
    const std::vector<ChunkKey> expected = {{5, 12, 6, 0}, {5, 13, 5, 0}, {5, 12, 4, 0},
                                            {5, 11, 5, 0}, {4, 12, 5, 0}, {6, 12, 5, 0}};
    ASSERT_EQ(test::meshNeighbourKeys(key), expected);
    ChunkMap chunks;
    EXPECT_FALSE(neighboursPresent(chunks, key));
    insertAll(chunks, expected);
    EXPECT_TRUE(neighboursPresent(chunks, key));
    // The chunk itself need not be present.
    EXPECT_EQ(chunks.count(key), 0u);
}

// Inside a face, across a face edge, below a finer shell (four chunks across
// the outward side), at the centre and at a cube corner.
TEST(NeighboursPresentTest, EachMissingNeighbourIsNoticed) {
    ASSERT_EQ(test::meshNeighbourKeys(ChunkKey{3, 9, 5, 2}).size(), 9u);
    for (const ChunkKey& key : {ChunkKey{5, 12, 5, 0}, ChunkKey{0, 12, 15, 4}, ChunkKey{3, 9, 5, 2},
                                ChunkKey{0, 0, 0, 3}, ChunkKey{15, 19, 0, 5}}) {
        const std::vector<ChunkKey> required = test::meshNeighbourKeys(key);
        for (std::size_t missing = 0; missing < required.size(); ++missing) {
            ChunkMap chunks;
            insertAll(chunks, required);
            ASSERT_TRUE(neighboursPresent(chunks, key));
            chunks.erase(required[missing]);
            EXPECT_FALSE(neighboursPresent(chunks, key)) << "missing neighbour " << missing;
        }
    }
}

}  // namespace
}  // namespace gravelkin::test
