#include <cstdint>
#include <string_view>

#include "cli/arguments.h"

#include "tools/soak/soak_run.h"

namespace gravelkin::tools {

const char* const soakUsage =
    "Soak (tools/soak/soak_run.h):\n"
    "  --soak S           fly a seeded random path through and around the planet\n"
    "                     for S seconds, checking its invariants every second, then\n"
    "                     rest and check the converged planet (exit 1 on any\n"
    "                     broken invariant)\n"
    "  --flight-seed N    the soak flight's seed, and the faults' (default 1)\n"
    "  --faults           inject faults while streaming: 5% of buffer creations\n"
    "                     fail and 10% are delayed 1-10 ms, 5% of generator calls\n"
    "                     sleep 1-30 ms, 2% of voxel block allocations fail;\n"
    "                     with or without --soak; they stop when the flight ends\n"
    "                     (without --soak: once the planet first converges), and\n"
    "                     the rest must find no hole they left\n";

bool takeSoakOption(std::string_view option, Arguments& args, SoakOptions& soak) {
    if (option == "--faults") {
        soak.faults = true;
    } else if (option == "--soak") {
        soak.seconds = args.numberAbove(option, 0.0f, 86400.0f);
    } else if (option == "--flight-seed") {
        const std::int32_t seed = args.integer(option);
        if (seed < 0) throw UsageError("--flight-seed: must not be negative");
        soak.flightSeed = static_cast<std::uint64_t>(seed);
    } else {
        return false;
    }
    return true;
}

}  // namespace gravelkin::tools
