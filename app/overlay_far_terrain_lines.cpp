#include "app/overlay_far_terrain_lines.h"

#include <cstdarg>
#include <cstdio>

namespace gravelkin {

namespace {

std::string format(const char* pattern, ...) __attribute__((format(printf, 1, 2)));

std::string format(const char* pattern, ...) {
    char text[160];
    va_list arguments;
    va_start(arguments, pattern);
    std::vsnprintf(text, sizeof text, pattern, arguments);
    va_end(arguments);
    return text;
}

unsigned long long count(std::uint64_t value) { return static_cast<unsigned long long>(value); }

}  // namespace

std::vector<std::string> farTerrainLines(const OverlayFigures& figures) {
    if (!figures.farTerrain) return {};
    const FarTerrainStats& far = figures.far;
    std::string held = "far nodes held by level:";
    for (unsigned level = 1; level <= farTopLevel; ++level) {
        held += format("%s %u: %llu", level == 1 ? "" : ",", level, count(far.nodesByLevel[level]));
    }
    return {held, format("far nodes drawn %llu, their faces %llu", count(far.drawnNodes), count(far.drawnFaces)),
            format("far node memory %.1f MiB, queued %llu",
                   static_cast<double>(far.deviceBytes) / (1024.0 * 1024.0), count(far.queued))};
}

}  // namespace gravelkin
