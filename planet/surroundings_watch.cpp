#include "planet/surroundings_watch.h"

#include "planet/chunks_within.h"

namespace gravelkin {

bool SurroundingsWatch::meshed(const Vec3& eye, float radius, const std::function<bool(const ChunkKey&)>& meshed) {
    if (!sameBits(eye, eye_) || radius != radius_) {
        keys_ = chunkKeysWithin(eye, radius);
        eye_ = eye;
        radius_ = radius;
        firstWaiting_ = 0;
    }
    // A chunk goes from unmeshed to meshed, not back, while the eye stays.
    while (firstWaiting_ < keys_.size() && meshed(keys_[firstWaiting_])) ++firstWaiting_;
    return firstWaiting_ == keys_.size();
}

}  // namespace gravelkin
