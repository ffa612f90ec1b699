// The manager's pass driven by hand, on one thread, against a planet without
// threads: the test plays the factories, popping, serving and finishing
// requests itself; and its retries after a failure to get memory or a buffer.

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "camera/camera.h"
#include "camera/distance.h"
#include "factory/chunk_factory.h"
#include "geometry/level_table.h"
#include "geometry/position_lookup.h"
#include "planet/chunks_within.h"
#include "planet/manager.h"
#include "planet/retry_backoff.h"
#include "tests/support/distance_boundary.h"
#include "tests/support/test_chunks.h"
#include "tests/support/test_planet.h"

namespace gravelkin::test {
namespace {

std::vector<ChunkRequest> popAll(TestState& planet) {
    PlanetFactorySide factories = planet.factorySide();
    std::vector<ChunkRequest> records;
    ChunkRequest popped;
    while (factories.tryPopRequest(popped)) records.push_back(popped);
    return records;
}

// Keys of face 3, shell 12 and up: far from a camera at the start, on face 1.
ChunkKey farKey(std::uint32_t i) { return ChunkKey{i % 16, 12 + i / 256, (i / 16) % 16, 3}; }

class ManagerTest : public ::testing::Test {
protected:
    static constexpr float radius = 100.0f;

    static float dropThreshold() { return radius * radius * Manager::dropFactor; }

    TestPosition position;
    NullGraphicsDevice device;
    TestState planet{device, radius};
    PlanetFactorySide factories = planet.factorySide();
    PlanetManagerSide managerSide = planet.managerSide();
    Manager manager{planet.managerSide()};
    const ChunkKey own = chunkKeyAt(cameraStartPosition.x, cameraStartPosition.y, cameraStartPosition.z);
};

TEST_F(ManagerTest, OnlyTheFirstScanRequestsTheCameraChunk) {
    for (int o = 0; o < 8; ++o) {
        TestState fresh(device, radius);
        Manager scanning(fresh.managerSide());
        scanning.scanOctant(octantScanOrder[o]);
        const std::vector<ChunkRequest> records = popAll(fresh);
        const auto found = std::find_if(records.begin(), records.end(),
                                        [&](const ChunkRequest& r) { return r.key == own; });
        if (o == 0) {
            ASSERT_NE(found, records.end());
            EXPECT_EQ(found->kind, RequestKind::Generate);
            EXPECT_EQ(found->priority, distanceSquared(cameraStartPosition, chunkCentre(own)));
        } else {
            EXPECT_EQ(found, records.end()) << "octant " << o;
        }
        for (const ChunkRequest& r : records) {
            EXPECT_LE(r.priority, radius * radius);
            EXPECT_TRUE(fresh.managerSide().isInFlight(r.key));
        }
    }
}

// At rest the walk is replayed from the keys it last found not held; it must
// request what a whole walk on a twin planet would, in the same order, while
// some requests come back as chunks, some end without one and the rest stay
// in flight, and after the camera moves. Keys left in flight end one a
// round, most with a chunk, so that some replays trust their last looks and
// the next after a job without a chunk must not.
TEST_F(ManagerTest, AReplayedWalkRequestsWhatAWholeWalkWould) {
    TestState replayed(device, 160.0f);
    TestState walked(device, 160.0f);
    Manager replaying(replayed.managerSide());
    Manager walking(walked.managerSide());
    std::size_t requested = 0;
    std::vector<ChunkKey> waiting;
    auto serve = [&](const ChunkKey& key, JobEnd end) {
        for (TestState* state : {&replayed, &walked}) {
            PlanetFactorySide serving = state->factorySide();
            if (end == JobEnd::ChunkInMap) {
                ASSERT_TRUE(serving.addChunk(std::make_unique<Chunk>(key)));
            }
            serving.finishRequest(key, end);
        }
    };
    auto round = [&](int pass) {
        replaying.walk();
        for (const Octant& octant : octantScanOrder) walking.scanOctant(octant);
        const std::vector<ChunkRequest> got = popAll(replayed);
        const std::vector<ChunkRequest> want = popAll(walked);
        ASSERT_EQ(got.size(), want.size()) << "pass " << pass;
        for (std::size_t i = 0; i < got.size(); ++i) {
            ASSERT_TRUE(got[i].key == want[i].key && got[i].priority == want[i].priority) << "pass " << pass;
        }
        for (std::size_t i = 0; i < got.size(); ++i) {
            if (i % 3 == 2) {
                waiting.push_back(got[i].key);
            } else {
                serve(got[i].key, i % 3 == 0 || pass >= 3 ? JobEnd::ChunkInMap : JobEnd::NoChunk);
            }
        }
        if (!waiting.empty()) {
            serve(waiting.front(), pass % 3 == 0 ? JobEnd::NoChunk : JobEnd::ChunkInMap);
            waiting.erase(waiting.begin());
        }
        replaying.takeOverPublished();
        walking.takeOverPublished();
        requested += got.size();
    };
    for (int pass = 0; pass < 12; ++pass) round(pass);
    position.set(Vec3{40.0f, 390.0f, -25.0f});
    for (int pass = 12; pass < 18; ++pass) round(pass);
    EXPECT_GT(requested, 300u);
}

// At rest a pass looks only at new arrivals and chunks still waiting for a
// mesh, and must miss none of them.
TEST_F(ManagerTest, AtRestEveryChunkAwaitingAMeshIsAskedForAndAFarArrivalIsDropped) {
    manager.pass();
    for (const ChunkRequest& r : popAll(planet)) {
        ASSERT_TRUE(factories.addChunk(std::make_unique<Chunk>(r.key)));
        factories.finishRequest(r.key);
    }
    KeySet meshable;
    planet.forEachChunk([&](const Chunk& chunk) {
        if (distanceSquared(testPosition(), chunk.centre) <= dropThreshold() && planet.neighboursPublished(chunk.key)) {
            meshable.insert(chunk.key);
        }
    });
    ASSERT_GT(meshable.size(), 10u);
    auto meshRequests = [&] {
        KeySet keys;
        for (const ChunkRequest& r : popAll(planet)) {
            if (r.kind == RequestKind::Mesh) keys.insert(r.key);
        }
        return keys;
    };
    manager.pass();
    EXPECT_EQ(meshRequests(), meshable) << "the arrivals";
    manager.pass();
    EXPECT_TRUE(meshRequests().empty()) << "all still in flight";
    for (const ChunkKey& key : meshable) factories.finishRequest(key);  // ended without a mesh
    manager.pass();
    EXPECT_EQ(meshRequests(), meshable) << "the chunks still waiting";

    // A chunk at the edge waits for neighbours never asked for: its mesh is
    // asked for once the last of them arrives, in whatever order they come.
    for (const ChunkKey& key : meshable) factories.finishRequest(key);
    ChunkKey edge{};
    std::vector<ChunkKey> missing;
    planet.forEachChunk([&](const Chunk& chunk) {
        if (!missing.empty() || distanceSquared(testPosition(), chunk.centre) > dropThreshold()) return;
        std::vector<ChunkKey> absent;
        for (const ChunkKey& key : meshNeighbourKeys(chunk.key)) {
            if (planet.findChunk(key) == nullptr) absent.push_back(key);
        }
        if (absent.size() >= 2) {
            edge = chunk.key;
            missing = absent;
        }
    });
    ASSERT_GE(missing.size(), 2u);
    manager.pass();
    popAll(planet);
    for (std::size_t k = missing.size(); k-- > 0;) {
        ASSERT_TRUE(factories.addChunk(std::make_unique<Chunk>(missing[k])));
        manager.pass();
        EXPECT_EQ(meshRequests().count(edge), k == 0 ? 1u : 0u) << "with " << k << " neighbours missing";
    }

    const ChunkKey far = farKey(0);
    ASSERT_GT(distanceSquared(testPosition(), chunkCentre(far)), dropThreshold());
    ASSERT_TRUE(factories.addChunk(std::make_unique<Chunk>(far)));
    const std::uint64_t erased = planet.stats().erasedChunks;
    manager.pass();
    EXPECT_EQ(planet.stats().erasedChunks, erased + 1);
    EXPECT_EQ(planet.findChunk(far), nullptr);
}

TEST_F(ManagerTest, ErasesAtMostSixtyFourFarChunksAPassAndRebuildsAfterTwoHundredFiftySix) {
    constexpr std::uint32_t farCount = 260;
    for (std::uint32_t i = 0; i < farCount; ++i) {
        std::unique_ptr<Chunk> chunk = chunkWithBuffer(farKey(i), device);
        chunk->meshPending.store(true);  // and most have every neighbour
        ASSERT_TRUE(factories.addChunk(std::move(chunk)));
    }
    // In flight: never erased, however far.
    const ChunkKey held = farKey(0);
    managerSide.request(held, RequestKind::Mesh, 0.0f);

    for (int pass = 1; pass <= 4; ++pass) {
        manager.pass();
        // Far chunks waiting their turn to go must not cost meshes every pass.
        EXPECT_EQ(planet.stats().meshRequests, 0u) << "a far chunk was given a mesh";
        EXPECT_EQ(planet.stats().erasedChunks, 64u * pass);
        EXPECT_EQ(manager.eraseCount(), 64 * pass);
        EXPECT_EQ(planet.stats().drawListRebuilds, 0u);
    }
    // Past 256 erased the draw list is rebuilt.
    manager.pass();
    EXPECT_EQ(planet.stats().erasedChunks, 259u);
    EXPECT_EQ(planet.stats().drawListRebuilds, 1u);
    EXPECT_EQ(manager.eraseCount(), 0);
    EXPECT_EQ(planet.chunkCount(), 1u);
    EXPECT_NE(planet.findChunk(held), nullptr);
    EXPECT_EQ(planet.drawListSnapshot(), std::vector<ChunkKey>{held});
    EXPECT_EQ(device.liveBuffers(), 1);

    factories.finishRequest(held);
    manager.pass();
    EXPECT_EQ(planet.chunkCount(), 0u);
    EXPECT_EQ(device.liveBuffers(), 0);
}

// With the camera still, passes after the first look only at the far chunks
// left over: those that arrive meanwhile, beyond what a batch takes, must
// join them.
TEST_F(ManagerTest, FarChunksArrivingWhileOthersWaitToGoAreDroppedToo) {
    const auto addFar = [&](std::uint32_t first, std::uint32_t count) {
        for (std::uint32_t i = first; i < first + count; ++i) {
            ASSERT_TRUE(factories.addChunk(std::make_unique<Chunk>(farKey(i))));
        }
    };
    addFar(0, 100);
    manager.pass();
    EXPECT_EQ(planet.stats().erasedChunks, 64u);
    addFar(100, 100);
    for (std::uint64_t pass = 2; pass <= 3; ++pass) {
        manager.pass();
        EXPECT_EQ(planet.stats().erasedChunks, 64u * pass);
    }
    manager.pass();
    EXPECT_EQ(planet.stats().erasedChunks, 200u);
    EXPECT_EQ(planet.chunkCount(), 0u);
}

TEST_F(ManagerTest, AShrinkOfTheRadiusDropsItsChunksAtTheOverBudgetRateUntilTheyAreDone) {
    constexpr std::uint32_t farCount = 3000;
    for (std::uint32_t i = 0; i < farCount; ++i) {
        auto chunk = std::make_unique<Chunk>(farKey(i), airVoxel);
        chunk->chargeTo(factories.memoryLedger());
        ASSERT_TRUE(factories.addChunk(std::move(chunk)));
    }
    // A request left waiting: the planet is over its budget, not starved.
    managerSide.request(ChunkKey{0, 12, 0, 1}, RequestKind::Generate, 0.0f);
    const std::uint64_t held = planet.memoryBytes();
    ASSERT_GT(held, 0u);
    planet.setMemoryBudget(held / 2);

    manager.pass();
    EXPECT_LT(planet.effectiveRadius(), radius);
    EXPECT_EQ(planet.stats().erasedChunks, Manager::overBudgetEraseBatchLimit);
    ASSERT_LT(planet.memoryBytes(), held / 2) << "the rest is dropped within the budget";
    // Within the budget now, but the shrink's drops go on at the same rate.
    manager.pass();
    EXPECT_EQ(planet.stats().erasedChunks, farCount);
}

TEST_F(ManagerTest, KeepsAChunkExactlyAtTheDropDistance) {
    const ChunkKey key{7, 12, 8, 1};
    const Vec3 centre = chunkCentre(key);
    const DistanceBoundary x = test::boundaryAlongX(centre, dropThreshold());
    position.set(Vec3{x.within, centre.y, centre.z});
    ASSERT_TRUE(factories.addChunk(std::make_unique<Chunk>(key)));
    manager.pass();
    EXPECT_NE(planet.findChunk(key), nullptr);
    position.set(Vec3{x.beyond, centre.y, centre.z});
    manager.pass();
    EXPECT_EQ(planet.findChunk(key), nullptr);
}

TEST_F(ManagerTest, ReprioritisesByTheCameraPositionNowEveryThirtyThirdPass) {
    for (int pass = 1; pass <= 32; ++pass) manager.pass();
    EXPECT_EQ(planet.stats().reprioritisations, 0u);
    popAll(planet);
    const std::vector<ChunkKey> keys = {{7, 12, 8, 1}, {0, 12, 0, 3}, {3, 9, 4, 1}, {15, 20, 2, 0}};
    float stale = 1.0f;  // stale priorities, in the wrong order
    for (const ChunkKey& key : keys) managerSide.request(key, RequestKind::Generate, stale++);
    manager.reprioritise();
    const std::vector<ChunkRequest> records = popAll(planet);
    ASSERT_EQ(records.size(), keys.size());
    for (std::size_t i = 0; i < records.size(); ++i) {
        EXPECT_EQ(records[i].priority, distanceSquared(testPosition(), chunkCentre(records[i].key)));
        EXPECT_LE(records[i > 0 ? i - 1 : 0].priority, records[i].priority);
    }
    manager.pass();
    EXPECT_EQ(planet.stats().reprioritisations, 2u);
}

// A key published while a rebuild runs must be in the draw list that the
// rebuild installs (or appended to it afterwards), never lost with the array
// it replaced.
TEST_F(ManagerTest, RebuildKeepsKeysPublishedMeanwhile) {
    constexpr std::uint32_t count = 96;
    std::atomic<std::uint32_t> published{0};
    std::thread publisher([&] {
        for (std::uint32_t i = 0; i < count; ++i) {
            factories.addChunk(std::make_unique<Chunk>(farKey(i)));
            published.store(i + 1, std::memory_order_release);
        }
    });
    std::uint32_t lost = 0;
    std::uint32_t seen = 0;
    while (seen < count) {
        seen = published.load(std::memory_order_acquire);
        manager.rebuildDrawList();
        const std::vector<ChunkKey> drawn = planet.drawListSnapshot();
        const KeySet drawnSet(drawn.begin(), drawn.end());
        for (std::uint32_t i = 0; i < seen; ++i) lost += drawnSet.count(farKey(i)) == 0;
    }
    publisher.join();
    EXPECT_EQ(lost, 0u);
    EXPECT_EQ(manager.residentCount(), count);
}

TEST_F(ManagerTest, RequestsAChunkAgainOnceItWasDroppedAndComesBackIntoRange) {
    ASSERT_TRUE(factories.addChunk(chunkWithBuffer(own, device)));
    manager.pass();
    auto requestedOwn = [&] {
        const std::vector<ChunkRequest> records = popAll(planet);
        for (const ChunkRequest& r : records) factories.finishRequest(r.key);
        return std::any_of(records.begin(), records.end(), [&](const ChunkRequest& r) { return r.key == own; });
    };
    EXPECT_FALSE(requestedOwn()) << "a present chunk was requested";

    position.set(Vec3{0.0f, -400.0f, 0.0f});  // the far side of the planet
    manager.pass();
    EXPECT_EQ(planet.findChunk(own), nullptr);
    requestedOwn();

    position.set(cameraStartPosition);
    manager.pass();
    EXPECT_TRUE(requestedOwn()) << "the dropped chunk was not requested again";
}

// Chunks published by the rules are sound; each lost draw key and each chunk
// the manager never took over is a violation.
TEST_F(ManagerTest, TheAuditCountsLostDrawKeysAndChunksNeitherResidentNorHandedOver) {
    for (std::uint32_t i = 0; i < 12; ++i) factories.addChunk(std::make_unique<Chunk>(farKey(i)));
    manager.takeOverPublished();
    manager.audit();
    EXPECT_EQ(planet.stats().audits, 1u);
    EXPECT_EQ(planet.stats().auditViolations, 0u);

    ::testing::internal::CaptureStderr();
    // A draw list without two of the resident keys.
    std::vector<ChunkKey>& spare = managerSide.spareDrawList();
    spare = planet.drawListSnapshot();
    spare.erase(spare.begin(), spare.begin() + 2);
    std::vector<std::shared_ptr<Chunk>> nonePublished;
    managerSide.installSpareDrawList(nonePublished);
    manager.audit();
    EXPECT_EQ(planet.stats().auditViolations, 2u);
    for (std::uint32_t i = 12; i < 24; ++i) factories.addChunk(std::make_unique<Chunk>(farKey(i)));
    std::vector<std::shared_ptr<Chunk>> takenBehindItsBack;
    managerSide.takeOverPublished(takenBehindItsBack);
    manager.audit();
    const std::string report = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(planet.stats().auditViolations, 5u);
    EXPECT_NE(report.find("not in the draw list"), std::string::npos) << report;
    EXPECT_NE(report.find("neither resident nor about to be handed over"), std::string::npos) << report;
}

// Keys in flight with no record are counted once they outnumber the jobs a
// planet can have under way.
TEST_F(ManagerTest, TheAuditCountsRequestsNeverFinished) {
    for (std::uint32_t i = 0; i < 24; ++i) managerSide.request(farKey(i), RequestKind::Generate, float(i));
    manager.audit();
    EXPECT_EQ(planet.stats().auditViolations, 0u);

    ChunkRequest popped;
    for (int i = 0; i < 8; ++i) ASSERT_TRUE(factories.tryPopRequest(popped));
    manager.audit();
    EXPECT_EQ(planet.stats().auditViolations, 0u) << "eight jobs under way are not a leak";
    ::testing::internal::CaptureStderr();
    ASSERT_TRUE(factories.tryPopRequest(popped));
    manager.audit();
    const std::string report = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(planet.stats().auditViolations, 1u);
    EXPECT_NE(report.find("neither a queued record nor a job"), std::string::npos) << report;
}

TEST(RetryBackoffTest, TheDelayDoublesWithEachFailureUpToTheCap) {
    EXPECT_EQ(retryDelayPasses(0), 0u);
    EXPECT_EQ(retryDelayPasses(1), 8u);
    for (std::uint32_t failures = 1; failures < 100; ++failures) {
        const std::uint32_t now = retryDelayPasses(failures);
        const std::uint32_t next = retryDelayPasses(failures + 1);
        EXPECT_EQ(next, now * 2 > retryDelayCap ? retryDelayCap : now * 2) << failures;
    }
    EXPECT_EQ(retryDelayPasses(0xFFFFFFFFu), retryDelayCap);
    // A few seconds at 10-20 ms a pass.
    EXPECT_LE(retryDelayCap, 512u);
}

// A chunk as a generate job builds it: bare voxels, but a known fill state
// (a placeholder's is Unknown).
std::unique_ptr<Chunk> builtChunk(const ChunkKey& key) {
    auto chunk = std::make_unique<Chunk>(key);
    chunk->fillState = ChunkFillState::Mixed;
    return chunk;
}

// The retries after a failure to get memory or a buffer. The exact pass
// counts here pin the backoff table's arithmetic too.
class ManagerRetryTest : public ManagerTest {
protected:
    // One pass, then every request it left is popped and finished without a
    // chunk, but those of `key` as `kind`: whether there was one.
    bool passRequesting(const ChunkKey& key, RequestKind kind) {
        manager.pass();
        bool requested = false;
        ChunkRequest popped;
        while (factories.tryPopRequest(popped)) {
            if (popped.key == key && popped.kind == kind) {
                requested = true;
            } else {
                factories.finishRequest(popped.key);
            }
        }
        return requested;
    }

    // Passes until one requests `key` as `kind`: how many ran, or 0 when
    // `limit` ran without.
    int passesUntilRequested(const ChunkKey& key, RequestKind kind, int limit = 1000) {
        for (int passes = 1; passes <= limit; ++passes) {
            if (passRequesting(key, kind)) return passes;
        }
        return 0;
    }
};

// A placeholder within the radius stands for the delay of its key's failures
// so far, counted from the pass that takes it over; then it is erased and
// its chunk requested again.
TEST_F(ManagerRetryTest, APlaceholderIsErasedAndRequestedAgainAfterAGrowingDelay) {
    ASSERT_EQ(passesUntilRequested(own, RequestKind::Generate), 1);
    for (std::uint32_t failures = 1; failures <= 3; ++failures) {
        ASSERT_TRUE(factories.addChunk(skippedChunk(own)));
        factories.finishRequest(own);
        EXPECT_EQ(passesUntilRequested(own, RequestKind::Generate), int(retryDelayPasses(failures)) + 1)
            << "failure " << failures;
        EXPECT_EQ(planet.findChunk(own), nullptr) << "the placeholder was not erased";
        EXPECT_EQ(planet.stats().chunkRetries, failures);
    }
    ASSERT_TRUE(factories.addChunk(builtChunk(own)));
    factories.finishRequest(own);
    EXPECT_EQ(passesUntilRequested(own, RequestKind::Generate, 300), 0);
    EXPECT_TRUE(manager.skippedRetries().empty());
    EXPECT_EQ(planet.stats().chunkRetries, 3u);
    EXPECT_NE(planet.findChunk(own), nullptr);
}

// A planet that counts as converged has no hole left: a waiting placeholder
// keeps the passes from being quiet.
TEST_F(ManagerRetryTest, NoPassIsQuietWhileARetryWaits) {
    for (const ChunkKey& key : chunkKeysWithin(cameraStartPosition, radius)) {
        std::unique_ptr<Chunk> chunk = key == own ? skippedChunk(own) : builtChunk(key);
        chunk->meshPending.store(false);
        ASSERT_TRUE(factories.addChunk(std::move(chunk)));
    }
    for (std::uint32_t pass = 1; pass <= retryDelayPasses(1); ++pass) {
        manager.pass();
        ASSERT_TRUE(planet.idle()) << "pass " << pass;
        EXPECT_EQ(planet.stats().quietPasses, 0u) << "pass " << pass;
    }
    EXPECT_TRUE(passRequesting(own, RequestKind::Generate));
    EXPECT_EQ(planet.stats().quietPasses, 0u);
    std::unique_ptr<Chunk> built = builtChunk(own);
    built->meshPending.store(false);
    ASSERT_TRUE(factories.addChunk(std::move(built)));
    factories.finishRequest(own);
    for (int pass = 0; pass < 3; ++pass) manager.pass();
    EXPECT_EQ(planet.stats().quietPasses, 3u);
    EXPECT_TRUE(manager.skippedRetries().empty());
}

// Beyond the radius (yet within the drop distance) a placeholder is not
// needed: it stays, and is retried once the camera comes back.
TEST_F(ManagerRetryTest, APlaceholderBeyondTheRadiusWaitsForTheCamera) {
    ASSERT_EQ(passesUntilRequested(own, RequestKind::Generate), 1);
    ASSERT_TRUE(factories.addChunk(skippedChunk(own)));
    factories.finishRequest(own);
    const Vec3 centre = chunkCentre(own);
    position.set(Vec3{centre.x + radius * 1.1f, centre.y, centre.z});
    EXPECT_EQ(passesUntilRequested(own, RequestKind::Generate, 100), 0);
    EXPECT_NE(planet.findChunk(own), nullptr);
    position.set(cameraStartPosition);
    EXPECT_EQ(passesUntilRequested(own, RequestKind::Generate, 2), 1) << "its delay is long over";
    EXPECT_EQ(planet.findChunk(own), nullptr);
}

// A chunk whose buffer could not be created gets its Mesh request again
// after the delay of its count, from the pass that first sees that count.
TEST_F(ManagerRetryTest, AFailedBufferIsMeshedAgainAfterAGrowingDelay) {
    auto failed = builtChunk(own);
    failed->bufferFailures.store(1);
    ASSERT_TRUE(factories.addChunk(std::move(failed)));
    for (const ChunkKey& key : meshNeighbourKeys(own)) {
        ASSERT_TRUE(factories.addChunk(builtChunk(key)));
    }
    const std::shared_ptr<Chunk> chunk = factories.findChunk(own);
    for (std::uint32_t failures = 1; failures <= 3; ++failures) {
        EXPECT_EQ(passesUntilRequested(own, RequestKind::Mesh), int(retryDelayPasses(failures)) + 1)
            << "failure " << failures;
        EXPECT_EQ(planet.stats().meshRetries, failures);
        chunk->bufferFailures.store(failures + 1);  // the retry failed too
        factories.finishRequest(own);
    }
    // Failed four times: the last retry succeeds.
    EXPECT_EQ(passesUntilRequested(own, RequestKind::Mesh), int(retryDelayPasses(4)) + 1);
    chunk->meshPending.store(false);
    factories.finishRequest(own);
    EXPECT_EQ(passesUntilRequested(own, RequestKind::Mesh, 300), 0);
    EXPECT_TRUE(manager.meshRetries().empty());
    EXPECT_EQ(planet.stats().meshRetries, 4u);
}

}  // namespace
}  // namespace gravelkin::test
