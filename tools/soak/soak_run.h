// stream_probe's soak: the real streaming planet (manager and five factories,
// host-memory device) under a long, erratic, seeded flight (soak_flight.h),
// optionally with injected faults (fault_injection.h), checked every second
// (soak_watch.h and the manager's audit), then at rest where the flight ended:
// the faults stop, and the planet must converge around the resting camera
// with every chunk within the radius present, none of them a placeholder or
// left without a mesh by a failed buffer, and no chunk that could be meshed
// left unmeshed.
//
// --faults without --soak streams around the still camera with the faults
// until the planet first converges, then rests without them, with the same
// checks.
//
// Prints "name: value" lines on stdout, progress on stderr every 10 s. Exit
// status 0 when no invariant broke, 1 otherwise.
//
// Threads: the calling thread flies and checks; the planet's own stream.
#pragma once

#include <cstdint>
#include <string>

#include "camera/vector_math.h"
#include "cli/view_options.h"

namespace gravelkin {
class Arguments;
}

namespace gravelkin::tools {

struct SoakOptions {
    double seconds = 0.0;
    std::uint64_t flightSeed = 1;
    bool faults = false;
    // Longest wait for the planet to converge once the camera rests.
    double restLimitSeconds = 900.0;

    bool requested() const { return seconds > 0.0 || faults; }
};

// The soak's lines of stream_probe's --help.
extern const char* const soakUsage;

// Takes `option`'s values from `args` when it is a soak option (true), and
// throws UsageError on a bad value; false for any other option.
bool takeSoakOption(std::string_view option, Arguments& args, SoakOptions& soak);

// Flies and rests as `soak` says, from the view's position, with its radius,
// memory budget and far terrain (whose audit joins the planet's).
int runSoak(const SoakOptions& soak, const ViewOptions& view);

}  // namespace gravelkin::tools
