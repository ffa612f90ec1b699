// What a soak found, and its "name: value" report on stdout.
//
// Threads: the soak's loop.
#pragma once

#include <cstddef>
#include <cstdint>

#include "camera/vector_math.h"
#include "planet/streaming_stats.h"
#include "tools/soak/fault_injection.h"
#include "tools/soak/soak_flight.h"
#include "tools/soak/soak_run.h"
#include "tools/soak/soak_watch.h"

namespace gravelkin::tools {

struct RestResult {
    bool converged = false;
    double seconds = 0.0;  // from coming to rest to convergence (or giving up)
};

// The stopped planet around the resting camera.
struct RestCensus {
    std::size_t within = 0;
    std::size_t missing = 0;
    std::size_t skipped = 0;        // placeholders for chunks without voxel memory
    std::size_t unmeshedReady = 0;  // mesh pending with every neighbour present
    // Within the radius: placeholders, and chunks whose neighbours are all
    // present left without a mesh by their last, failed, buffer creation.
    std::size_t skippedWithin = 0;
    std::size_t failedBufferWithin = 0;
};

struct SoakResult {
    FlightTally flight;
    Vec3 flightEnd;
    Vec3 eye;  // where the camera rests
    RestResult rest;
    RestCensus census;
    StreamingStats stats;
    FaultSnapshot faults;
    WatchTally watch;
    float effectiveRadius = 0.0f;  // at rest
    std::uint64_t memoryBudget = 0;
};

void printSoakReport(const SoakOptions& soak, float viewRadius, const SoakResult& result);

}  // namespace gravelkin::tools
