// stream_probe: runs the real planet streaming (the manager and five chunk
// factories) headless, on the null graphics device, around a camera that
// stands still or moves along a straight line, and reports how long the
// streaming takes to settle, how soon the camera's surroundings are meshed,
// what it built, what the chunks cost in memory, and where the processor
// time went (per thread).
//
// --reference streams with the plain generator, mesher and voxel layout
// instead of the fast ones (same chunks, same meshes): run both to see what
// the fast paths gain (bench/streaming_before_after does).
//
// Progress goes to stderr once a second; the report goes to stdout, one
// "name: value" per line. Exit status: 0 converged, 1 not converged within
// the time limit, 2 bad arguments.

#include <cerrno>
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
#include "factory/chunk_pipeline.h"
#include "factory/voxel/constant_voxel_blocks.h"
#include "planet/chunks_within.h"
#include "camera/distance.h"
#include "geometry/neighbours.h"
#include "planet/planet.h"
#include "render/device/null_graphics_device.h"

namespace {

using namespace gravelkin;
using Clock = std::chrono::steady_clock;

constexpr const char* usage =
    "usage: stream_probe [options]\n"
    "  --position X Y Z   camera start position (default 0 400 0)\n"
    "  --velocity X Y Z   move the camera along a straight line, units/s\n"
    "                     (default 0 0 0: the camera stands still)\n"
    "  --move-time S      seconds the camera moves before it stops (default 10)\n"
    "  --radius R         streaming radius (default 500)\n"
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
    Vec3 position = cameraStartPosition;
    Vec3 velocity{0.0f, 0.0f, 0.0f};
    float moveSeconds = 10.0f;
    float radius = Planet::defaultViewRadius;
    float timeLimitSeconds = 300.0f;
    float surroundingsRadius = 100.0f;
    ChunkPipeline pipeline = ChunkPipeline::Fast;
    bool help = false;
};

struct BadArguments {
    std::string message;
};

float parseNumber(std::string_view option, const char* text) {
    char* end = nullptr;
    errno = 0;
    const float value = std::strtof(text, &end);
    if (end == text || *end != '\0' || errno != 0 || !std::isfinite(value)) {
        throw BadArguments{std::string(option) + ": not a number: '" + text + "'"};
    }
    return value;
}

Options parseOptions(int argc, char** argv) {
    Options options;
    for (int i = 1; i < argc; ++i) {
        const std::string_view option = argv[i];
        auto values = [&](int count) {
            if (i + count >= argc) {
                throw BadArguments{std::string(option) + ": needs " + std::to_string(count) + " value(s)"};
            }
            std::vector<float> parsed;
            for (int k = 0; k < count; ++k) parsed.push_back(parseNumber(option, argv[++i]));
            return parsed;
        };
        if (option == "--help" || option == "-h") {
            options.help = true;
        } else if (option == "--position") {
            const auto v = values(3);
            options.position = {v[0], v[1], v[2]};
        } else if (option == "--velocity") {
            const auto v = values(3);
            options.velocity = {v[0], v[1], v[2]};
        } else if (option == "--move-time") {
            options.moveSeconds = values(1)[0];
            if (options.moveSeconds < 0.0f) throw BadArguments{"--move-time: must not be negative"};
        } else if (option == "--radius") {
            options.radius = values(1)[0];
            if (options.radius <= 0.0f || options.radius > 4000.0f) {
                throw BadArguments{"--radius: must be above 0 and at most 4000"};
            }
        } else if (option == "--surroundings") {
            options.surroundingsRadius = values(1)[0];
            if (options.surroundingsRadius <= 0.0f) throw BadArguments{"--surroundings: must be positive"};
        } else if (option == "--reference") {
            options.pipeline = ChunkPipeline::Reference;
        } else if (option == "--time-limit") {
            options.timeLimitSeconds = values(1)[0];
            if (options.timeLimitSeconds <= 0.0f) throw BadArguments{"--time-limit: must be positive"};
        } else {
            throw BadArguments{"unknown option '" + std::string(option) + "'"};
        }
    }
    return options;
}

// Peak resident set size of this process, from the kernel's VmHWM line.
long peakResidentKiB() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmHWM:", 0) == 0) return std::strtol(line.c_str() + 6, nullptr, 10);
    }
    return -1;
}

struct Coverage {
    double seconds;
    std::size_t within;
    std::size_t present;
    std::size_t meshed;  // mesh step done, or all air (nothing to mesh)
};

// Whether every chunk a mesh of `key` needs is published.
bool allNeighboursPublished(const Planet& planet, const ChunkKey& key) {
    for (std::uint8_t d = 0; d < directionCount; ++d) {
        for (const ChunkKey& across : chunkKeysAcross(key, d)) {
            if (!planet.findChunk(across)) return false;
        }
    }
    return true;
}

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

// Processor time of this process's threads, grouped by thread name: the
// planet's manager, its factories, and everything else (this thread).
struct ThreadTimes {
    double manager = 0.0;
    double factories = 0.0;
    double other = 0.0;
};

std::string firstLine(const std::filesystem::path& path) {
    std::ifstream file(path);
    std::string line;
    std::getline(file, line);
    return line;
}

// From /proc/self/task/*/schedstat, whose first field is the nanoseconds the
// thread has run. Threads that have ended are not counted.
ThreadTimes threadTimes() {
    ThreadTimes times;
    std::error_code error;
    for (const auto& task : std::filesystem::directory_iterator("/proc/self/task", error)) {
        const std::string name = firstLine(task.path() / "comm");
        const double seconds = std::strtod(firstLine(task.path() / "schedstat").c_str(), nullptr) / 1e9;
        if (name == Planet::managerThreadName) {
            times.manager += seconds;
        } else if (name.rfind(Planet::factoryThreadNamePrefix, 0) == 0) {
            times.factories += seconds;
        } else {
            times.other += seconds;
        }
    }
    return times;
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

int run(const Options& options) {
    StillCameraInput input;
    Camera camera(input);
    camera.setPosition(options.position);
    const bool moving = options.velocity != Vec3{0.0f, 0.0f, 0.0f} && options.moveSeconds > 0.0f;

    NullGraphicsDevice device;
    // The camera is declared first, so it outlives the planet's threads.
    Planet planet(device, options.radius, options.pipeline);
    const Clock::time_point start = Clock::now();

    std::vector<Coverage> coverage;
    double nextReport = 1.0;
    double lastBusy = 0.0;  // last time the manager's quiet streak was 0
    // Passes completed when the camera came to rest: the quiet streak must
    // lie wholly in passes that started afterwards.
    std::uint64_t passesAtRest = 0;
    bool resting = !moving;
    bool converged = false;
    Vec3 eye = options.position;
    // The surroundings of the camera at rest, once known; then the time they
    // were first all meshed.
    std::vector<ChunkKey> surroundings;
    double surroundingsMeshed = -1.0;
    for (;;) {
        const double now = secondsSince(start);
        const bool stillMoving = moving && now < options.moveSeconds;
        if (moving) {
            const auto t = static_cast<float>(stillMoving ? now : options.moveSeconds);
            eye = options.position + options.velocity * t;
            camera.setPosition(eye);
        }
        if (!stillMoving && !resting) {
            resting = true;
            passesAtRest = planet.stats().passes;
        }
        if (resting && surroundingsMeshed < 0.0) {
            if (surroundings.empty()) surroundings = chunkKeysWithin(eye, options.surroundingsRadius);
            const Coverage near = measureCoverage(planet, surroundings, now);
            if (near.meshed == near.within) surroundingsMeshed = now;
        }
        const StreamingStats stats = planet.stats();
        if (stats.quietPasses == 0 || stillMoving) lastBusy = now;
        if (resting && stats.quietPasses >= 3 && stats.passes >= passesAtRest + 4) {
            converged = true;
            break;
        }
        if (now >= options.timeLimitSeconds) break;
        if (now >= nextReport) {
            if (moving) coverage.push_back(measureCoverage(planet, chunkKeysWithin(eye, planet.viewRadius()), now));
            std::fprintf(stderr, "[%7.1fs] chunks %zu  queued %zu  in flight %zu  jobs %d  passes %llu%s\n", now,
                         planet.chunkCount(), planet.pendingRequests(), planet.inFlightCount(),
                         planet.activeJobCount(), static_cast<unsigned long long>(stats.passes),
                         stillMoving ? "  (moving)" : "");
            nextReport += 1.0;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    const double elapsed = secondsSince(start);
    if (moving) coverage.push_back(measureCoverage(planet, chunkKeysWithin(eye, planet.viewRadius()), elapsed));
    // Before stop(): the times of threads that have ended are gone.
    const ThreadTimes cpu = threadTimes();

    // From here no thread of the planet runs, so the map may be walked.
    planet.stop();
    std::size_t byFill[4] = {0, 0, 0, 0};
    std::size_t meshed = 0, withFaces = 0, unmeshed = 0, unmeshedReady = 0;
    std::uint64_t vertices = 0;
    planet.forEachChunk([&](const Chunk& chunk) {
        ++byFill[chunk.fillState <= ChunkFillState::AllSolid ? static_cast<std::size_t>(chunk.fillState) : 0u];
        const std::uint32_t count = chunk.vertexCount.load(std::memory_order_acquire);
        vertices += count;
        withFaces += count != 0;
        if (chunk.meshPending.load(std::memory_order_acquire)) {
            ++unmeshed;
            unmeshedReady += allNeighboursPublished(planet, chunk.key);
        } else if (chunk.fillState != ChunkFillState::AllAir) {
            ++meshed;
        }
    });
    std::size_t within = 0, missing = 0;
    for (const ChunkKey& key : chunkKeysWithin(eye, planet.viewRadius())) {
        ++within;
        missing += planet.findChunk(key) == nullptr;
    }
    const StreamingStats stats = planet.stats();
    const ChunkMemory chunkMemory = measureChunkMemory(planet);
    const auto mib = [](std::uint64_t bytes) { return static_cast<double>(bytes) / (1024.0 * 1024.0); };

    std::printf("pipeline: %s\n", options.pipeline == ChunkPipeline::Reference ? "reference" : "fast");
    std::printf("converged: %s\n", converged ? "yes" : "no");
    if (converged) std::printf("converge_time_s: %.2f\n", lastBusy);
    if (surroundingsMeshed >= 0.0) {
        std::printf("surroundings_meshed_s: %.2f\n", surroundingsMeshed);
    } else {
        std::printf("surroundings_meshed_s: never\n");
    }
    std::printf("surroundings_radius: %.2f\n", options.surroundingsRadius);
    std::printf("surroundings_chunks: %zu\n", surroundings.size());
    std::printf("elapsed_s: %.2f\n", elapsed);
    std::printf("camera_position: %.2f %.2f %.2f\n", eye.x, eye.y, eye.z);
    std::printf("view_radius: %.2f\n", planet.viewRadius());
    std::printf("factory_threads: %d\n", Planet::factoryCount);
    std::printf("hardware_threads: %u\n", std::thread::hardware_concurrency());
    std::printf("manager_passes: %llu\n", static_cast<unsigned long long>(stats.passes));
    std::printf("cpu_s_manager: %.3f\n", cpu.manager);
    std::printf("cpu_s_factories: %.3f\n", cpu.factories);
    std::printf("cpu_s_other: %.3f\n", cpu.other);
    if (stats.passes != 0) {
        std::printf("cpu_ms_per_manager_pass: %.3f\n", cpu.manager * 1e3 / static_cast<double>(stats.passes));
    }
    std::printf("chunks: %zu\n", planet.chunkCount());
    std::printf("chunks_unknown: %zu\n", byFill[static_cast<std::size_t>(ChunkFillState::Unknown)]);
    std::printf("chunks_mixed: %zu\n", byFill[static_cast<std::size_t>(ChunkFillState::Mixed)]);
    std::printf("chunks_all_air: %zu\n", byFill[static_cast<std::size_t>(ChunkFillState::AllAir)]);
    std::printf("chunks_all_solid: %zu\n", byFill[static_cast<std::size_t>(ChunkFillState::AllSolid)]);
    std::printf("chunks_meshed: %zu\n", meshed);
    std::printf("chunks_with_faces: %zu\n", withFaces);
    std::printf("chunks_unmeshed: %zu\n", unmeshed);
    std::printf("chunks_unmeshed_with_all_neighbours: %zu\n", unmeshedReady);
    std::printf("chunks_within_radius: %zu\n", within);
    std::printf("chunks_within_radius_missing: %zu\n", missing);
    std::printf("chunks_with_own_voxel_block: %llu\n", static_cast<unsigned long long>(chunkMemory.ownBlocks));
    std::printf("chunk_memory_bytes: %llu (%.1f MiB)\n", static_cast<unsigned long long>(chunkMemory.bytes),
                mib(chunkMemory.bytes));
    std::printf("faces: %llu\n", static_cast<unsigned long long>(vertices / 6));
    std::printf("vertices: %llu\n", static_cast<unsigned long long>(vertices));
    std::printf("vertex_bytes: %llu (%.1f MiB)\n", static_cast<unsigned long long>(vertices * sizeof(ChunkVertex)),
                mib(vertices * sizeof(ChunkVertex)));
    std::printf("generate_requests: %llu\n", static_cast<unsigned long long>(stats.generateRequests));
    std::printf("mesh_requests: %llu\n", static_cast<unsigned long long>(stats.meshRequests));
    std::printf("erased_chunks: %llu\n", static_cast<unsigned long long>(stats.erasedChunks));
    std::printf("draw_list_rebuilds: %llu\n", static_cast<unsigned long long>(stats.drawListRebuilds));
    const long peak = peakResidentKiB();
    std::printf("peak_rss_kib: %ld (%.1f MiB)\n", peak, static_cast<double>(peak) / 1024.0);
    if (!coverage.empty()) {
        std::printf("coverage_columns: time_s within present meshed\n");
        for (const Coverage& c : coverage) {
            std::printf("coverage: %.2f %zu %zu %zu\n", c.seconds, c.within, c.present, c.meshed);
        }
    }
    return converged ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    try {
        options = parseOptions(argc, argv);
    } catch (const BadArguments& bad) {
        std::fprintf(stderr, "stream_probe: %s\n(try --help)\n", bad.message.c_str());
        return 2;
    }
    if (options.help) {
        std::fputs(usage, stdout);
        return 0;
    }
    return run(options);
}
