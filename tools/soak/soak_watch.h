// What the soak checks while the planet streams, once a second, beside the
// manager's own audit (planet/manager_audit.cpp, asked for here each second):
// - progress: while anything is queued, in flight or being worked on, some
//   factory job ends at least every 5 s, so no key stays in flight without
//   progress; and the manager completes an audit at least every 5 s;
// - the chunks in the map: they may exceed the keys within the drop radius of
//   the path flown in the last two seconds (path_neighbourhood.h), since the
//   manager erases at most 64 chunks a pass and none that is in flight; the
//   check is that the excess is worked off at the rate the erase batches
//   allow. A chunk outside that neighbourhood at a check lay beyond the drop
//   radius of every pass since the last check; unless it was in flight at
//   some moment in between (at most the keys in flight at the last check plus
//   those requested since), every one of those passes found it erasable and
//   so erased a full batch. So when the excess over the neighbourhood is more
//   than the keys that can have been in flight, the erasures since the last
//   check must be at least 64 per pass (two passes spared for the passes
//   straddling the checks). A planet that stops erasing trips it once the
//   flight slows and the requests drain;
// - the requests: every key in flight has a queued record or a factory at
//   work on it, which the manager's audit checks (manager_audit.cpp); the
//   records queued for keys the camera has left wait, nearest first, behind
//   the work around the camera until a factory pops and drops them, so their
//   number is bounded by the keys within the view radius of the path flown
//   since the factories last caught up, not by any fixed figure: it is
//   reported (peak), and must drain to nothing at rest;
// - memory: the resident set, sampled every 100 ms, kept as the peak of each
//   of two windows: the early one, from a tenth to a fifth of the soak, and
//   the late one, its second half (minutes 1-2 and 5-10 of a 10-minute soak).
//   At every sample the planet's own memory figure (Planet::memoryBytes)
//   and the resident set differ by at most memoryOverhead of that figure
//   (the process itself, meshes staged and not yet stored, and the
//   allocator's slack, which grows with what is allocated and freed), and
//   the resident set stays within the budget plus memoryOverhead of it.
//   Builds with a sanitizer, whose shadow memory and quarantine swell the
//   resident set, report these figures without judging them.
// Each broken check counts one violation (a stall once, however long) and is
// written to standard error.
//
// Threads: one, the soak's loop; it reads the planet's statistics only.
#pragma once

#include <cstdint>

#include "planet/planet.h"
#include "tools/process_stats.h"
#include "tools/soak/path_neighbourhood.h"

namespace gravelkin::tools {

// What the process may hold beyond the planet's own account of `bytes`:
// 256 MiB and an eighth.
inline constexpr std::uint64_t memoryOverhead(std::uint64_t bytes) { return (256ull << 20) + bytes / 8; }

struct WatchTally {
    std::uint64_t violations = 0;
    std::uint64_t stalls = 0;
    std::size_t peakChunks = 0;
    std::size_t peakRequests = 0;  // queued + in flight
    std::size_t peakNeighbourhood = 0;  // keys near the last two seconds' path
    std::size_t peakExcess = 0;         // chunks beyond those keys' count
    long peakRssKiB = 0;
    long earlyPeakRssKiB = 0;
    long latePeakRssKiB = 0;
    std::uint64_t peakPlanetBytes = 0;      // the planet's own figure
    std::int64_t largestAccountGapKiB = 0;  // |resident set - the planet's figure|, largest sampled
    double largestShareOfOverhead = 0.0;    // of a sample's gap to what it allowed
};

class SoakWatch {
public:
    SoakWatch(float viewRadius, double soakSeconds);

    // Called every frame with the seconds since the soak began; samples and
    // checks when they are due.
    void tick(Planet& planet, double now);
    // Called whenever the camera moves, with where to and when.
    void fly(const Vec3& position, double now) { path_.fly(position, now); }
    // Counts a violation found elsewhere, with what it was.
    void violation(const char* what);

    const WatchTally& tally() const { return tally_; }

private:
    void sampleMemory(const Planet& planet, double now);
    void check(Planet& planet, double now);
    void checkChunks(Planet& planet, const StreamingStats& stats, double now);

    // What the last check saw, for the next one's chunk check.
    struct Previous {
        double time = 0.0;
        std::uint64_t passes = 0;
        std::uint64_t erased = 0;
        std::uint64_t requests = 0;
        std::size_t inFlight = 0;
    };

    const double soakSeconds_;
    WatchTally tally_;
    double nextSample_ = 0.0;
    double nextCheck_ = 1.0;
    std::uint64_t lastFinishedJobs_ = 0;
    double lastProgress_ = 0.0;
    std::uint64_t lastAudits_ = 0;
    double lastAudit_ = 0.0;
    bool stalled_ = false;
    bool accountBroken_ = false;  // each memory check reports once
    bool budgetBroken_ = false;
    PathNeighbourhood path_;
    Previous previous_;
};

}  // namespace gravelkin::tools
