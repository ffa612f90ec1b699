// stream_probe: runs the real planet streaming (the manager and five chunk
// factories) headless, around a camera that stands still or moves along a
// straight line, and reports how long the streaming takes to settle, how
// soon the camera's surroundings are meshed, what it built, what the chunks
// cost in memory, and where the processor time went (per thread).
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

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "camera/camera.h"
#include "camera/still_camera_input.h"
#include "cli/view_options.h"
#include "factory/chunk_pipeline.h"
#include "voxel/constant_voxel_blocks.h"
#include "planet/chunks_within.h"
#include "camera/distance.h"
#include "planet/planet.h"
#include "device/host_memory_device.h"
#include "tools/print_streaming_stats.h"
#include "tools/process_stats.h"
#include "tools/soak/soak_run.h"

namespace {

using namespace gravelkin;
using Clock = std::chrono::steady_clock;
using tools::peakResidentKiB;
using tools::printStreamingStats;
using tools::threadTimes;
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
    "  --time-limit S     give up after S seconds (default 300)\n"
    "  --surroundings R   radius of the camera's surroundings whose meshing\n"
    "                     is timed (default 100)\n"
    "  --reference        build and mesh with the plain implementation\n"
    "  --help             show this text\n"
    "Streaming has converged once the camera is at rest and the manager has\n"
    "since made three passes in a row with nothing queued, in flight or being\n"
    "worked on, no request made and nothing dropped: every chunk still\n"
    "unmeshed then lacks a neighbour. The surroundings are meshed once every\n"
    "chunk whose centre is within R of the camera at rest is present and\n"
    "meshed (or all air, which needs no mesh).\n"
    "Exit status: 0 converged, 1 not converged in time, 2 bad arguments.\n";

struct Options {
    ViewOptions view;
    Vec3 velocity{0.0f, 0.0f, 0.0f};
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
double mib(std::uint64_t bytes) { return static_cast<double>(bytes) / (1024.0 * 1024.0); }

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


// What the chunks of a stopped planet hold in memory: their records, the
// voxel blocks of their own, and the shared constant blocks. Vertex data
// lives on the graphics device and is reported apart.
struct ChunkMemory {
    std::uint64_t records = 0;
    std::uint64_t ownBlocks = 0;
    std::uint64_t bytes = 0;
};

ChunkMemory measureChunkMemory(const Planet& planet) {
    ChunkMemory memory;
    planet.forEachChunk([&](const Chunk& chunk) {
        ++memory.records;
        memory.ownBlocks += chunk.voxels.ownsBlock();
    });
    const std::uint64_t sharedBlocks = constantVoxelBlockCount();
    memory.bytes = memory.records * sizeof(Chunk) + (memory.ownBlocks + sharedBlocks) * sizeof(VoxelBlock);
    return memory;
}

// What the streaming loop saw.
struct StreamRun {
    bool converged = false;
    double lastBusy = 0.0;  // last time the manager's quiet streak was 0
    double elapsed = 0.0;
    // When every chunk of the resting camera's surroundings was first meshed.
    double surroundingsMeshed = -1.0;
    std::size_t surroundingsCount = 0;
    Vec3 eye;
    std::vector<Coverage> coverage;
};

// Moves the camera as the options say and waits until the planet converges
// around it at rest, or the time limit passes.
StreamRun streamUntilConverged(Planet& planet, Camera& camera, HostMemoryDevice& device, const Options& options) {
    const bool moving = options.velocity != Vec3{0.0f, 0.0f, 0.0f} && options.moveSeconds > 0.0f;
    const Clock::time_point start = Clock::now();
    StreamRun run;
    run.eye = options.view.position;
    constexpr double reportInterval = 0.5;
    double nextReport = reportInterval;
    // Passes completed when the camera came to rest: the quiet streak must
    // lie wholly in passes that started afterwards.
    std::uint64_t passesAtRest = 0;
    bool resting = !moving;
    std::vector<ChunkKey> surroundings;
    for (;;) {
        device.processPending();
        const double now = secondsSince(start);
        const bool stillMoving = moving && now < options.moveSeconds;
        if (moving) {
            const auto t = static_cast<float>(stillMoving ? now : options.moveSeconds);
            run.eye = options.view.position + options.velocity * t;
            camera.setPosition(run.eye);
        }
        if (!stillMoving && !resting) {
            resting = true;
            passesAtRest = planet.stats().passes;
        }
        if (resting && run.surroundingsMeshed < 0.0) {
            if (surroundings.empty()) surroundings = chunkKeysWithin(run.eye, options.surroundingsRadius);
            const Coverage near = measureCoverage(planet, surroundings, now);
            if (near.meshed == near.within) run.surroundingsMeshed = now;
        }
        const StreamingStats stats = planet.stats();
        // With far terrain on, nodes still to build count as work too.
        const bool nodesPending = planet.farTerrainEnabled() && !planet.idle();
        if (stats.quietPasses == 0 || stillMoving || nodesPending) run.lastBusy = now;
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
    run.surroundingsCount = surroundings.size();
    return run;
}

// What a stopped planet holds.
struct Census {
    std::size_t byFill[4] = {0, 0, 0, 0};
    std::size_t meshed = 0, withFaces = 0, unmeshed = 0, unmeshedReady = 0;
    std::size_t within = 0, missing = 0;
    std::uint64_t vertices = 0;
    ChunkMemory memory;
};

Census takeCensus(const Planet& planet, const Vec3& eye) {
    Census census;
    planet.forEachChunk([&](const Chunk& chunk) {
        const auto fill = static_cast<std::size_t>(chunk.fillState);
        ++census.byFill[chunk.fillState <= ChunkFillState::AllSolid ? fill : 0u];
        const std::uint32_t count = chunk.vertexCount.load(std::memory_order_acquire);
        census.vertices += count;
        census.withFaces += count != 0;
        if (chunk.meshPending.load(std::memory_order_acquire)) {
            ++census.unmeshed;
            census.unmeshedReady += planet.neighboursPublished(chunk.key);
        } else if (chunk.fillState != ChunkFillState::AllAir) {
            ++census.meshed;
        }
    });
    for (const ChunkKey& key : chunkKeysWithin(eye, planet.effectiveRadius())) {
        ++census.within;
        census.missing += planet.findChunk(key) == nullptr;
    }
    census.memory = measureChunkMemory(planet);
    return census;
}

void printTimes(const Options& options, const StreamRun& run, const ThreadTimes& cpu, const Planet& planet) {
    const StreamingStats stats = planet.stats();
    std::printf("pipeline: %s\n", options.pipeline == ChunkPipeline::Reference ? "reference" : "fast");
    std::printf("converged: %s\n", run.converged ? "yes" : "no");
    if (run.converged) std::printf("converge_time_s: %.2f\n", run.lastBusy);
    if (run.surroundingsMeshed >= 0.0) {
        std::printf("surroundings_meshed_s: %.2f\n", run.surroundingsMeshed);
    } else {
        std::printf("surroundings_meshed_s: never\n");
    }
    if (planet.farTerrainEnabled()) {
        const FarTerrainStats far = planet.farTerrainStats();
        std::printf("far_nodes_drawn: %llu\n", static_cast<unsigned long long>(far.drawnNodes));
        std::printf("far_faces_drawn: %llu\n", static_cast<unsigned long long>(far.drawnFaces));
        std::printf("far_node_mib: %.1f\n", mib(far.deviceBytes));
    }
    std::printf("surroundings_radius: %.2f\n", options.surroundingsRadius);
    std::printf("surroundings_chunks: %zu\n", run.surroundingsCount);
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
    if (stats.passes != 0) {
        std::printf("cpu_ms_per_manager_pass: %.3f\n", cpu.manager * 1e3 / static_cast<double>(stats.passes));
    }
}

void printChunks(const Census& census, const Planet& planet) {
    const auto byFill = [&](ChunkFillState state) { return census.byFill[static_cast<std::size_t>(state)]; };
    const auto u64 = [](std::uint64_t value) { return static_cast<unsigned long long>(value); };
    std::printf("chunks: %zu\n", planet.chunkCount());
    std::printf("chunks_unknown: %zu\n", byFill(ChunkFillState::Unknown));
    std::printf("chunks_mixed: %zu\n", byFill(ChunkFillState::Mixed));
    std::printf("chunks_all_air: %zu\n", byFill(ChunkFillState::AllAir));
    std::printf("chunks_all_solid: %zu\n", byFill(ChunkFillState::AllSolid));
    std::printf("chunks_meshed: %zu\n", census.meshed);
    std::printf("chunks_with_faces: %zu\n", census.withFaces);
    std::printf("chunks_unmeshed: %zu\n", census.unmeshed);
    std::printf("chunks_unmeshed_with_all_neighbours: %zu\n", census.unmeshedReady);
    std::printf("chunks_within_radius: %zu\n", census.within);
    std::printf("chunks_within_radius_missing: %zu\n", census.missing);
    std::printf("chunks_with_own_voxel_block: %llu\n", u64(census.memory.ownBlocks));
    std::printf("chunk_memory_bytes: %llu (%.1f MiB)\n", u64(census.memory.bytes), mib(census.memory.bytes));
    std::printf("faces: %llu\n", u64(census.vertices / 6));
    std::printf("vertices: %llu\n", u64(census.vertices));
    std::printf("vertex_bytes: %llu (%.1f MiB)\n", u64(census.vertices * sizeof(ChunkVertex)),
                mib(census.vertices * sizeof(ChunkVertex)));
    printStreamingStats(planet.stats());
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
    const StreamRun streamed = streamUntilConverged(planet, camera, device, options);
    // Before stop(): the times of threads that have ended are gone.
    const ThreadTimes cpu = threadTimes();
    // From here no thread of the planet runs, so its chunks may be walked.
    planet.stop();
    const Census census = takeCensus(planet, streamed.eye);

    printTimes(options, streamed, cpu, planet);
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
