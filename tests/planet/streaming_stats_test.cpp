// The counters' one list: each atomic reaches the snapshot in the member of
// its own name, and the table the tools print from covers every member once.

#include <gtest/gtest.h>

#include <cstdint>
#include <set>
#include <string>

#include "planet/streaming_stats.h"

namespace gravelkin::test {
namespace {

// Each atomic set by name and each expected value given by name, not through
// the list: a snapshot that filled its members by position, or a list whose
// member and counter disagreed, would put one of these values in another's
// member.
TEST(StreamingCountersTest, EachCounterLandsInTheMemberOfItsOwnName) {
    StreamingCounters counters;
    counters.passes.store(101);
    counters.quietPasses.store(102);
    counters.generateRequests.store(103);
    counters.meshRequests.store(104);
    counters.erasedChunks.store(105);
    counters.drawListRebuilds.store(106);
    counters.reprioritisations.store(107);
    counters.sweptRequests.store(108);
    counters.finishedJobs.store(109);
    counters.skippedChunks.store(110);
    counters.audits.store(111);
    counters.auditViolations.store(112);
    const StreamingStats expected{.passes = 101,
                                  .quietPasses = 102,
                                  .generateRequests = 103,
                                  .meshRequests = 104,
                                  .erasedChunks = 105,
                                  .drawListRebuilds = 106,
                                  .reprioritisations = 107,
                                  .sweptRequests = 108,
                                  .finishedJobs = 109,
                                  .skippedChunks = 110,
                                  .audits = 111,
                                  .auditViolations = 112};
    const StreamingStats stats = counters.snapshot();
    for (const StreamingCounterEntry& counted : streamingCounterTable) {
        EXPECT_EQ(stats.*counted.stat, expected.*counted.stat) << counted.name;
    }
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
