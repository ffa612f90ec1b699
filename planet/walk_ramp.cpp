// Near first: the walk's ramp out from a camera that has arrived in a chunk
// not held (see manager.h). The first walk reaches the surroundings and their
// neighbours, some three hundred chunks, and costs a fraction of a
// millisecond. It stays there until the surroundings are meshed (for at most
// maxRampHoldPasses passes): requests for far chunks would otherwise fill
// the five factories in the moment between a near chunk's last neighbour and
// its mesh request, and on two cores its mesh job would then share them with
// four far jobs. Then each pass reaches walkRampFactor times farther, so no
// single walk holds back the meshes of the chunks near the camera for long,
// and the radius is reached within a handful of passes. Only the walk and the
// gap sweep ramp: chunks are dropped, and requests dropped by the
// factories, against the whole radius, so nothing held is lost to the ramp.

#include <cmath>

#include "geometry/position_lookup.h"
#include "planet/manager.h"

namespace gravelkin {

std::uint32_t walkLengthFor(float radius) {
    // Truncated toward zero first, then shifted as an unsigned value.
    const auto truncated = static_cast<std::uint32_t>(static_cast<std::int32_t>(radius));
    return (truncated >> 5) + 1;
}

bool Manager::surroundingsMeshed() {
    const ChunkMap& chunks = state_.chunks();
    const auto meshed = [&chunks](const ChunkKey& key) {
        return chunkWhere(chunks, key,
                          [](const Chunk& chunk) { return !chunk.meshPending.load(std::memory_order_acquire); });
    };
    return surroundings_.meshed(state_.cameraPosition(), std::fmin(surroundingsRadius, state_.viewRadius()), meshed);
}

float Manager::walkRadius() const {
    const float radius = state_.viewRadius();
    return rampRadius_ != 0.0f && rampRadius_ < radius ? rampRadius_ : radius;
}

void Manager::rampWalk() {
    const Vec3 camera = state_.cameraPosition();
    const ChunkKey own = chunkKeyAt(camera.x, camera.y, camera.z);
    // Arrived in a chunk not held: the start, a jump, or a flight that
    // outran the streaming. The ramp starts once for each such chunk.
    if (!(rampStart_ && *rampStart_ == own) && !known_(own).held) {
        rampStart_ = own;
        rampRadius_ = nearWalkRadius;
        rampHeldPasses_ = 0;
        rampSweepOwed_ = true;
    } else if (rampRadius_ != 0.0f) {
        if (rampHeldPasses_ < maxRampHoldPasses && !surroundingsMeshed()) {
            ++rampHeldPasses_;
        } else {
            rampRadius_ *= walkRampFactor;
            rampSweepOwed_ = true;
        }
    }
    if (rampRadius_ >= state_.viewRadius()) rampRadius_ = 0.0f;
}

}  // namespace gravelkin
