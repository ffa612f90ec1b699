// Running totals of the manager's and the factories' work, for tests and
// diagnostic tools.
//
// The manager thread writes the counters once per pass, except finishedJobs,
// skippedChunks and failedBuffers, which the factories add to as their jobs
// end; any thread may read them. They are relaxed atomics: each value is exact, but values
// read one after another may come from different passes.
//
// The counters are listed once, in GRAVELKIN_STREAMING_COUNTERS. The plain
// copy (StreamingStats), the atomics (StreamingCounters), the snapshot that
// copies one into the other member by member, and the table the tools print
// and the overlay shows (streamingCounterTable) are all made from that list,
// so a counter added, removed or moved there moves everywhere at once.
#pragma once

#include <atomic>
#include <cstdint>

// X(member, name) for each counter: `member` names it in StreamingStats and
// StreamingCounters, `name` is how tools print it.
#define GRAVELKIN_STREAMING_COUNTERS(X)                                                      \
    X(passes, "manager_passes")                                                              \
    /* Consecutive passes, up to the last one, that found nothing to do: no                \
       request made, nothing erased, and no request queued, in flight or being             \
       worked on at the start and at the end of the pass, no gap sweep owed                \
       (the camera has not moved since the last), and no retry waiting for its             \
       delay (planet/retry_backoff.h). */                                                  \
    X(quietPasses, "quiet_passes")                                                          \
    X(generateRequests, "generate_requests")                                                \
    X(meshRequests, "mesh_requests")                                                        \
    X(erasedChunks, "erased_chunks")                                                        \
    X(drawListRebuilds, "draw_list_rebuilds")                                               \
    X(reprioritisations, "reprioritisations")                                               \
    /* Of generateRequests, those the gap sweep made. */                                   \
    X(sweptRequests, "swept_requests")                                                      \
    /* Factory jobs ended, whatever their outcome: streaming makes progress while          \
       this grows. */                                                                       \
    X(finishedJobs, "finished_jobs")                                                        \
    /* Chunks published as placeholders because their voxels could not be                  \
       allocated (skippedChunk in factory/chunk_factory.h). */                              \
    X(skippedChunks, "skipped_chunks")                                                      \
    /* Meshes left undrawn because the device could not create their buffer. */             \
    X(failedBuffers, "failed_buffers")                                                      \
    /* Placeholders the manager erased, once their retry delay was over, to                \
       ask for their chunks again (planet/retry_backoff.h). */                              \
    X(chunkRetries, "chunk_retries")                                                        \
    /* Of meshRequests, those for chunks whose buffer could not be created. */              \
    X(meshRetries, "mesh_retries")                                                          \
    /* Audits the manager has run (Manager::audit, manager_audit.cpp) and the              \
       broken invariants they found in all. */                                              \
    X(audits, "audits")                                                                     \
    X(auditViolations, "audit_violations")

namespace gravelkin {

// A plain copy of the counters.
struct StreamingStats {
#define GRAVELKIN_STREAMING_STATS_MEMBER(member, name) std::uint64_t member = 0;
    GRAVELKIN_STREAMING_COUNTERS(GRAVELKIN_STREAMING_STATS_MEMBER)
#undef GRAVELKIN_STREAMING_STATS_MEMBER
};

struct StreamingCounters {
#define GRAVELKIN_STREAMING_COUNTERS_MEMBER(member, name) std::atomic<std::uint64_t> member{0};
    GRAVELKIN_STREAMING_COUNTERS(GRAVELKIN_STREAMING_COUNTERS_MEMBER)
#undef GRAVELKIN_STREAMING_COUNTERS_MEMBER

    // Each counter into the member of its own name.
    StreamingStats snapshot() const {
        StreamingStats stats;
#define GRAVELKIN_STREAMING_COUNTERS_LOAD(member, name) stats.member = member.load(std::memory_order_relaxed);
        GRAVELKIN_STREAMING_COUNTERS(GRAVELKIN_STREAMING_COUNTERS_LOAD)
#undef GRAVELKIN_STREAMING_COUNTERS_LOAD
        return stats;
    }
};

// One counter as the tools see it: its printed name, where a snapshot holds
// it, and the atomic that counts it.
struct StreamingCounterEntry {
    const char* name;
    std::uint64_t StreamingStats::*stat;
    std::atomic<std::uint64_t> StreamingCounters::*counter;
};

// Every counter, in the order of the list.
inline constexpr StreamingCounterEntry streamingCounterTable[] = {
#define GRAVELKIN_STREAMING_COUNTERS_ENTRY(member, name) {name, &StreamingStats::member, &StreamingCounters::member},
    GRAVELKIN_STREAMING_COUNTERS(GRAVELKIN_STREAMING_COUNTERS_ENTRY)
#undef GRAVELKIN_STREAMING_COUNTERS_ENTRY
};

}  // namespace gravelkin
