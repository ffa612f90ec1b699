// Flies the camera the way a user does, from orbit down to the surface and
// back up, rendering headless as it goes, and counts the holes in the
// terrain on every frame.
//
// The planet streams around the camera on its own threads, so the flight
// runs in wall-clock time: first the planet settles around the start point,
// then the camera moves along the straight legs (--from to --to, and back
// unless --one-way) at --speed, looking at the planet's centre all the way
// (which keeps the planet in view from orbit to the ground), and a frame is
// rendered every --interval seconds of flight and once on arrival. After
// arriving it goes on rendering every --interval until the planet is idle,
// or --settle seconds have passed, and renders one last frame.
//
// Each frame counts its crack pixels (render/crack_check.h): sky where the
// view ray meets the solid shells. Prints one line per frame, then the
// summary lines `largest crack pixels during flight: N` and `crack pixels
// after settling: N`. Run it from the folder that holds shaders.hlsl and
// assets/.
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include <epoxy/gl.h>

#include "app/heap_policy.h"
#include "app/view_snapshot.h"
#include "cli/view_options.h"
#include "render/crack_check.h"
#include "render/headless_snapshot.h"
#include "render/headless_view.h"
#include "tools/flight/flight_path.h"

namespace {

using namespace gravelkin;
using tools::FlightPath;
using tools::LookAngles;
using tools::lookAtCentre;
using Clock = std::chrono::steady_clock;

constexpr Vec3 defaultFrom{0.0f, 0.0f, -1600.0f};
// 40 to 60 units above the ground at the program's start; the straight leg
// from the orbit point comes no nearer the centre than 442 on the way.
constexpr Vec3 defaultTo{0.0f, 460.0f, 0.0f};
// How long the planet may take to settle around the start point before
// the flight begins.
constexpr double startLimitSeconds = 300.0;
// Streaming has converged, as for the snapshot, after this many idle
// manager passes in a row.
constexpr int quietPasses = 3;

std::string usage() {
    return "usage: flight_check [options]\n" + planetOptionsHelp() +
           "  --from X Y Z       where the flight starts and ends (default 0 0 -1600, in orbit)\n"
           "  --to X Y Z         where it turns back (default 0 460 0, above the program's start)\n"
           "  --speed U          units per second (default 120)\n"
           "  --interval S       seconds of flight between frames (default 0.5)\n"
           "  --settle S         after arriving, render until the planet is idle, for at most S\n"
           "                     seconds (default 20)\n"
           "  --one-way          fly from --from to --to only (default: there and back)\n"
           "  --width N          frame width in pixels (default 480)\n"
           "  --height N         frame height in pixels (default 300)\n"
           "  --worst PATH       write the frame with the most crack pixels as a PNG\n"
           "  --help             this text\n"
           "The camera looks at the planet's centre. Exit status: 0 flown, 1 failed to set up,\n"
           "2 bad command line.\n";
}

struct FlightOptions {
    ViewOptions view;
    Vec3 from = defaultFrom;
    Vec3 to = defaultTo;
    float speed = 120.0f;
    float interval = 0.5f;
    float settle = 20.0f;
    bool outAndBack = true;
    int width = 480;
    int height = 300;
    std::string worstPath;
    bool help = false;
};

Vec3 point(std::string_view option, Arguments& args) {
    const float x = args.number(option);
    const float y = args.number(option);
    return {x, y, args.number(option)};
}

int pixels(std::string_view option, Arguments& args) {
    const std::int32_t value = args.integer(option);
    if (value < 1 || value > 8192) {
        throw UsageError(std::string(option) + ": must be from 1 to 8192 (got " + std::string(args.lastWord()) + ")");
    }
    return value;
}

FlightOptions parseOptions(int argc, char** argv) {
    FlightOptions options;
    Arguments args(argc, argv);
    while (!args.done()) {
        const std::string_view option = args.option();
        if (isPoseOption(option)) {
            throw UsageError(std::string(option) + ": the flight sets the pose (--from, --to)");
        }
        if (takeViewOption(option, args, options.view)) continue;
        if (option == "--help") {
            options.help = true;
        } else if (option == "--from") {
            options.from = point(option, args);
        } else if (option == "--to") {
            options.to = point(option, args);
        } else if (option == "--speed") {
            options.speed = args.numberAbove(option, 0.0f, 1e6f);
        } else if (option == "--interval") {
            options.interval = args.numberAbove(option, 0.0f, 3600.0f);
        } else if (option == "--settle") {
            options.settle = args.number(option);
            if (options.settle < 0.0f) {
                throw UsageError("--settle: must not be negative (got " + std::string(args.lastWord()) + ")");
            }
        } else if (option == "--one-way") {
            options.outAndBack = false;
        } else if (option == "--width") {
            options.width = pixels(option, args);
        } else if (option == "--height") {
            options.height = pixels(option, args);
        } else if (option == "--worst") {
            options.worstPath = args.text(option);
        } else {
            throw unknownOption(option);
        }
    }
    return options;
}

double secondsSince(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

// Renders the camera's view and counts its crack pixels; keeps the image of
// the frame with the most of them.
class FrameCounter {
public:
    explicit FrameCounter(HeadlessView& view) : view_(view) {}

    std::uint64_t render(double t) {
        view_.drawFrame();
        Renderer& renderer = view_.renderer();
        RgbaImage image = renderer.readColor();
        const Vec3 eye = view_.camera().position();
        const std::uint64_t cracks =
            countCrackPixels(image, renderer.frameConstants().viewProjection, eye, solidShellsTop);
        std::printf("t=%.2f pos=(%.1f, %.1f, %.1f) crack pixels: %llu faces: %llu\n", t, static_cast<double>(eye.x),
                    static_cast<double>(eye.y), static_cast<double>(eye.z), static_cast<unsigned long long>(cracks),
                    static_cast<unsigned long long>(renderer.lastFaceCounts().drawn));
        std::fflush(stdout);
        if (cracks > worstCracks_ || worst_.pixels.empty()) {
            worstCracks_ = cracks;
            worst_ = std::move(image);
            worstT_ = t;
        }
        return cracks;
    }

    const RgbaImage& worst() const { return worst_; }
    double worstT() const { return worstT_; }

private:
    HeadlessView& view_;
    RgbaImage worst_;
    std::uint64_t worstCracks_ = 0;
    double worstT_ = 0.0;
};

void placeCamera(Camera& camera, const Vec3& position) {
    camera.setPosition(position);
    const LookAngles look = lookAtCentre(position);
    camera.setOrientation(look.yawDegrees, look.pitchDegrees);
}

}  // namespace

int main(int argc, char** argv) {
    gravelkin::keepLargeFreedBlocksForReuse();
    FlightOptions flight;
    try {
        flight = parseOptions(argc, argv);
    } catch (const UsageError& error) {
        std::fprintf(stderr, "flight_check: %s\n%s", error.what(), usage().c_str());
        return 2;
    }
    if (flight.help) {
        std::fputs(usage().c_str(), stdout);
        return 0;
    }

    SnapshotOptions options = snapshotOptionsFor(flight.view);
    options.position = flight.from;
    options.width = flight.width;
    options.height = flight.height;
    std::string error;
    std::unique_ptr<HeadlessView> view = HeadlessView::create(options, error);
    if (!view) {
        std::fprintf(stderr, "flight_check: %s\n", error.c_str());
        return 1;
    }
    Planet& planet = view->planet();
    GlGraphicsDevice& device = view->renderer().device();
    placeCamera(view->camera(), flight.from);
    std::printf("renderer: %s\n", view->rendererName().c_str());

    Clock::time_point start = Clock::now();
    const bool startSettled = streamUntilConverged(planet, device, quietPasses, startLimitSeconds);
    std::printf("settled at the start: %s after %.1f s\n", startSettled ? "yes" : "no", secondsSince(start));

    std::vector<Vec3> points{flight.from, flight.to};
    if (flight.outAndBack) points.push_back(flight.from);
    const FlightPath path(points, flight.speed);
    const double flightSeconds = path.seconds();
    FrameCounter counter(*view);
    std::uint64_t largestInFlight = 0;

    start = Clock::now();
    double nextFrame = 0.0;
    for (;;) {
        const double t = secondsSince(start);
        placeCamera(view->camera(), path.at(t));
        device.processPending();
        const bool arrived = t >= flightSeconds;
        if (t >= nextFrame || arrived) {
            largestInFlight = std::max(largestInFlight, counter.render(t));
            // A frame slower than the interval skips the frames it overran.
            while (nextFrame <= secondsSince(start)) nextFrame += flight.interval;
        }
        if (arrived) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }

    const Clock::time_point arrival = Clock::now();
    const double arrivalT = secondsSince(start);
    // Quiet passes made before arriving may have seen an earlier position.
    const std::uint64_t passesAtArrival = planet.stats().passes;
    const auto settled = [&planet, passesAtArrival] {
        return streamingConverged(planet, quietPasses) && planet.stats().passes >= passesAtArrival + quietPasses;
    };
    nextFrame = flight.interval;
    bool idle = settled();
    while (!idle && secondsSince(arrival) < flight.settle) {
        device.processPending();
        const double since = secondsSince(arrival);
        if (since >= nextFrame) {
            counter.render(arrivalT + since);
            while (nextFrame <= secondsSince(arrival)) nextFrame += flight.interval;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        idle = settled();
    }
    std::printf("settled after arriving: %s after %.1f s\n", idle ? "yes" : "no (--settle)", secondsSince(arrival));
    const std::uint64_t afterSettling = counter.render(secondsSince(start));

    if (!flight.worstPath.empty()) {
        if (writePng(flight.worstPath, counter.worst())) {
            std::printf("worst frame: %s (t=%.2f)\n", flight.worstPath.c_str(), counter.worstT());
        } else {
            std::fprintf(stderr, "flight_check: cannot write %s\n", flight.worstPath.c_str());
        }
    }
    std::printf("largest crack pixels during flight: %llu\n", static_cast<unsigned long long>(largestInFlight));
    std::printf("crack pixels after settling: %llu\n", static_cast<unsigned long long>(afterSettling));
    return 0;
}
