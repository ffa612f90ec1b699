#include "tools/soak/path_neighbourhood.h"

#include <unordered_set>

#include "geometry/chunk_key.h"
#include "planet/chunks_within.h"

namespace gravelkin::tools {

PathNeighbourhood::PathNeighbourhood(float dropRadius, float spacing)
    : radius_(dropRadius + spacing), spacing_(spacing) {}

void PathNeighbourhood::fly(const Vec3& position, double now) {
    if (!samples_.empty()) {
        const Vec3 d = position - samples_.back().position;
        if (dot3(d, d) <= spacing_ * spacing_) return;
    }
    samples_.push_back(Sample{position, now});
}

std::size_t PathNeighbourhood::keysSince(double since) {
    // The newest sample taken before `since` covers the path up to the next.
    while (samples_.size() > 1 && samples_[1].time <= since) samples_.pop_front();
    std::unordered_set<ChunkKey, ChunkKeyHasher> keys;
    for (const Sample& sample : samples_) {
        for (const ChunkKey& key : chunkKeysWithin(sample.position, radius_)) keys.insert(key);
    }
    return keys.size();
}

}  // namespace gravelkin::tools
