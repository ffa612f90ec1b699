#include <cerrno>
#include <cstdlib>
#include <string_view>

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
    "                     with or without --soak\n";

bool parseSoakOption(int argc, char** argv, int& i, SoakOptions& soak, std::string& error) {
    const std::string_view option = argv[i];
    if (option == "--faults") {
        soak.faults = true;
        return true;
    }
    if (option != "--soak" && option != "--flight-seed") return false;
    if (i + 1 >= argc) {
        error = std::string(option) + ": needs a value";
        return true;
    }
    const char* text = argv[++i];
    char* end = nullptr;
    errno = 0;
    if (option == "--soak") {
        soak.seconds = std::strtod(text, &end);
        if (end == text || *end != '\0' || errno != 0 || !(soak.seconds > 0.0 && soak.seconds <= 86400.0)) {
            error = "--soak: not a number of seconds above 0 and at most 86400: '" + std::string(text) + "'";
        }
    } else {
        soak.flightSeed = std::strtoull(text, &end, 10);
        if (end == text || *end != '\0' || errno != 0 || text[0] == '-') {
            error = "--flight-seed: not a whole number: '" + std::string(text) + "'";
        }
    }
    return true;
}

}  // namespace gravelkin::tools
