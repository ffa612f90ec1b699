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
#include "planet/planet_state.h"
#include "tests/support/test_planet.h"

namespace gravelkin {
namespace {

using testing::chunkWithBuffer;
using testing::KeySet;
using testing::mapKeys;
using testing::TestPosition;
using testing::TestState;

TEST(PlanetState, AddChunkInsertsAndAppendsToTheDrawList) {
    NullGraphicsDevice device;
    TestState planet(device, 100.0f);
    const ChunkKey key{7, 12, 8, 1};
    auto chunk = chunkWithBuffer(key, device);
    const Chunk* raw = chunk.get();
    EXPECT_TRUE(planet.addChunk(std::move(chunk)));
    ChunkMap::const_accessor entry;
    ASSERT_TRUE(planet.chunks.find(entry, key));
    EXPECT_EQ(entry->second.get(), raw);
    entry.release();
    EXPECT_EQ(planet.drawListSnapshot(), std::vector<ChunkKey>{key});
}

TEST(PlanetState, AddChunkOfAPresentKeyDestroysTheNewChunkOnceAndChangesNothing) {
    NullGraphicsDevice device;
    {
        TestState planet(device, 100.0f);
        const ChunkKey key{7, 12, 8, 1};
        auto first = chunkWithBuffer(key, device);
        const Chunk* kept = first.get();
        ASSERT_TRUE(planet.addChunk(std::move(first)));

        auto second = chunkWithBuffer(key, device);
        ASSERT_EQ(device.liveBuffers(), 2);
        EXPECT_FALSE(planet.addChunk(std::move(second)));
        // The duplicate's buffer went with it, exactly once (a second release
        // would drive the count below one, or trip the sanitizers).
        EXPECT_EQ(device.liveBuffers(), 1);
        EXPECT_EQ(planet.chunks.size(), 1u);
        ChunkMap::const_accessor entry;
        ASSERT_TRUE(planet.chunks.find(entry, key));
        EXPECT_EQ(entry->second.get(), kept);
        entry.release();
        EXPECT_EQ(planet.drawListSnapshot(), std::vector<ChunkKey>{key});
    }
    EXPECT_EQ(device.liveBuffers(), 0);
}

TEST(PlanetState, ConcurrentAddChunkOfDifferentKeysAllSucceed) {
    NullGraphicsDevice device;
    TestState planet(device, 100.0f);
    constexpr std::uint32_t threads = 4;
    constexpr std::uint32_t perThread = 12;
    std::atomic<int> failures{0};
    std::vector<std::thread> adders;
    for (std::uint32_t t = 0; t < threads; ++t) {
        adders.emplace_back([&, t] {
            for (std::uint32_t i = 0; i < perThread; ++i) {
                if (!planet.addChunk(chunkWithBuffer(ChunkKey{i, 12, t, 1}, device))) failures.fetch_add(1);
            }
        });
    }
    for (std::thread& adder : adders) adder.join();
    EXPECT_EQ(failures.load(), 0);
    EXPECT_EQ(planet.chunks.size(), threads * perThread);
    const std::vector<ChunkKey> drawn = planet.drawListSnapshot();
    EXPECT_EQ(drawn.size(), threads * perThread);
    EXPECT_EQ(KeySet(drawn.begin(), drawn.end()), mapKeys(planet));
}

TEST(PlanetState, ConcurrentAddChunkOfTheSameKeysKeepsOneChunkEach) {
    NullGraphicsDevice device;
    TestState planet(device, 100.0f);
    constexpr std::uint32_t threads = 4;
    constexpr std::uint32_t keys = 8;
    std::atomic<int> successes{0};
    std::vector<std::thread> adders;
    for (std::uint32_t t = 0; t < threads; ++t) {
        adders.emplace_back([&] {
            for (std::uint32_t i = 0; i < keys; ++i) {
                if (planet.addChunk(chunkWithBuffer(ChunkKey{i, 12, 3, 1}, device))) successes.fetch_add(1);
            }
        });
    }
    for (std::thread& adder : adders) adder.join();
    EXPECT_EQ(successes.load(), static_cast<int>(keys));
    EXPECT_EQ(planet.chunks.size(), keys);
    EXPECT_EQ(planet.drawListSnapshot().size(), keys);
    EXPECT_EQ(device.liveBuffers(), static_cast<std::int64_t>(keys));
}

TEST(Planet, StopIsIdempotentAndOnlyThenMayTheChunksBeWalked) {
    TestPosition position;
    NullGraphicsDevice device;
    const auto planet = testing::streamingPlanet(device, 60.0f);
    EXPECT_THROW(planet->forEachChunk([](const Chunk&) {}), std::logic_error);
    planet->stop();
    planet->stop();
    std::size_t walked = 0;
    planet->forEachChunk([&](const Chunk&) { ++walked; });
    EXPECT_EQ(walked, planet->chunkCount());
}

TEST(Planet, NamesItsThreads) {
    TestPosition position;
    NullGraphicsDevice device;
    const auto planet = testing::streamingPlanet(device, 60.0f);
    std::multiset<std::string> names;
    for (const auto& task : std::filesystem::directory_iterator("/proc/self/task")) {
        std::ifstream comm(task.path() / "comm");
        std::string name;
        std::getline(comm, name);
        names.insert(name);
    }
    EXPECT_EQ(names.count("gk-manager"), 1u);
    for (int i = 1; i <= Planet::factoryCount; ++i) EXPECT_EQ(names.count("gk-factory-" + std::to_string(i)), 1u);
}

}  // namespace
}  // namespace gravelkin
