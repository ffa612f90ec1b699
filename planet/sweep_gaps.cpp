// The gap sweep: a breadth-first walk over chunk neighbours from the camera's
// chunk through every chunk whose centre is within viewRadius, requesting the
// missing ones.
//
// The octant walk alone misses chunks: its N steps per axis cover only half
// the distance once a shell outward doubles its grid, and its rows and
// columns do not cover every chunk where they wrap round a cube corner (from
// some positions near a thousand of the ten thousand chunks in range). The
// chunks within the radius form one connected set under the neighbour steps
// (tested from many positions against a brute-force enumeration), so a
// flood fill through them finds every one. It costs a few octant walks, so
// the pass runs it only when the camera has moved since the last sweep, and
// at most every gapSweepInterval passes; the octant walk still makes the
// bulk of the requests, nearest first.

#include "camera/distance.h"
#include "geometry/neighbours.h"
#include "geometry/position_lookup.h"
#include "planet/manager.h"

namespace gravelkin {

void Manager::sweepGaps() {
    if (++sweepNumber_ == 0) sweepNumber_ = 1;  // 0 marks keys no sweep reached
    const Vec3 camera = state_.cameraPosition();
    sweptAt_ = camera;
    const float radius = walkRadius();
    rampSweepOwed_ = false;
    const float radiusSquared = radius * radius;
    const ChunkMap& chunks = state_.chunks();

    const ChunkKey start = chunkKeyAt(camera.x, camera.y, camera.z);
    sweepQueue_.assign(1, start);
    (void)known_.visitOnce(start, sweepNumber_);
    // Forgetting keys at capacity also forgets their marks: the bound keeps
    // such a sweep from going round for long.
    const std::size_t visitLimit = KnownChunkKeys::capacity / 2;
    for (std::size_t head = 0; head < sweepQueue_.size() && head < visitLimit; ++head) {
        const ChunkKey key = sweepQueue_[head];
        const KnownChunkKey known = known_(key);
        const float d2 = distanceSquared(camera, known.centre);
        if (d2 > radiusSquared) {
            if (head != 0) continue;  // the camera's own chunk leads on even when out of range
        } else if (!known.held && !contains(chunks, key) && !state_.isInFlight(key)) {
            if (!requestFits()) return;
            state_.request(key, RequestKind::Generate, d2);
            ++tally_.generateRequests;
            ++tally_.sweptRequests;
        }
        for (const Direction direction : allDirections) {
            const NeighbourStep<ChunkKey> step = chunkNeighbour(key, direction);
            if (step.split) {
                for (const ChunkKey& fine : fineKeysFrom(step.address).keys) {
                    if (known_.visitOnce(fine, sweepNumber_)) sweepQueue_.push_back(fine);
                }
            } else if (known_.visitOnce(step.address, sweepNumber_)) {
                sweepQueue_.push_back(step.address);
            }
        }
    }
}

}  // namespace gravelkin
