// The counters' one list: the table the tools print from reads each counter
// from its own member of the snapshot, and covers every member once.

#include <gtest/gtest.h>

#include <cstdint>
#include <set>
#include <string>

#include "planet/streaming_stats.h"

namespace gravelkin::test {
namespace {

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
