#include "cli/view_options.h"

#include <cmath>
#include <cstdio>
#include <string>

#include "planet/memory_budget.h"

namespace gravelkin {

std::string viewOptionsHelp() {
    const ViewOptions defaults;
    char text[800];
    std::snprintf(text, sizeof text,
                  "  --position X Y Z   camera position (default %g %g %g)\n"
                  "  --yaw DEG          heading; positive turns from +z toward +x (default 0)\n"
                  "  --pitch DEG        elevation from -%g to %g; positive looks down (default 0)\n",
                  static_cast<double>(defaults.position.x), static_cast<double>(defaults.position.y),
                  static_cast<double>(defaults.position.z), static_cast<double>(maxPitchDegrees),
                  static_cast<double>(maxPitchDegrees));
    return text + planetOptionsHelp();
}

std::string planetOptionsHelp() {
    const ViewOptions defaults;
    char text[800];
    std::snprintf(text, sizeof text,
                  "  --view-radius R    streaming radius, above 0 and at most %g (default %g)\n"
                  "  --seed N           terrain seed, a whole number (default %d: the usual planet)\n"
                  "  --far-terrain      also draw coarser terrain beyond the streaming radius, out to the\n"
                  "                     whole planet\n"
                  "  --memory-budget MIB  what the planet may hold in memory, %d to %d MiB (default %llu:\n"
                  "                     a quarter of this machine's memory, at most 4096); beyond it the\n"
                  "                     planet streams to a smaller radius\n",
                  static_cast<double>(maxViewRadius), static_cast<double>(defaults.viewRadius),
                  static_cast<int>(defaults.seed), static_cast<int>(minMemoryBudgetMiB),
                  static_cast<int>(maxMemoryBudgetMiB), static_cast<unsigned long long>(defaultMemoryBudget() / mebibyte));
    return text;
}

void applyMemoryBudget(const ViewOptions& view, Planet& planet) {
    if (view.memoryBudgetBytes != 0) planet.setMemoryBudget(view.memoryBudgetBytes);
}

bool isPoseOption(std::string_view option) {
    return option == "--position" || option == "--yaw" || option == "--pitch";
}

bool takeViewOption(std::string_view option, Arguments& args, ViewOptions& view) {
    if (option == "--position") {
        const float x = args.number(option);
        const float y = args.number(option);
        view.position = {x, y, args.number(option)};
    } else if (option == "--yaw") {
        view.yawDegrees = args.number(option);
    } else if (option == "--pitch") {
        view.pitchDegrees = args.number(option);
        if (std::fabs(view.pitchDegrees) > maxPitchDegrees) {
            throw UsageError("--pitch: must be from -90 to 90 (got " + std::string(args.lastWord()) + ")");
        }
    } else if (option == "--view-radius") {
        view.viewRadius = args.numberAbove(option, 0.0f, maxViewRadius);
    } else if (option == "--seed") {
        view.seed = args.integer(option);
    } else if (option == "--far-terrain") {
        view.farTerrain = true;
    } else if (option == "--memory-budget") {
        const std::int32_t mib = args.integer(option);
        if (mib < minMemoryBudgetMiB || mib > maxMemoryBudgetMiB) {
            throw UsageError("--memory-budget: must be from " + std::to_string(minMemoryBudgetMiB) + " to " +
                             std::to_string(maxMemoryBudgetMiB) + " MiB (got " + std::string(args.lastWord()) + ")");
        }
        view.memoryBudgetBytes = static_cast<std::uint64_t>(mib) * mebibyte;
    } else {
        return false;
    }
    return true;
}

}  // namespace gravelkin
