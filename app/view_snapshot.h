// The headless snapshot's settings for a set of view options: the pose, the
// streaming radius, the seed and far terrain; everything else as
// SnapshotOptions has it.
//
// Threads: plain values.
#pragma once

#include "cli/view_options.h"
#include "render/headless_snapshot.h"

namespace gravelkin {

inline SnapshotOptions snapshotOptionsFor(const ViewOptions& view) {
    SnapshotOptions options;
    options.position = view.position;
    options.yawDegrees = view.yawDegrees;
    options.pitchDegrees = view.pitchDegrees;
    options.viewRadius = view.viewRadius;
    options.seed = view.seed;
    options.farTerrain = view.farTerrain;
    options.memoryBudgetBytes = view.memoryBudgetBytes;
    return options;
}

}  // namespace gravelkin
