// Running totals of the manager's work, for tests and diagnostic tools.
//
// The manager thread writes the counters once per pass, except finishedJobs
// and skippedChunks, which the factories add to as their jobs end; any thread
// may read them. They are relaxed atomics: each value is exact, but values read one
// after another may come from different passes.
#pragma once

#include <atomic>
#include <cstdint>

namespace gravelkin {

// A plain copy of the counters.
struct StreamingStats {
    std::uint64_t passes = 0;
    // Consecutive passes, up to the last one, that found nothing to do: no
    // request made, nothing erased, and no request queued, in flight or being
    // worked on at the start and at the end of the pass, and no gap sweep
    // owed (the camera has not moved since the last).
    std::uint64_t quietPasses = 0;
    std::uint64_t generateRequests = 0;
    std::uint64_t meshRequests = 0;
    std::uint64_t erasedChunks = 0;
    std::uint64_t drawListRebuilds = 0;
    std::uint64_t reprioritisations = 0;
    std::uint64_t sweptRequests = 0;  // of generateRequests, those the gap sweep made
    // Factory jobs ended, whatever their outcome: streaming makes progress
    // while this grows.
    std::uint64_t finishedJobs = 0;
    // Chunks published as placeholders because their voxels could not be
    // allocated (skippedChunk in factory/chunk_factory.h).
    std::uint64_t skippedChunks = 0;
    // Audits the manager has run (Manager::audit, manager_audit.cpp) and the
    // broken invariants they found in all.
    std::uint64_t audits = 0;
    std::uint64_t auditViolations = 0;
};

struct StreamingCounters {
    std::atomic<std::uint64_t> passes{0};
    std::atomic<std::uint64_t> quietPasses{0};
    std::atomic<std::uint64_t> generateRequests{0};
    std::atomic<std::uint64_t> meshRequests{0};
    std::atomic<std::uint64_t> erasedChunks{0};
    std::atomic<std::uint64_t> drawListRebuilds{0};
    std::atomic<std::uint64_t> reprioritisations{0};
    std::atomic<std::uint64_t> sweptRequests{0};
    std::atomic<std::uint64_t> finishedJobs{0};
    std::atomic<std::uint64_t> skippedChunks{0};
    std::atomic<std::uint64_t> audits{0};
    std::atomic<std::uint64_t> auditViolations{0};

    StreamingStats snapshot() const {
        constexpr auto relaxed = std::memory_order_relaxed;
        return StreamingStats{passes.load(relaxed),           quietPasses.load(relaxed),
                              generateRequests.load(relaxed), meshRequests.load(relaxed),
                              erasedChunks.load(relaxed),     drawListRebuilds.load(relaxed),
                              reprioritisations.load(relaxed), sweptRequests.load(relaxed),
                              finishedJobs.load(relaxed),      skippedChunks.load(relaxed),
                              audits.load(relaxed),            auditViolations.load(relaxed)};
    }
};

}  // namespace gravelkin
