// The chunk map's key hashing and presence checks, the request queue, and
// the manager's table of visited keys: exact centres, held marks, and a
// bounded size that never forgets a held key.

#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <thread>
#include <vector>

#include "geometry/level_table.h"
#include "geometry/neighbours.h"
#include "planet/chunk_containers.h"
#include "planet/chunk_request_queue.h"
#include "planet/known_chunk_keys.h"
#include "planet/neighbours_present.h"
#include "tests/support/comparisons.h"
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
    EXPECT_TRUE(requests.finish(key, JobEnd::ChunkInMap));
    EXPECT_FALSE(requests.isInFlight(key));
    EXPECT_EQ(requests.endsWithoutChunk(), 0u);
    EXPECT_FALSE(requests.finish(key, JobEnd::NoChunk));
    // Counted whether or not a mark was left: the count only has to move.
    EXPECT_EQ(requests.endsWithoutChunk(), 1u);
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
            if (!requests.finish(popped.key, JobEnd::ChunkInMap)) unmarked.fetch_add(1);
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

// The manager reads the count of jobs that ended without a chunk, then looks
// at a key's mark, and trusts a key it found marked until the count moves.
// So a job is counted only once its mark is gone: whoever reads a count of n
// must find the n-th key unmarked.
TEST(ChunkRequestQueueTest, AJobWithoutAChunkIsCountedOnlyOnceItsMarkIsGone) {
    ChunkRequestQueue requests;
    constexpr std::uint32_t count = 50000;
    const auto key = [](std::uint32_t i) { return ChunkKey{i % 128, 12, i / 128, 2}; };
    for (std::uint32_t i = 0; i < count; ++i) requests.request(key(i), RequestKind::Generate, static_cast<float>(i));
    std::atomic<bool> done{false};
    std::uint64_t stillMarked = 0;
    std::uint64_t looks = 0;
    std::thread manager([&] {
        while (!done.load()) {
            const std::uint64_t ended = requests.endsWithoutChunk();
            if (ended == 0) continue;
            ++looks;
            if (requests.isInFlight(key(static_cast<std::uint32_t>(ended - 1)))) ++stillMarked;
        }
    });
    ChunkRequest popped;
    for (std::uint32_t i = 0; i < count; ++i) {
        ASSERT_TRUE(requests.tryPop(popped));  // smallest priority first: key(i)
        requests.finish(popped.key, JobEnd::NoChunk);
    }
    done = true;
    manager.join();
    EXPECT_GT(looks, 0u);
    EXPECT_EQ(stillMarked, 0u);
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
            EXPECT_EQ(firstMissingNeighbour(chunks, key), required[missing]);
        }
    }
}

// Distinct keys, spread over shells, faces and cells.
ChunkKey keyNumber(std::uint32_t n) {
    return ChunkKey{n % 16, 12 + n / 1536, (n / 16) % 16, static_cast<std::uint8_t>((n / 256) % 6)};
}

TEST(KnownChunkKeysTest, CentresAreExactlyTheComputedOnesAndStayPut) {
    KnownChunkKeys known;
    for (std::uint32_t n = 0; n < 20000; ++n) {  // several growths of the table
        const ChunkKey key = keyNumber(n);
        ASSERT_TRUE(sameBits(known(key).centre, chunkCentre(key))) << n;
        ASSERT_FALSE(known(key).held);
    }
    EXPECT_EQ(known.size(), 20000u);
    for (std::uint32_t n = 0; n < 20000; n += 97) {
        EXPECT_TRUE(sameBits(known(keyNumber(n)).centre, chunkCentre(keyNumber(n))));
    }
    EXPECT_EQ(known.size(), 20000u);  // looking up again adds nothing
}

TEST(KnownChunkKeysTest, HeldMarksFollowHoldAndRelease) {
    KnownChunkKeys known;
    const ChunkKey a{1, 12, 2, 3}, b{4, 13, 5, 0};
    known.setHeld(a, chunkCentre(a));
    EXPECT_TRUE(known(a).held);
    EXPECT_FALSE(known(b).held);
    known.setHeld(b, chunkCentre(b));
    known.setReleased(a);
    EXPECT_FALSE(known(a).held);
    EXPECT_TRUE(known(b).held);
    known.setReleased(ChunkKey{9, 9, 9, 1});  // never seen: nothing happens
    EXPECT_EQ(known.size(), 2u);
    known.setHeld(a, chunkCentre(a));  // held again after an erase
    EXPECT_TRUE(known(a).held);
    EXPECT_TRUE(sameBits(known(a).centre, chunkCentre(a)));
}

// Open space where the budget binds: the manager holds about as many chunks
// as the capacity, and each pass walks thousands more keys. The first pass
// crosses the capacity and may forget once; from then on every key walked
// stays known. A camera travelling far visits many more keys than the
// capacity: the table stays bounded, and no held key is forgotten.
TEST(KnownChunkKeysTest, StaysBoundedLeavesRoomForTheKeysAWalkVisitsAndNeverForgetsAHeldKey) {
    KnownChunkKeys known;
    const auto heldCount = static_cast<std::uint32_t>(KnownChunkKeys::capacity) - 16;
    for (std::uint32_t n = 0; n < heldCount; ++n) known.setHeld(keyNumber(n), chunkCentre(keyNumber(n)));
    constexpr std::uint32_t walked = 8000;
    for (int pass = 0; pass < 3; ++pass) {
        for (std::uint32_t n = heldCount; n < heldCount + walked; ++n) known(keyNumber(n));
        if (pass > 0) {
            EXPECT_EQ(known.size(), std::size_t{heldCount} + walked) << "pass " << pass;
        }
    }
    const std::uint32_t visited = 3 * static_cast<std::uint32_t>(KnownChunkKeys::capacity);
    for (std::uint32_t n = heldCount + walked; n < heldCount + walked + visited; ++n) {
        known(keyNumber(n));
        ASSERT_LE(known.size(), 2 * KnownChunkKeys::capacity);
    }
    const std::size_t before = known.size();
    for (std::uint32_t n = 0; n < heldCount; ++n) ASSERT_TRUE(known(keyNumber(n)).held) << n;
    EXPECT_EQ(known.size(), before) << "a held key had been forgotten";
}

}  // namespace
}  // namespace gravelkin::test
