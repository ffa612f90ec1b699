#include "tools/soak/soak_report.h"

#include <cstdio>

#include "tools/print_streaming_stats.h"

namespace gravelkin::tools {

namespace {

unsigned long long u64(std::uint64_t value) { return value; }

void printMemory(const WatchTally& watch, double seconds) {
    std::printf("peak_rss_kib: %ld (%.1f MiB)\n", watch.peakRssKiB, watch.peakRssKiB / 1024.0);
    std::printf("peak_rss_early_window_s: %.0f-%.0f\n", seconds * 0.1, seconds * 0.2);
    std::printf("peak_rss_early_kib: %ld (%.1f MiB)\n", watch.earlyPeakRssKiB, watch.earlyPeakRssKiB / 1024.0);
    std::printf("peak_rss_late_window_s: %.0f-%.0f\n", seconds * 0.5, seconds);
    std::printf("peak_rss_late_kib: %ld (%.1f MiB)\n", watch.latePeakRssKiB, watch.latePeakRssKiB / 1024.0);
    if (watch.earlyPeakRssKiB > 0) {
        std::printf("peak_rss_late_over_early: %.3f\n",
                    static_cast<double>(watch.latePeakRssKiB) / static_cast<double>(watch.earlyPeakRssKiB));
    }
    std::printf("peak_planet_memory_bytes: %llu (%.1f MiB)\n", u64(watch.peakPlanetBytes),
                static_cast<double>(watch.peakPlanetBytes) / (1024.0 * 1024.0));
    std::printf("largest_rss_vs_planet_memory_gap_kib: %lld (%.1f MiB)\n",
                static_cast<long long>(watch.largestAccountGapKiB),
                static_cast<double>(watch.largestAccountGapKiB) / 1024.0);
    std::printf("largest_gap_share_of_allowed: %.2f\n", watch.largestShareOfOverhead);
}

void printFaults(const SoakResult& result) {
    const FaultSnapshot& f = result.faults;
    std::printf("faults_buffer_failures_injected: %llu\n", u64(f.bufferFailures));
    std::printf("faults_buffer_failures_reported: %llu\n", u64(result.stats.failedBuffers));
    std::printf("faults_buffer_delays: %llu\n", u64(f.bufferDelays));
    std::printf("faults_generator_sleeps: %llu\n", u64(f.generatorSleeps));
    std::printf("faults_block_failures_injected: %llu\n", u64(f.blockFailures));
    std::printf("faults_chunks_skipped_reported: %llu\n", u64(result.stats.skippedChunks));
}

}  // namespace

void printSoakReport(const SoakOptions& soak, float viewRadius, const SoakResult& result) {
    const WatchTally& watch = result.watch;
    std::printf("soak_s: %.0f\n", soak.seconds);
    std::printf("flight_seed: %llu\n", u64(soak.flightSeed));
    std::printf("faults: %s\n", soak.faults ? "on" : "off");
    std::printf("view_radius: %.2f\n", viewRadius);
    std::printf("effective_radius: %.2f\n", static_cast<double>(result.effectiveRadius));
    std::printf("memory_budget_bytes: %llu (%.1f MiB)\n", u64(result.memoryBudget),
                static_cast<double>(result.memoryBudget) / (1024.0 * 1024.0));
    std::printf("flight_frames: %llu\n", u64(result.flight.frames));
    std::printf("flight_waypoints: %llu\n", u64(result.flight.waypoints));
    std::printf("flight_reversals: %llu\n", u64(result.flight.reversals));
    std::printf("flight_jumps: %llu\n", u64(result.flight.jumps));
    std::printf("flight_dives: %llu\n", u64(result.flight.dives));
    std::printf("flight_nearest_to_centre: %.1f\n", result.flight.nearest);
    std::printf("flight_farthest_from_centre: %.1f\n", result.flight.farthest);
    std::printf("flight_end: %.2f %.2f %.2f\n", result.flightEnd.x, result.flightEnd.y, result.flightEnd.z);
    std::printf("rest_position: %.2f %.2f %.2f\n", result.eye.x, result.eye.y, result.eye.z);
    printMemory(watch, soak.seconds);
    std::printf("peak_chunks: %zu\n", watch.peakChunks);
    std::printf("peak_requests_queued_and_in_flight: %zu\n", watch.peakRequests);
    std::printf("peak_path_neighbourhood_keys: %zu\n", watch.peakNeighbourhood);
    std::printf("peak_chunks_over_path_neighbourhood: %zu\n", watch.peakExcess);
    printStreamingStats(result.stats);
    std::printf("stalls: %llu\n", u64(watch.stalls));
    std::printf("converged_at_rest: %s\n", result.rest.converged ? "yes" : "no");
    std::printf("rest_converge_s: %.2f\n", result.rest.seconds);
    std::printf("chunks_within_radius: %zu\n", result.census.within);
    std::printf("chunks_within_radius_missing: %zu\n", result.census.missing);
    std::printf("chunks_skipped_at_rest: %zu\n", result.census.skipped);
    std::printf("chunks_unmeshed_with_all_neighbours: %zu\n", result.census.unmeshedReady);
    std::printf("chunks_skipped_within_radius_at_rest: %zu\n", result.census.skippedWithin);
    std::printf("chunks_unmeshed_by_failed_buffer_within_radius_at_rest: %zu\n", result.census.failedBufferWithin);
    if (soak.faults) printFaults(result);
    std::printf("invariant_violations: %llu\n", u64(watch.violations));
}

}  // namespace gravelkin::tools
