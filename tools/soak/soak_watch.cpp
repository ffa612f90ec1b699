#include "tools/soak/soak_watch.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "planet/chunks_within.h"
#include "planet/manager.h"

namespace gravelkin::tools {

namespace {

constexpr double stallSeconds = 5.0;
constexpr double sampleInterval = 0.1;

// A sanitizer's shadow memory and quarantine are not the program's.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr bool memoryJudged = false;
#else
constexpr bool memoryJudged = true;
#endif

// The path's samples lie this far apart: well within the margin between
// the view and the drop radius, so that the neighbourhood stays tight.
constexpr float pathSpacing = 32.0f;
// How far before the last check the neighbourhood reaches back: past the
// start of the pass under way at that check.
constexpr double passMargin = 1.0;

}  // namespace

SoakWatch::SoakWatch(float viewRadius, double soakSeconds)
    : soakSeconds_(soakSeconds), path_(viewRadius * std::sqrt(Manager::dropFactor), pathSpacing) {}

void SoakWatch::violation(const char* what) {
    ++tally_.violations;
    std::fprintf(stderr, "soak: invariant broken: %s\n", what);
}

void SoakWatch::tick(Planet& planet, double now) {
    if (now >= nextSample_) {
        sampleMemory(planet, now);
        nextSample_ += sampleInterval;
    }
    if (now >= nextCheck_) {
        check(planet, now);
        nextCheck_ += 1.0;
    }
}

void SoakWatch::sampleMemory(const Planet& planet, double now) {
    const long rss = residentKiB();
    tally_.peakRssKiB = std::max(tally_.peakRssKiB, rss);
    const std::uint64_t planetBytes = planet.memoryBytes();
    tally_.peakPlanetBytes = std::max(tally_.peakPlanetBytes, planetBytes);
    const auto rssBytes = static_cast<std::int64_t>(rss) * 1024;
    const std::int64_t gap = rssBytes - static_cast<std::int64_t>(planetBytes);
    tally_.largestAccountGapKiB = std::max(tally_.largestAccountGapKiB, (gap < 0 ? -gap : gap) / 1024);
    const auto share = static_cast<double>(gap < 0 ? -gap : gap) / static_cast<double>(memoryOverhead(planetBytes));
    tally_.largestShareOfOverhead = std::max(tally_.largestShareOfOverhead, share);
    if (memoryJudged && !accountBroken_ &&
        (gap < 0 ? -gap : gap) > static_cast<std::int64_t>(memoryOverhead(planetBytes))) {
        accountBroken_ = true;
        violation("the resident set and the planet's memory figure differ by more than 256 MiB and an eighth");
    }
    const std::uint64_t budget = planet.memoryBudget();
    if (memoryJudged && !budgetBroken_ && rssBytes > static_cast<std::int64_t>(budget + memoryOverhead(budget))) {
        budgetBroken_ = true;
        violation("the resident set exceeds the memory budget by more than 256 MiB and an eighth");
    }
    if (now >= soakSeconds_ * 0.1 && now < soakSeconds_ * 0.2) {
        tally_.earlyPeakRssKiB = std::max(tally_.earlyPeakRssKiB, rss);
    }
    if (now >= soakSeconds_ * 0.5 && now <= soakSeconds_) {
        tally_.latePeakRssKiB = std::max(tally_.latePeakRssKiB, rss);
    }
}

void SoakWatch::check(Planet& planet, double now) {
    const StreamingStats stats = planet.stats();
    const std::size_t chunks = planet.chunkCount();
    const std::size_t requests = planet.pendingRequests() + planet.inFlightCount();
    tally_.peakChunks = std::max(tally_.peakChunks, chunks);
    tally_.peakRequests = std::max(tally_.peakRequests, requests);
    checkChunks(planet, stats, now);

    const bool busy = !planet.idle();
    if (stats.finishedJobs != lastFinishedJobs_ || !busy) {
        lastFinishedJobs_ = stats.finishedJobs;
        lastProgress_ = now;
        stalled_ = false;
    } else if (now - lastProgress_ > stallSeconds && !stalled_) {
        stalled_ = true;
        ++tally_.stalls;
        violation("requests waiting and no factory job ended for 5 s");
    }
    if (stats.audits != lastAudits_) {
        lastAudits_ = stats.audits;
        lastAudit_ = now;
    } else if (now - lastAudit_ > stallSeconds) {
        lastAudit_ = now;
        violation("the manager has run no audit for 5 s");
    }
    planet.requestAudit();
}

void SoakWatch::checkChunks(Planet& planet, const StreamingStats& stats, double now) {
    const std::size_t chunks = planet.chunkCount();
    const std::size_t inFlight = planet.inFlightCount();
    const std::uint64_t requests = stats.generateRequests + stats.meshRequests;
    const std::size_t near = path_.keysSince(previous_.time - passMargin);
    const std::size_t excess = chunks > near ? chunks - near : 0;
    tally_.peakNeighbourhood = std::max(tally_.peakNeighbourhood, near);
    tally_.peakExcess = std::max(tally_.peakExcess, excess);
    const std::uint64_t mayHaveBeenInFlight = previous_.inFlight + (requests - previous_.requests);
    const std::uint64_t passes = stats.passes - previous_.passes;
    const std::uint64_t fullBatches = passes > 2 ? (passes - 2) * Manager::eraseBatchLimit : 0;
    if (excess > mayHaveBeenInFlight && stats.erasedChunks - previous_.erased < fullBatches) {
        violation("chunks beyond the path's neighbourhood outlast the erase batches");
    }
    previous_ = Previous{now, stats.passes, stats.erasedChunks, requests, inFlight};
}

}  // namespace gravelkin::tools
