// What the soak checks while the planet streams, once a second, beside the
// manager's own audit (planet/manager_audit.cpp, asked for here each second):
// - progress: while anything is queued, in flight or being worked on, some
//   factory job ends at least every 5 s, so no key stays in flight without
//   progress; and the manager completes an audit at least every 5 s;
// - bounds: the chunks in the map, and the requests queued plus in flight,
//   each stay within twice the most chunk keys that lie within the drop
//   radius (sqrt(1.3) x the view radius) of a point at any of six distances
//   from the centre (8 to 1,000): at worst the chunks around the point left
//   by a jump and around the point landed on;
// - memory: the resident set, sampled every 100 ms, kept as the peak of each
//   of two windows: the early one, from a tenth to a fifth of the soak, and
//   the late one, its second half (minutes 1-2 and 5-10 of a 10-minute soak).
// Each broken check counts one violation (a stall once, however long) and is
// written to standard error.
//
// Threads: one, the soak's loop; it reads the planet's statistics only.
#pragma once

#include <cstdint>

#include "planet/planet.h"

namespace gravelkin::tools {

struct WatchTally {
    std::uint64_t violations = 0;
    std::uint64_t stalls = 0;
    std::size_t peakChunks = 0;
    std::size_t peakRequests = 0;  // queued + in flight
    std::size_t bound = 0;
    long peakRssKiB = 0;
    long earlyPeakRssKiB = 0;
    long latePeakRssKiB = 0;
};

class SoakWatch {
public:
    SoakWatch(float viewRadius, double soakSeconds);

    // Called every frame with the seconds since the soak began; samples and
    // checks when they are due.
    void tick(Planet& planet, double now);
    // Counts a violation found elsewhere, with what it was.
    void violation(const char* what);

    const WatchTally& tally() const { return tally_; }

private:
    void sampleMemory(double now);
    void check(Planet& planet, double now);

    const double soakSeconds_;
    WatchTally tally_;
    double nextSample_ = 0.0;
    double nextCheck_ = 1.0;
    std::uint64_t lastFinishedJobs_ = 0;
    double lastProgress_ = 0.0;
    std::uint64_t lastAudits_ = 0;
    double lastAudit_ = 0.0;
    bool stalled_ = false;
};

// The resident set of this process now, from /proc/self/status (VmRSS).
long residentKiB();

}  // namespace gravelkin::tools
