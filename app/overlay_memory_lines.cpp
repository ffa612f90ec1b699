#include "app/overlay_memory_lines.h"

#include <cstdio>

namespace gravelkin {

std::string radiusLine(const OverlayFigures& figures) {
    char text[96];
    if (figures.effectiveRadius < figures.viewRadius) {
        std::snprintf(text, sizeof text, "streaming radius %.0f, %.0f in effect (memory budget)",
                      static_cast<double>(figures.viewRadius), static_cast<double>(figures.effectiveRadius));
    } else {
        std::snprintf(text, sizeof text, "streaming radius %.0f", static_cast<double>(figures.viewRadius));
    }
    return text;
}

std::string memoryLine(const OverlayFigures& figures) {
    constexpr double mib = 1024.0 * 1024.0;
    char text[96];
    std::snprintf(text, sizeof text, "planet memory %.1f MiB of a %.0f MiB budget",
                  static_cast<double>(figures.memoryBytes) / mib, static_cast<double>(figures.memoryBudget) / mib);
    return text;
}

}  // namespace gravelkin
