#include "tools/soak/soak_watch.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "planet/chunks_within.h"
#include "planet/manager.h"

namespace gravelkin::tools {

namespace {

constexpr double stallSeconds = 5.0;
constexpr double sampleInterval = 0.1;

std::size_t chunkBound(float viewRadius) {
    const float dropRadius = viewRadius * std::sqrt(Manager::dropFactor);
    std::size_t most = 0;
    for (const float distance : {8.0f, 150.0f, 300.0f, 450.0f, 600.0f, 1000.0f}) {
        most = std::max(most, chunkKeysWithin(Vec3{0.0f, distance, 0.0f}, dropRadius).size());
    }
    return 2 * most;
}

}  // namespace

long residentKiB() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmRSS:", 0) == 0) return std::strtol(line.c_str() + 6, nullptr, 10);
    }
    return -1;
}

SoakWatch::SoakWatch(float viewRadius, double soakSeconds) : soakSeconds_(soakSeconds) {
    tally_.bound = chunkBound(viewRadius);
}

void SoakWatch::violation(const char* what) {
    ++tally_.violations;
    std::fprintf(stderr, "soak: invariant broken: %s\n", what);
}

void SoakWatch::tick(Planet& planet, double now) {
    if (now >= nextSample_) {
        sampleMemory(now);
        nextSample_ += sampleInterval;
    }
    if (now >= nextCheck_) {
        check(planet, now);
        nextCheck_ += 1.0;
    }
}

void SoakWatch::sampleMemory(double now) {
    const long rss = residentKiB();
    tally_.peakRssKiB = std::max(tally_.peakRssKiB, rss);
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
    if (chunks > tally_.bound) violation("more chunks in the map than the bound");
    if (requests > tally_.bound) violation("more requests queued and in flight than the bound");

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

}  // namespace gravelkin::tools
