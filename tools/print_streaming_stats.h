// The streaming counters as the headless tools print them: one "name: value"
// line each, in the order of their list (planet/streaming_stats.h), so that
// every counter is printed under its one name.
#pragma once

#include <cstdio>

#include "planet/streaming_stats.h"

namespace gravelkin::tools {

inline void printStreamingStats(const StreamingStats& stats) {
    for (const StreamingCounterEntry& counted : streamingCounterTable) {
        std::printf("%s: %llu\n", counted.name, static_cast<unsigned long long>(stats.*counted.stat));
    }
}

}  // namespace gravelkin::tools
