// stream_probe: runs the real planet streaming (the manager and five chunk
// factories) headless, around a camera that stands still or moves along a
// straight line, and reports how long the streaming takes to settle, how
// soon the camera's surroundings are meshed, what it built, what the chunks
// cost in memory, and where the processor time went (per thread). Both
// moments come from the chunks' own stamps (planet/settle_moments.h): the
// last chunk built or meshed, and the last of the surroundings meshed.
//
// --jump streams at the start until it converges, then moves the camera at
// once by the offset given and times the streaming around the new spot.
//
// The graphics device keeps vertices in host memory but otherwise works as
// the OpenGL device does: the factories pack and group each mesh, and the
// main thread stores the buffers once every 10 ms, as the program does once
// a frame. So the processor times are the ones the program pays.
//
// --reference streams with the plain generator, mesher and voxel layout
// instead of the fast ones (same chunks, same meshes): run both to see what
// the fast paths gain (bench/streaming_before_after does).
//
// Progress goes to stderr once a second; the report goes to stdout, one
// "name: value" per line. Exit status: 0 converged, 1 not converged within
// the time limit, 2 bad arguments.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "camera/camera.h"
#include "camera/still_camera_input.h"
#include "cli/view_options.h"
#include "factory/chunk_pipeline.h"
#include "planet/chunks_within.h"
#include "planet/planet.h"
#include "planet/settle_moments.h"
#include "device/host_memory_device.h"
#include "tools/probe/planet_census.h"
#include "tools/process_stats.h"
#include "tools/soak/soak_run.h"

namespace {

using namespace gravelkin;
using Clock = std::chrono::steady_clock;
using tools::peakResidentKiB;
using tools::Census;
using tools::mib;
using tools::printChunks;
using tools::takeCensus;
using tools::threadTimes;
using tools::ProcessTimes;
using tools::processTimes;
using tools::ThreadTimes;

constexpr const char* usage =
    "usage: stream_probe [options]\n"
    "  --position X Y Z, --yaw DEG, --pitch DEG, --view-radius R, --seed N,\n"
    "  --far-terrain:     the camera's start, the streaming radius, the\n"
    "                     terrain and far terrain, as the program takes them\n"
    "                     (--radius R is --view-radius R)\n"
    "  --velocity X Y Z   move the camera along a straight line, units/s\n"
    "                     (default 0 0 0: the camera stands still)\n"
    "  --move-time S      seconds the camera moves before it stops (default 10)\n"
    "  --jump X Y Z       converge at the start first, then jump by this\n"
    "                     offset and time the streaming from the jump\n"
    "  --time-limit S     give up after S seconds (default 300)\n"
    "  --surroundings R   radius of the camera's surroundings whose meshing\n"
    "                     is timed (default 100)\n"
    "  --reference        build and mesh with the plain implementation\n"
    "  --help             show this text\n"
    "Streaming has converged once the camera is at rest and the manager has\n"
    "since made three passes in a row with nothing queued, in flight or being\n"
    "worked on, no request made and nothing dropped: every chunk still\n"
    "unmeshed then lacks a neighbour. The time to converge is when the last\n"
    "chunk was built or meshed (or the far terrain last had work). The\n"
    "surroundings are meshed when the last chunk whose centre is within R of\n"
    "the camera at rest was meshed (or built all air); chunks there that lack\n"
    "a neighbour beyond the streaming radius are never meshed, and are counted\n"
    "apart (surroundings_past_radius).\n"
    "Exit status: 0 converged, 1 not converged in time, 2 bad arguments.\n";

struct Options {
    ViewOptions view;
    Vec3 velocity{0.0f, 0.0f, 0.0f};
    Vec3 jump{0.0f, 0.0f, 0.0f};
    float moveSeconds = 10.0f;
    float timeLimitSeconds = 300.0f;
    float surroundingsRadius = 100.0f;
    ChunkPipeline pipeline = ChunkPipeline::Fast;
    bool help = false;
    tools::SoakOptions soak;
};

Options parseOptions(int argc, char** argv) {
    Options options;
    Arguments args(argc, argv);
    while (!args.done()) {
        std::string_view option = args.option();
        if (option == "--radius") option = "--view-radius";
        if (takeViewOption(option, args, options.view)) continue;
        if (option == "--help" || option == "-h") {
            options.help = true;
        } else if (option == "--velocity") {
            const float x = args.number(option);
            const float y = args.number(option);
            options.velocity = {x, y, args.number(option)};
        } else if (option == "--jump") {
            const float x = args.number(option);
            const float y = args.number(option);
            options.jump = {x, y, args.number(option)};
        } else if (option == "--move-time") {
            options.moveSeconds = args.number(option);
            if (options.moveSeconds < 0.0f) throw UsageError("--move-time: must not be negative");
        } else if (option == "--surroundings") {
            options.surroundingsRadius = args.numberAbove(option, 0.0f, maxViewRadius);
        } else if (option == "--reference") {
            options.pipeline = ChunkPipeline::Reference;
        } else if (option == "--time-limit") {
            options.timeLimitSeconds = args.numberAbove(option, 0.0f, 1e6f);
        } else if (tools::takeSoakOption(option, args, options.soak)) {
            continue;
        } else {
            throw unknownOption(option);
        }
    }
    return options;
}

struct Coverage {
    double seconds;
    std::size_t within;
    std::size_t present;
    std::size_t meshed;  // mesh step done, or all air (nothing to mesh)
};

// Any thread; finds are safe while the planet streams.
Coverage measureCoverage(const Planet& planet, const std::vector<ChunkKey>& keys, double seconds) {
    Coverage coverage{seconds, keys.size(), 0, 0};
    for (const ChunkKey& key : keys) {
        const std::shared_ptr<const Chunk> chunk = planet.findChunk(key);
        if (!chunk) continue;
        ++coverage.present;
        if (!chunk->meshPending.load(std::memory_order_acquire)) ++coverage.meshed;
    }
    return coverage;
}

double secondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}


// What the streaming loop saw.
struct StreamRun {
    bool converged = false;
    std::int64_t startStamp = 0;  // stampNow() when the clock started
    double restedAt = 0.0;        // when the camera came to rest
    double farLastBusy = 0.0;     // last time the far terrain had work
    double elapsed = 0.0;
    Vec3 eye;
    std::vector<Coverage> coverage;
};

// How the camera moves in one timed stretch: from `origin`, at `velocity`
// for `moveSeconds`, then at rest.
struct Motion {
    Vec3 origin;
    Vec3 velocity;
    float moveSeconds;
    bool moving() const { return velocity != Vec3{0.0f, 0.0f, 0.0f} && moveSeconds > 0.0f; }
    Vec3 rest() const { return moving() ? origin + velocity * moveSeconds : origin; }
};

// Moves the camera as `motion` says and waits until the planet converges
// around it at rest, or the time limit passes.
StreamRun streamUntilConverged(Planet& planet, Camera& camera, HostMemoryDevice& device, const Options& options,
                               const Motion& motion) {
    const bool moving = motion.moving();
    camera.setPosition(motion.origin);
    const Clock::time_point start = Clock::now();
    StreamRun run;
    run.startStamp = std::chrono::duration_cast<std::chrono::nanoseconds>(start.time_since_epoch()).count();
    run.eye = motion.origin;
    constexpr double reportInterval = 0.5;
    double nextReport = reportInterval;
    // Passes completed when the camera came to rest: the quiet streak must
    // lie wholly in passes that started afterwards.
    std::uint64_t passesAtRest = planet.stats().passes;
    bool resting = !moving;
    for (;;) {
        device.processPending();
        const double now = secondsSince(start);
        const bool stillMoving = moving && now < options.moveSeconds;
        if (moving) {
            const auto t = static_cast<float>(stillMoving ? now : motion.moveSeconds);
            run.eye = motion.origin + motion.velocity * t;
            camera.setPosition(run.eye);
        }
        if (!stillMoving && !resting) {
            resting = true;
            run.restedAt = now;
            passesAtRest = planet.stats().passes;
        }
        const StreamingStats stats = planet.stats();
        // With far terrain on, nodes still to build count as work too; they
        // carry no stamps, so the loop notes when it last saw them.
        if (planet.farTerrainEnabled() && !planet.idle()) run.farLastBusy = now;
        if (resting && stats.quietPasses >= 3 && stats.passes >= passesAtRest + 4 && planet.idle()) {
            run.converged = true;
            break;
        }
        if (now >= options.timeLimitSeconds) break;
        if (now >= nextReport) {
            if (moving) run.coverage.push_back(measureCoverage(planet, chunkKeysWithin(run.eye, planet.viewRadius()), now));
            std::fprintf(stderr,
                         "[%7.1fs] chunks %zu  queued %zu  in flight %zu  jobs %d  passes %llu  radius %.0f  "
                         "planet %.0f MiB  rss %.0f MiB%s\n",
                         now, planet.chunkCount(), planet.pendingRequests(), planet.inFlightCount(),
                         planet.activeJobCount(), static_cast<unsigned long long>(stats.passes),
                         static_cast<double>(planet.effectiveRadius()), mib(planet.memoryBytes()),
                         static_cast<double>(tools::residentKiB()) / 1024.0, stillMoving ? "  (moving)" : "");
            nextReport += reportInterval;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    run.elapsed = secondsSince(start);
    if (moving) run.coverage.push_back(measureCoverage(planet, chunkKeysWithin(run.eye, planet.viewRadius()), run.elapsed));
    return run;
}

// The run's two moments, in seconds from its start, from the stamps of the
// stopped planet; neither before the camera came to rest.
struct Moments {
    double converge = 0.0;
    double surroundings = -1.0;  // -1: not every surrounding chunk was meshed
    std::size_t surroundingsMeshed = 0;
    std::size_t surroundingsUnmeshed = 0;
};

Moments takeMoments(const Planet& planet, const StreamRun& run, const std::vector<ChunkKey>& surroundings) {
    const SettleMoments settled = settleMoments(planet, surroundings);
    const auto seconds = [&](std::int64_t stamp) {
        return std::max(run.restedAt, static_cast<double>(stamp - run.startStamp) / 1e9);
    };
    Moments moments;
    moments.converge = std::max(seconds(settled.lastChange), run.farLastBusy);
    moments.surroundingsMeshed = settled.surroundingsMeshed;
    moments.surroundingsUnmeshed = settled.surroundingsUnmeshed;
    if (settled.surroundingsMeshed != 0) moments.surroundings = seconds(settled.lastSurroundingMeshed);
    return moments;
}

// The surroundings' figure. Once converged, a surrounding chunk still
// unmeshed lacks a neighbour beyond the radius, which is never built: the
// figure is then the moment the others were meshed, and says so.
void printSurroundings(const StreamRun& run, const Moments& moments) {
    const std::size_t count = moments.surroundingsMeshed + moments.surroundingsUnmeshed;
    if (moments.surroundingsUnmeshed == 0) {
        std::printf("surroundings_meshed_s: %.2f\n", moments.surroundings);
    } else if (!run.converged) {
        std::printf("surroundings_meshed_s: never (%zu of %zu chunks unmeshed when the time ran out)\n",
                    moments.surroundingsUnmeshed, count);
    } else if (moments.surroundingsMeshed == 0) {
        std::printf("surroundings_meshed_s: beyond radius (none of the %zu chunks has every neighbour within it)\n",
                    count);
    } else {
        std::printf("surroundings_meshed_s: %.2f (beyond radius: %zu of %zu chunks lack a neighbour past it, "
                    "timed without them)\n",
                    moments.surroundings, moments.surroundingsUnmeshed, count);
    }
    std::printf("surroundings_past_radius: %zu\n", run.converged ? moments.surroundingsUnmeshed : 0);
}

void printTimes(const Options& options, const StreamRun& run, const Moments& moments, const ThreadTimes& cpu,
                const ProcessTimes& process, const Planet& planet) {
    const StreamingStats stats = planet.stats();
    std::printf("pipeline: %s\n", options.pipeline == ChunkPipeline::Reference ? "reference" : "fast");
    std::printf("converged: %s\n", run.converged ? "yes" : "no");
    if (run.converged) std::printf("converge_time_s: %.2f\n", moments.converge);
    printSurroundings(run, moments);
    if (planet.farTerrainEnabled()) {
        const FarTerrainStats far = planet.farTerrainStats();
        std::printf("far_nodes_drawn: %llu\n", static_cast<unsigned long long>(far.drawnNodes));
        std::printf("far_faces_drawn: %llu\n", static_cast<unsigned long long>(far.drawnFaces));
        std::printf("far_node_mib: %.1f\n", mib(far.deviceBytes));
    }
    std::printf("surroundings_radius: %.2f\n", options.surroundingsRadius);
    std::printf("surroundings_chunks: %zu\n", moments.surroundingsMeshed + moments.surroundingsUnmeshed);
    std::printf("elapsed_s: %.2f\n", run.elapsed);
    std::printf("camera_position: %.2f %.2f %.2f\n", run.eye.x, run.eye.y, run.eye.z);
    std::printf("view_radius: %.2f\n", planet.viewRadius());
    std::printf("effective_radius: %.2f\n", planet.effectiveRadius());
    std::printf("memory_budget_bytes: %llu (%.1f MiB)\n", static_cast<unsigned long long>(planet.memoryBudget()),
                mib(planet.memoryBudget()));
    std::printf("memory_bytes: %llu (%.1f MiB)\n", static_cast<unsigned long long>(planet.memoryBytes()),
                mib(planet.memoryBytes()));
    std::printf("factory_threads: %d\n", Planet::factoryCount);
    std::printf("hardware_threads: %u\n", std::thread::hardware_concurrency());
    std::printf("cpu_s_manager: %.3f\n", cpu.manager);
    std::printf("cpu_s_factories: %.3f\n", cpu.factories);
    std::printf("cpu_s_other: %.3f\n", cpu.other);
    std::printf("cpu_s_user: %.3f\n", process.user);
    std::printf("cpu_s_system: %.3f\n", process.system);
    if (stats.passes != 0) {
        std::printf("cpu_ms_per_manager_pass: %.3f\n", cpu.manager * 1e3 / static_cast<double>(stats.passes));
    }
}

int run(const Options& options) {
    StillCameraInput input;
    Camera camera(input);
    camera.setPosition(options.view.position);
    camera.setOrientation(options.view.yawDegrees, options.view.pitchDegrees);
    HostMemoryDevice device;
    // The camera is declared first, so it outlives the planet's threads.
    Planet planet(device, options.view.viewRadius, options.pipeline, cameraPosition, options.view.seed);
    applyMemoryBudget(options.view, planet);
    planet.enableFarTerrain(options.view.farTerrain);
    Motion motion{options.view.position, options.velocity, options.moveSeconds};
    const bool jumping = options.jump != Vec3{0.0f, 0.0f, 0.0f};
    if (jumping) {
        const StreamRun before = streamUntilConverged(planet, camera, device, options, Motion{motion.origin, {}, 0.0f});
        if (!before.converged) {
            std::printf("converged: no (before the jump)\n");
            return 1;
        }
        std::printf("converged_before_jump_s: %.2f\n", before.elapsed);
        motion.origin = motion.origin + options.jump;
    }
    // Built before the clock starts.
    const std::vector<ChunkKey> surroundings = chunkKeysWithin(motion.rest(), options.surroundingsRadius);
    const ThreadTimes cpuBefore = threadTimes();
    const ProcessTimes processBefore = processTimes();
    const StreamRun streamed = streamUntilConverged(planet, camera, device, options, motion);
    // Before stop(): the times of threads that have ended are gone.
    const ThreadTimes cpu = threadTimes() - cpuBefore;
    const ProcessTimes process = processTimes() - processBefore;
    // From here no thread of the planet runs, so its chunks may be walked.
    planet.stop();
    const Census census = takeCensus(planet, streamed.eye);
    const Moments moments = takeMoments(planet, streamed, surroundings);

    if (jumping) std::printf("jump: %.2f %.2f %.2f\n", options.jump.x, options.jump.y, options.jump.z);
    printTimes(options, streamed, moments, cpu, process, planet);
    printChunks(census, planet);
    device.processPending();
    std::printf("device_vertex_bytes: %llu (%.1f MiB)\n", static_cast<unsigned long long>(device.storedBytes()),
                mib(device.storedBytes()));
    const long peak = peakResidentKiB();
    std::printf("peak_rss_kib: %ld (%.1f MiB)\n", peak, static_cast<double>(peak) / 1024.0);
    if (!streamed.coverage.empty()) {
        std::printf("coverage_columns: time_s within present meshed\n");
        for (const Coverage& c : streamed.coverage) {
            std::printf("coverage: %.2f %zu %zu %zu\n", c.seconds, c.within, c.present, c.meshed);
        }
    }
    return streamed.converged ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    try {
        options = parseOptions(argc, argv);
    } catch (const UsageError& bad) {
        std::fprintf(stderr, "stream_probe: %s\n(try --help)\n", bad.what());
        return 2;
    }
    if (options.help) {
        std::fputs(usage, stdout);
        std::fputs(tools::soakUsage, stdout);
        return 0;
    }
    if (options.soak.requested()) {
        return tools::runSoak(options.soak, options.view);
    }
    return run(options);
}
