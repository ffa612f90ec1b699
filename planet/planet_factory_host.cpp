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

void PlanetFactoryHost::reportSkippedChunk(const ChunkKey& key) {
    // Every placeholder is counted; only the planet's first is written out,
    // so that a system short of memory does not flood the log.
    if (state_.countSkippedChunk() != 0) return;
    std::fprintf(stderr,
                 "gravelkin: no memory for the voxels of chunk (x %u, shell %u, y %u, face %u); it is skipped "
                 "(drawn as air) until it leaves the view radius, and the rest of the planet streams on "
                 "(further skipped chunks are counted, not reported)\n",
                 static_cast<unsigned>(key.x), static_cast<unsigned>(key.shell), static_cast<unsigned>(key.y),
                 static_cast<unsigned>(key.face));
}

void PlanetFactoryHost::reportFailedBuffer(const ChunkKey& key) {
    // As for placeholders: a device out of memory fails every mesh for a
    // while, and one line says it.
    if (state_.countFailedBuffer() != 0) return;
    std::fprintf(stderr,
                 "gravelkin: the graphics device could not create a vertex buffer for chunk (x %u, shell %u, y %u, "
                 "face %u); such chunks stay without a mesh and are not retried (further failures are counted, "
                 "not reported)\n",
                 static_cast<unsigned>(key.x), static_cast<unsigned>(key.shell), static_cast<unsigned>(key.y),
                 static_cast<unsigned>(key.face));
}

}  // namespace gravelkin
