// The staging arena: blocks that do not overlap, slabs handed out again once
// their blocks come back, a bounded number kept, large blocks apart, and
// blocks taken and given back on many threads at once.
#include "device/staging_arena.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <thread>
#include <utility>
#include <vector>

namespace gravelkin::test {
namespace {

constexpr std::size_t verticesIn(std::size_t bytes) { return bytes / sizeof(ChunkVertex); }

void fill(const StagingBlock& block, std::size_t count, float value) {
    std::fill_n(&block[0].position[0], count * sizeof(ChunkVertex) / sizeof(float), value);
}

bool holds(const StagingBlock& block, std::size_t count, float value) {
    const float* first = &block[0].position[0];
    return std::all_of(first, first + count * sizeof(ChunkVertex) / sizeof(float),
                       [&](float f) { return f == value; });
}

TEST(StagingArenaTest, BlocksAreAlignedAndKeepWhatIsWrittenToThem) {
    StagingArena arena;
    EXPECT_EQ(arena.take(0), nullptr);
    // Sizes round a slab's end, one too large for a slab, and odd counts.
    const std::size_t counts[] = {1, 1000, verticesIn(StagingArena::largestSlabBlockBytes), 3333,
                                  verticesIn(StagingArena::largestSlabBlockBytes) + 1, 77777, 5, 20000, 20000};
    std::vector<std::pair<StagingBlock, std::size_t>> blocks;
    for (std::size_t count : counts) {
        blocks.emplace_back(arena.take(count), count);
        ASSERT_NE(blocks.back().first, nullptr);
        EXPECT_EQ(reinterpret_cast<std::uintptr_t>(blocks.back().first.get()) % 64, 0u);
        fill(blocks.back().first, count, static_cast<float>(blocks.size()));
    }
    for (std::size_t b = 0; b < blocks.size(); ++b) {
        EXPECT_TRUE(holds(blocks[b].first, blocks[b].second, static_cast<float>(b + 1))) << "block " << b;
    }
}

TEST(StagingArenaTest, SlabsAreReusedOnceTheirBlocksComeBackAndOnlyAFewAreKept) {
    if (!stagingBlocksMapped) GTEST_SKIP() << "blocks come from the heap under AddressSanitizer";
    StagingArena arena(2);
    const std::size_t count = verticesIn(200 << 10);
    // Staged and stored in turn, a few frames behind, as the factories and
    // the main thread do: the same slabs serve thousands of blocks.
    std::vector<StagingBlock> inFlight;
    for (int b = 0; b < 2000; ++b) {
        inFlight.push_back(arena.take(count));
        fill(inFlight.back(), count, 1.0f);
        if (inFlight.size() > 30) inFlight.erase(inFlight.begin());
    }
    EXPECT_LE(arena.mappedSlabs(), 4u);

    // A large block has a mapping of its own and leaves the slabs alone.
    const std::size_t before = arena.mappedSlabs();
    StagingBlock large = arena.take(verticesIn(3 * StagingArena::slabBytes));
    fill(large, verticesIn(3 * StagingArena::slabBytes), 2.0f);
    EXPECT_EQ(arena.mappedSlabs(), before);
    large.reset();

    // Many held at once, then all given back: two slabs kept, the current
    // one and the spares still mapped, every other slab unmapped.
    for (int b = 0; b < 200; ++b) inFlight.push_back(arena.take(count));
    EXPECT_GE(arena.mappedSlabs(), 200 * (200u << 10) / StagingArena::slabBytes);
    inFlight.clear();
    EXPECT_EQ(arena.spareSlabs(), 2u);
    EXPECT_EQ(arena.mappedSlabs(), 3u);
}

TEST(StagingArenaTest, ThreadsTakeAndGiveBackBlocksAtOnce) {
    StagingArena arena;
    std::vector<std::thread> threads;
    std::vector<int> wrong(4, 0);
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&, t] {
            std::vector<std::pair<StagingBlock, std::size_t>> held;
            for (int b = 0; b < 300; ++b) {
                const std::size_t count = 100 + static_cast<std::size_t>((b * 7919 + t * 104729) % 6000);
                held.emplace_back(arena.take(count), count);
                fill(held.back().first, count, static_cast<float>(t * 1000 + b));
                if (held.size() > 8) {
                    // Given back out of order, from the middle.
                    const auto& [block, n] = held[3];
                    const int written = static_cast<int>(block[0].position[0]);
                    if (!holds(block, n, static_cast<float>(written)) || written / 1000 != t) ++wrong[t];
                    held.erase(held.begin() + 3);
                }
            }
        });
    }
    for (std::thread& thread : threads) thread.join();
    EXPECT_EQ(wrong, std::vector<int>(4, 0));
}

}  // namespace
}  // namespace gravelkin::test
