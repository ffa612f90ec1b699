#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <fstream>
#include <set>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "planet/planet.h"
#include "planet/planet_factory_host.h"
#include "planet/planet_state.h"
#include "planet/streaming_stats.h"
#include "tests/support/test_planet.h"

namespace gravelkin::test {
namespace {

// What the factories report of a chunk without voxel memory or without a
// buffer: each planet counts every one and writes one line for its first, so
// that a machine out of memory does not flood the log.
TEST(PlanetFactoryHostTest, CountsEveryFailureAndReportsEachKindOncePerPlanet) {
    NullGraphicsDevice device;
    for (int planetNumber = 0; planetNumber < 2; ++planetNumber) {
        TestState planet(device, 100.0f);
        PlanetFactoryHost host(planet.factorySide());
        const ChunkKey first{7, 12, 8, 1}, second{3, 10, 11, 4};
        ::testing::internal::CaptureStderr();
        host.reportSkippedChunk(first);
        host.reportFailedBuffer(second);
        const std::string firsts = ::testing::internal::GetCapturedStderr();
        EXPECT_EQ(std::count(firsts.begin(), firsts.end(), '\n'), 2) << firsts;
        EXPECT_NE(firsts.find("no memory for the voxels of chunk (x 7, shell 12, y 8, face 1)"), std::string::npos)
            << firsts;
        EXPECT_NE(firsts.find("could not create a vertex buffer for chunk (x 3, shell 10, y 11, face 4)"),
                  std::string::npos)
            << firsts;
        ::testing::internal::CaptureStderr();
        host.reportSkippedChunk(second);
        host.reportFailedBuffer(first);
        host.reportFailedBuffer(first);
        EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
        EXPECT_EQ(planet.stats().skippedChunks, 2u);
        EXPECT_EQ(planet.stats().failedBuffers, 3u);
    }
}

// Four publishers at once, each with twelve keys of its own and the same
// eight shared keys, one of them already published: every own key goes in,
// each shared key exactly once and the first chunk of a key stays; each
// duplicate is destroyed, once, with its buffer; the draw list matches the map.
TEST(PlanetStateTest, ConcurrentPublishersKeepTheFirstChunkOfEachKey) {
    NullGraphicsDevice device;
    {
        TestState planet(device, 100.0f);
        constexpr std::uint32_t threads = 4, own = 12, shared = 8;
        const ChunkKey first{0, 12, 9, 1};
        auto published = chunkWithBuffer(first, device);
        const Chunk* kept = published.get();
        ASSERT_TRUE(planet.factorySide().addChunk(std::move(published)));
        std::atomic<int> ownFailures{0}, sharedSuccesses{0};
        std::vector<std::thread> adders;
        for (std::uint32_t t = 0; t < threads; ++t) {
            adders.emplace_back([&, t] {
                PlanetFactorySide publisher = planet.factorySide();
                for (std::uint32_t i = 0; i < own; ++i) {
                    if (!publisher.addChunk(chunkWithBuffer(ChunkKey{i, 12, t, 1}, device))) ownFailures.fetch_add(1);
                    if (i < shared && publisher.addChunk(chunkWithBuffer(ChunkKey{i, 12, 9, 1}, device))) {
                        sharedSuccesses.fetch_add(1);
                    }
                }
            });
        }
        for (std::thread& adder : adders) adder.join();
        EXPECT_EQ(ownFailures.load(), 0);
        EXPECT_EQ(sharedSuccesses.load(), static_cast<int>(shared) - 1);
        EXPECT_EQ(planet.findChunk(first).get(), kept);
        const std::size_t keys = threads * own + shared;
        EXPECT_EQ(planet.chunkCount(), keys);
        EXPECT_EQ(device.liveBuffers(), static_cast<std::int64_t>(keys));
        const std::vector<ChunkKey> drawn = planet.drawListSnapshot();
        EXPECT_EQ(drawn.size(), keys);
        EXPECT_EQ(KeySet(drawn.begin(), drawn.end()), mapKeys(planet));
    }
    EXPECT_EQ(device.liveBuffers(), 0);
}

// The threads are named for debuggers and profilers; the chunks may be
// walked only once they have stopped.
TEST(PlanetTest, NamesItsThreadsAndOnlyOnceStoppedMayTheChunksBeWalked) {
    TestPosition position;
    NullGraphicsDevice device;
    const auto planet = streamingPlanet(device, 60.0f);
    std::multiset<std::string> names;
    for (const auto& task : std::filesystem::directory_iterator("/proc/self/task")) {
        std::ifstream comm(task.path() / "comm");
        std::string name;
        std::getline(comm, name);
        names.insert(name);
    }
    EXPECT_EQ(names.count("gk-manager"), 1u);
    for (int i = 1; i <= Planet::factoryCount; ++i) EXPECT_EQ(names.count("gk-factory-" + std::to_string(i)), 1u);

    EXPECT_THROW(planet->forEachChunk([](const Chunk&) {}), std::logic_error);
    planet->stop();
    planet->stop();
    std::size_t walked = 0;
    planet->forEachChunk([&](const Chunk&) { ++walked; });
    EXPECT_EQ(walked, planet->chunkCount());
}

// Each entry's counter shows in its own member of the snapshot and nowhere
// else; the entries cover every member of StreamingStats, each once.
TEST(StreamingCountersTest, TheTableReadsEachCounterFromItsOwnMemberAndMissesNone) {
    constexpr std::size_t entries = sizeof streamingCounterTable / sizeof streamingCounterTable[0];
    EXPECT_EQ(sizeof(StreamingStats), entries * sizeof(std::uint64_t)) << "a member the table does not list";
    std::set<std::string> names;
    for (const StreamingCounterEntry& counted : streamingCounterTable) {
        EXPECT_TRUE(names.insert(counted.name).second) << "two counters named " << counted.name;
        StreamingCounters counters;
        (counters.*counted.counter).store(7);
        const StreamingStats stats = counters.snapshot();
        for (const StreamingCounterEntry& other : streamingCounterTable) {
            EXPECT_EQ(stats.*other.stat, &other == &counted ? 7u : 0u) << counted.name << " read as " << other.name;
        }
    }
}

}  // namespace
}  // namespace gravelkin::test
