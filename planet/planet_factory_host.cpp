#include "planet/planet_factory_host.h"

#include <cstdio>

namespace gravelkin {

bool PlanetFactoryHost::beginJob(ChunkRequest& out) {
    // Counted as active before the pop, so that idle() never sees a popped
    // request in neither the queue nor a job.
    state_.raiseActiveJobs();
    if (state_.tryPopRequest(out)) return true;
    state_.lowerActiveJobs();
    return false;
}

namespace {

// One line on standard error: `what` happened to the chunk at `key`, and
// `consequence` follows.
void reportChunk(const char* what, const ChunkKey& key, const char* consequence) {
    std::fprintf(stderr, "gravelkin: %s chunk (x %u, shell %u, y %u, face %u); %s\n", what,
                 static_cast<unsigned>(key.x), static_cast<unsigned>(key.shell), static_cast<unsigned>(key.y),
                 static_cast<unsigned>(key.face), consequence);
}

}  // namespace

// Every failure is counted; only the planet's first of each kind is written
// out, so that a system short of memory, whose device or allocator fails
// chunk after chunk, does not flood the log.
void PlanetFactoryHost::reportSkippedChunk(const ChunkKey& key) {
    if (state_.countSkippedChunk() != 0) return;
    reportChunk("no memory for the voxels of", key,
                "it is skipped (drawn as air) and tried again after a growing delay, and the rest of the planet "
                "streams on (further skipped chunks are counted, not reported)");
}

void PlanetFactoryHost::reportFailedBuffer(const ChunkKey& key) {
    if (state_.countFailedBuffer() != 0) return;
    reportChunk("the graphics device could not create a vertex buffer for", key,
                "such chunks stay without a mesh until it is tried again after a growing delay (further "
                "failures are counted, not reported)");
}

}  // namespace gravelkin
