#include "tools/soak/soak_run.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string_view>
#include <thread>

#include "camera/camera.h"
#include "camera/still_camera_input.h"
#include "factory/mesh_upload.h"
#include "planet/chunks_within.h"
#include "planet/planet.h"
#include "device/host_memory_device.h"
#include "terrain/earth/terrain_generator_earth.h"
#include "tools/soak/fault_injection.h"
#include "tools/soak/soak_flight.h"
#include "tools/soak/soak_report.h"
#include "tools/soak/soak_watch.h"

namespace gravelkin::tools {

namespace {

using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

FlightTally fly(Planet& planet, Camera& camera, HostMemoryDevice& device, const SoakOptions& soak, SoakWatch& watch,
                Clock::time_point start) {
    // The dive opens the early window (a tenth of the soak in) and holds for
    // half of it.
    SoakFlight flight(soak.flightSeed, camera.position(), {soak.seconds * 0.1, soak.seconds * 0.05});
    double nextReport = 10.0;
    for (;;) {
        const double now = secondsSince(start);
        if (now >= soak.seconds) break;
        // Every frame due is flown, however late: the path, and where it
        // ends, depend on the seed and the soak's length alone.
        while (static_cast<double>(flight.tally().frames) * SoakFlight::frameSeconds <= now) {
            camera.setPosition(flight.step());
            watch.fly(camera.position(), now);
        }
        // The main thread's share of a frame: storing the meshes made since.
        device.processPending();
        watch.tick(planet, now);
        if (now >= nextReport) {
            const Vec3 p = flight.position();
            std::fprintf(stderr, "[%6.0fs] at (%.0f, %.0f, %.0f)  chunks %zu  queued %zu  in flight %zu  rss %ld KiB\n",
                         now, p.x, p.y, p.z, planet.chunkCount(), planet.pendingRequests(), planet.inFlightCount(),
                         residentKiB());
            nextReport += 10.0;
        }
        const double due = static_cast<double>(flight.tally().frames) * SoakFlight::frameSeconds;
        if (due > now) std::this_thread::sleep_for(std::chrono::duration<double>(due - now));
    }
    return flight.tally();
}

// Waits, with the camera at rest, for three quiet passes that all began after
// it came to rest, then for one more audit.
RestResult rest(Planet& planet, HostMemoryDevice& device, SoakWatch& watch, const SoakOptions& soak,
                Clock::time_point start) {
    const std::uint64_t passesAtRest = planet.stats().passes;
    const double restStart = secondsSince(start);
    RestResult result;
    for (;;) {
        const double now = secondsSince(start);
        device.processPending();
        watch.tick(planet, now);
        const StreamingStats stats = planet.stats();
        if (stats.quietPasses >= 3 && stats.passes >= passesAtRest + 4) {
            result.converged = true;
            break;
        }
        if (now - restStart > soak.restLimitSeconds) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    result.seconds = secondsSince(start) - restStart;
    if (!result.converged) watch.violation("the planet did not converge around the resting camera");
    if (!planet.idle()) watch.violation("requests queued or in flight after convergence");
    const std::uint64_t audits = planet.stats().audits;
    planet.requestAudit();
    const Clock::time_point asked = Clock::now();
    while (planet.stats().audits == audits && secondsSince(asked) < 10.0) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return result;
}

// What the stopped planet holds around the resting camera.
RestCensus takeCensus(const Planet& planet, const Vec3& eye) {
    RestCensus census;
    planet.forEachChunk([&](const Chunk& chunk) {
        census.skipped += isSkippedChunk(chunk);
        if (chunk.meshPending.load(std::memory_order_acquire)) census.unmeshedReady += planet.neighboursPublished(chunk.key);
    });
    for (const ChunkKey& key : chunkKeysWithin(eye, planet.effectiveRadius())) {
        ++census.within;
        const std::shared_ptr<const Chunk> chunk = planet.findChunk(key);
        if (chunk == nullptr) {
            ++census.missing;
            continue;
        }
        census.skippedWithin += isSkippedChunk(*chunk);
        // Its last buffer creation failed, and it could be meshed: every
        // neighbour is present. (A retry that succeeds may find no face to
        // draw, where a placeholder beside it was built since; and a chunk
        // whose neighbour has gone waits for it like any other.)
        census.failedBufferWithin += chunk->meshPending.load(std::memory_order_acquire) &&
                                     chunk->bufferFailures.load(std::memory_order_acquire) != 0 &&
                                     planet.neighboursPublished(key);
    }
    return census;
}

void checkAtRest(const SoakOptions& soak, const SoakResult& result, SoakWatch& watch) {
    // Memory is judged over the minutes the windows were drawn for: a shorter
    // soak reports them without judging.
    const WatchTally& memory = watch.tally();
    if (soak.seconds >= 600.0 && memory.latePeakRssKiB * 10 > memory.earlyPeakRssKiB * 11) {
        watch.violation("the late peak resident set exceeds the early one by more than 10%");
    }
    if (result.census.missing != 0) watch.violation("chunks within the radius missing at rest");
    if (result.census.unmeshedReady != 0) watch.violation("chunks with every neighbour left unmeshed at rest");
    // The faults ended with the flight: what they left must be made good.
    if (result.census.skippedWithin != 0) watch.violation("chunks within the radius skipped at rest");
    if (result.census.failedBufferWithin != 0) {
        watch.violation("chunks within the radius left unmeshed by a failed buffer at rest");
    }
    if (result.stats.auditViolations != 0) watch.violation("the manager's audit found broken invariants");
    if (result.faults.bufferFailures != result.stats.failedBuffers) {
        watch.violation("injected buffer failures and reported ones differ");
    }
    if (result.faults.blockFailures != result.stats.skippedChunks) {
        watch.violation("injected allocation failures and skipped chunks differ");
    }
}

}  // namespace

int runSoak(const SoakOptions& soak, const ViewOptions& view) {
    const float viewRadius = view.viewRadius;
    StillCameraInput input;
    Camera camera(input);
    camera.setPosition(view.position);
    // Vertices live in the process's memory, as with a software rasteriser,
    // so that the resident set can be held to the planet's own account.
    HostMemoryDevice hostDevice;
    const FaultRates rates;
    seedFaults(soak.flightSeed);
    std::optional<FaultyGraphicsDevice> faultyDevice;
    std::optional<VoxelBlockFaults> blockFaults;  // outlives the planet's threads
    std::unique_ptr<TerrainGeneratorBase> generator;
    if (soak.faults) {
        faultyDevice.emplace(hostDevice, rates);
        blockFaults.emplace(rates);
        generator = std::make_unique<SleepyGenerator>(std::make_unique<TerrainGeneratorEarth>(), rates);
    } else {
        generator = std::make_unique<TerrainGeneratorEarth>();
    }
    GraphicsDevice& device = faultyDevice ? static_cast<GraphicsDevice&>(*faultyDevice) : hostDevice;
    SoakWatch watch(viewRadius, soak.seconds);
    SoakResult result;
    {
        Planet planet(device, viewRadius, ChunkPipeline::Fast, cameraPosition, std::move(generator));
        applyMemoryBudget(view, planet);
        planet.enableFarTerrain(view.farTerrain);
        const Clock::time_point began = Clock::now();
        result.flight = fly(planet, camera, hostDevice, soak, watch, began);
        // Without a flight the faults last while the planet first streams in
        // around the still camera.
        if (soak.faults && soak.seconds <= 0.0) rest(planet, hostDevice, watch, soak, began);
        // The faults end here: the rest judges what the planet made of the
        // holes they left.
        stopFaults();
        // The camera rests where the flight ended: the planet must converge
        // there from whatever the flight left behind.
        result.flightEnd = camera.position();
        result.eye = result.flightEnd;
        result.rest = rest(planet, hostDevice, watch, soak, began);
        planet.stop();
        result.stats = planet.stats();
        result.census = takeCensus(planet, result.eye);
        result.effectiveRadius = planet.effectiveRadius();
        result.memoryBudget = planet.memoryBudget();
    }
    blockFaults.reset();
    result.faults = snapshotFaults();
    checkAtRest(soak, result, watch);
    // Discards what the planet released as it went.
    hostDevice.processPending();
    if (hostDevice.liveBuffers() != 0) watch.violation("vertex buffers left on the device after the planet went");
    result.watch = watch.tally();
    printSoakReport(soak, viewRadius, result);
    return result.watch.violations == 0 ? 0 : 1;
}

}  // namespace gravelkin::tools
