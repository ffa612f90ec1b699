// stream_probe: runs the real planet streaming (the manager and five chunk
// factories) headless, on the null graphics device, around a camera that
// stands still or moves along a straight line, and reports how long the
// streaming takes to settle and what it built.
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
#include <fstream>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "camera/camera.h"
#include "camera/still_camera_input.h"
#include "planet/chunks_within.h"
#include "planet/distance.h"
#include "planet/neighbours_present.h"
#include "planet/planet.h"
#include "render/null_graphics_device.h"

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
    "  --help             show this text\n"
    "Streaming has converged once the camera is at rest and the manager has\n"
    "since made three passes in a row with nothing queued, in flight or being\n"
    "worked on, no request made and nothing dropped: every chunk still\n"
    "unmeshed then lacks a neighbour.\n"
    "Exit status: 0 converged, 1 not converged in time, 2 bad arguments.\n";

struct Options {
    Vec3 position = cameraStartPosition;
    Vec3 velocity{0.0f, 0.0f, 0.0f};
    float moveSeconds = 10.0f;
    float radius = Planet::defaultViewRadius;
    float timeLimitSeconds = 300.0f;
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

// Any thread; finds are safe while the planet streams.
Coverage measureCoverage(const Planet& planet, const Vec3& eye, double seconds) {
    Coverage coverage{seconds, 0, 0, 0};
    for (const ChunkKey& key : chunkKeysWithin(eye, planet.viewRadius)) {
        ++coverage.within;
        const std::shared_ptr<Chunk> chunk = findChunk(planet.chunks, key);
        if (!chunk) continue;
        ++coverage.present;
        if (!chunk->meshPending.load(std::memory_order_acquire)) ++coverage.meshed;
    }
    return coverage;
}

double secondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

int run(const Options& options) {
    StillCameraInput input;
    Camera camera(input);
    camera.setPosition(options.position);
    const bool moving = options.velocity != Vec3{0.0f, 0.0f, 0.0f} && options.moveSeconds > 0.0f;

    NullGraphicsDevice device;
    // The camera is declared first, so it outlives the planet's threads.
    Planet planet(device, options.radius);
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
        const StreamingStats stats = planet.stats();
        if (stats.quietPasses == 0 || stillMoving) lastBusy = now;
        if (resting && stats.quietPasses >= 3 && stats.passes >= passesAtRest + 4) {
            converged = true;
            break;
        }
        if (now >= options.timeLimitSeconds) break;
        if (now >= nextReport) {
            if (moving) coverage.push_back(measureCoverage(planet, eye, now));
            std::fprintf(stderr, "[%7.1fs] chunks %zu  queued %zu  in flight %zu  jobs %d  passes %llu%s\n", now,
                         planet.chunks.size(), planet.pendingRequests(), planet.inFlightCount(),
                         planet.activeJobCount(), static_cast<unsigned long long>(stats.passes),
                         stillMoving ? "  (moving)" : "");
            nextReport += 1.0;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    const double elapsed = secondsSince(start);
    if (moving) coverage.push_back(measureCoverage(planet, eye, elapsed));

    // From here no thread of the planet runs, so the map may be walked.
    planet.stop();
    std::size_t byFill[4] = {0, 0, 0, 0};
    std::size_t meshed = 0, withFaces = 0, unmeshed = 0, unmeshedReady = 0;
    std::uint64_t vertices = 0;
    for (const auto& [key, chunk] : planet.chunks) {
        ++byFill[chunk->fillState <= AllSolid ? static_cast<std::size_t>(chunk->fillState) : 0u];
        const std::uint32_t count = chunk->vertexCount.load(std::memory_order_acquire);
        vertices += count;
        withFaces += count != 0;
        if (chunk->meshPending.load(std::memory_order_acquire)) {
            ++unmeshed;
            unmeshedReady += neighboursPresent(planet.chunks, key);
        } else if (chunk->fillState != AllAir) {
            ++meshed;
        }
    }
    std::size_t within = 0, missing = 0;
    for (const ChunkKey& key : chunkKeysWithin(eye, planet.viewRadius)) {
        ++within;
        missing += planet.chunks.count(key) == 0;
    }
    const StreamingStats stats = planet.stats();

    std::printf("converged: %s\n", converged ? "yes" : "no");
    if (converged) std::printf("converge_time_s: %.2f\n", lastBusy);
    std::printf("elapsed_s: %.2f\n", elapsed);
    std::printf("camera_position: %.2f %.2f %.2f\n", eye.x, eye.y, eye.z);
    std::printf("view_radius: %.2f\n", planet.viewRadius);
    std::printf("factory_threads: %d\n", Planet::factoryCount);
    std::printf("hardware_threads: %u\n", std::thread::hardware_concurrency());
    std::printf("manager_passes: %llu\n", static_cast<unsigned long long>(stats.passes));
    std::printf("chunks: %zu\n", planet.chunks.size());
    std::printf("chunks_unknown: %zu\n", byFill[Unknown]);
    std::printf("chunks_mixed: %zu\n", byFill[Mixed]);
    std::printf("chunks_all_air: %zu\n", byFill[AllAir]);
    std::printf("chunks_all_solid: %zu\n", byFill[AllSolid]);
    std::printf("chunks_meshed: %zu\n", meshed);
    std::printf("chunks_with_faces: %zu\n", withFaces);
    std::printf("chunks_unmeshed: %zu\n", unmeshed);
    std::printf("chunks_unmeshed_with_all_neighbours: %zu\n", unmeshedReady);
    std::printf("chunks_within_radius: %zu\n", within);
    std::printf("chunks_within_radius_missing: %zu\n", missing);
    std::printf("faces: %llu\n", static_cast<unsigned long long>(vertices / 6));
    std::printf("vertices: %llu\n", static_cast<unsigned long long>(vertices));
    std::printf("vertex_bytes: %llu\n", static_cast<unsigned long long>(vertices * sizeof(ChunkVertex)));
    std::printf("generate_requests: %llu\n", static_cast<unsigned long long>(stats.generateRequests));
    std::printf("mesh_requests: %llu\n", static_cast<unsigned long long>(stats.meshRequests));
    std::printf("erased_chunks: %llu\n", static_cast<unsigned long long>(stats.erasedChunks));
    std::printf("draw_list_rebuilds: %llu\n", static_cast<unsigned long long>(stats.drawListRebuilds));
    std::printf("peak_rss_kib: %ld\n", peakResidentKiB());
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
