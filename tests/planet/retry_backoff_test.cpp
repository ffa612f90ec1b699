// The delay before a chunk that failed to get memory is tried again, and the
// table of the keys waiting for it.

#include <gtest/gtest.h>

#include <cstdint>

#include "planet/retry_backoff.h"

namespace gravelkin::test {
namespace {

TEST(RetryBackoffTest, TheDelayDoublesWithEachFailureUpToTheCap) {
    EXPECT_EQ(retryDelayPasses(0), 0u);
    EXPECT_EQ(retryDelayPasses(1), 8u);
    EXPECT_EQ(retryDelayPasses(2), 16u);
    EXPECT_EQ(retryDelayPasses(3), 32u);
    EXPECT_EQ(retryDelayPasses(6), 256u);
    for (std::uint32_t failures = 1; failures < 100; ++failures) {
        const std::uint32_t now = retryDelayPasses(failures);
        const std::uint32_t next = retryDelayPasses(failures + 1);
        EXPECT_EQ(next, now * 2 > retryDelayCap ? retryDelayCap : now * 2) << failures;
    }
    EXPECT_EQ(retryDelayPasses(0xFFFFFFFFu), retryDelayCap);
    // A few seconds at 10-20 ms a pass.
    EXPECT_LE(retryDelayCap, 512u);
}

TEST(RetryBackoffTest, EachCountedFailureWaitsLongerFromThePassItHappened) {
    const ChunkKey key{7, 12, 8, 1}, other{3, 12, 3, 4};
    RetryBackoff backoff;
    backoff.fail(key, 100);
    ASSERT_NE(backoff.find(key), nullptr);
    EXPECT_EQ(backoff.find(key)->failures, 1u);
    EXPECT_EQ(backoff.find(key)->duePass, 108u);
    backoff.fail(key, 110);
    EXPECT_EQ(backoff.find(key)->failures, 2u);
    EXPECT_EQ(backoff.find(key)->duePass, 126u);
    EXPECT_EQ(backoff.find(other), nullptr);
    backoff.forget(key);
    EXPECT_TRUE(backoff.empty());
}

// A count kept elsewhere (the chunk's own): a new count starts its delay and
// is not due at once; the same count is due once its delay is over.
TEST(RetryBackoffTest, ACountSeenForTheFirstTimeStartsItsDelay) {
    const ChunkKey key{7, 12, 8, 1};
    RetryBackoff backoff;
    EXPECT_FALSE(backoff.due(key, 1, 50));
    EXPECT_FALSE(backoff.due(key, 1, 57));
    EXPECT_TRUE(backoff.due(key, 1, 58));
    EXPECT_FALSE(backoff.due(key, 2, 60));  // failed again
    EXPECT_FALSE(backoff.due(key, 2, 75));
    EXPECT_TRUE(backoff.due(key, 2, 76));
    EXPECT_EQ(backoff.size(), 1u);
    backoff.forgetIf([&](const ChunkKey& k, const RetryBackoff::Entry& entry) {
        return k == key && entry.failures == 2;
    });
    EXPECT_TRUE(backoff.empty());
}

}  // namespace
}  // namespace gravelkin::test
