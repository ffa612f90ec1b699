// The chunk map's key hashing and presence checks, and the request queue.

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "geometry/neighbours.h"
#include "planet/chunk_containers.h"
#include "planet/chunk_request_queue.h"
#include "planet/neighbours_present.h"
#include "tests/support/test_chunks.h"

namespace gravelkin::test {
namespace {

TEST(ChunkKeyHashCompareTest, HashesLikeTheStandardHasherAndComparesAllFourFields) {
    const ChunkKeyHashCompare hc;
    const ChunkKey key{7, 12, 8, 5};
    EXPECT_EQ(hc.hash(key), ChunkKeyHasher{}(key));
    EXPECT_TRUE(hc.equal(key, ChunkKey{7, 12, 8, 5}));
    for (const ChunkKey& other :
         {ChunkKey{6, 12, 8, 5}, ChunkKey{7, 13, 8, 5}, ChunkKey{7, 12, 9, 5}, ChunkKey{7, 12, 8, 4}}) {
        EXPECT_FALSE(hc.equal(key, other));
        EXPECT_NE(hc.hash(key), hc.hash(other));
    }
}

TEST(ChunkRequestQueueTest, TheMarkStaysFromTheFirstRequestUntilTheJobFinishes) {
    ChunkRequestQueue requests;
    const ChunkKey key{1, 12, 2, 3};
    requests.request(key, RequestKind::Generate, 25.0f);
    requests.request(key, RequestKind::Mesh, 1.0f);  // a second record, the same mark
    EXPECT_EQ(requests.queuedCount(), 2u);
    EXPECT_EQ(requests.inFlightCount(), 1u);
    InFlightMap::const_accessor mark;
    ASSERT_TRUE(requests.inFlight.find(mark, key));
    EXPECT_EQ(mark->second, RequestKind::Generate);
    mark.release();
    ChunkRequest popped;
    ASSERT_TRUE(requests.tryPop(popped));
    EXPECT_EQ(popped.kind, RequestKind::Mesh);  // the smaller priority first
    EXPECT_TRUE(requests.isInFlight(key));  // popping leaves the mark: it goes when the job ends
    EXPECT_TRUE(requests.finish(key));
    EXPECT_FALSE(requests.isInFlight(key));
    EXPECT_FALSE(requests.finish(key));
}

// A consumer that pops a record must always find its key marked: the mark is
// made before the record can be seen. (Were it made after, a consumer could
// finish the request before the mark, which would then stay for good.)
TEST(ChunkRequestQueueTest, MarksTheKeyBeforeTheRecordCanBePopped) {
    ChunkRequestQueue requests;
    constexpr std::uint32_t count = 20000;
    std::atomic<std::uint32_t> served{0};
    std::atomic<std::uint32_t> unmarked{0};
    std::thread consumer([&] {
        ChunkRequest popped;
        while (served.load() < count) {
            if (!requests.tryPop(popped)) continue;
            if (!requests.finish(popped.key)) unmarked.fetch_add(1);
            served.fetch_add(1);
        }
    });
    for (std::uint32_t i = 0; i < count; ++i) {
        requests.request(ChunkKey{i % 64, 12, i / 64, 1}, RequestKind::Generate, static_cast<float>(i));
    }
    consumer.join();
    EXPECT_EQ(unmarked.load(), 0u);
    EXPECT_EQ(requests.inFlightCount(), 0u);  // no mark outlived its request
}

// Presence is all that is tested: the entries need no chunk.
void insertAll(ChunkMap& chunks, const std::vector<ChunkKey>& keys) {
    for (const ChunkKey& key : keys) chunks.insert(std::make_pair(key, std::shared_ptr<Chunk>()));
}

// Inside a face (the six adjacent chunks), across a face edge, below a finer
// shell (four chunks across the outward side), at the centre and at a cube
// corner. The chunk itself need not be present.
TEST(NeighboursPresentTest, EachMissingNeighbourIsNoticed) {
    const std::vector<ChunkKey> inside = {{5, 12, 6, 0}, {5, 13, 5, 0}, {5, 12, 4, 0},
                                          {5, 11, 5, 0}, {4, 12, 5, 0}, {6, 12, 5, 0}};
    ASSERT_EQ(meshNeighbourKeys(ChunkKey{5, 12, 5, 0}), inside);
    ASSERT_EQ(meshNeighbourKeys(ChunkKey{3, 9, 5, 2}).size(), 9u);
    for (const ChunkKey& key : {ChunkKey{5, 12, 5, 0}, ChunkKey{0, 12, 15, 4}, ChunkKey{3, 9, 5, 2},
                                ChunkKey{0, 0, 0, 3}, ChunkKey{15, 19, 0, 5}}) {
        const std::vector<ChunkKey> required = meshNeighbourKeys(key);
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
