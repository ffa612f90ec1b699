// Whether the camera's surroundings are meshed: every chunk whose centre lies
// within a small radius of the eye is published with no mesh step left. The
// ground there is the first thing a user looks at after a start or a jump,
// so work that can wait (the far terrain) waits for it.
//
// Threads: one owner (the manager thread). The readiness test is the
// caller's, and must be safe while the planet streams.
#pragma once

#include <cstddef>
#include <functional>
#include <vector>

#include "camera/vector_math.h"
#include "geometry/chunk_key.h"

namespace gravelkin {

// The ground a user sees first: the chunks within this many units of the eye.
inline constexpr float surroundingsRadius = 100.0f;

class SurroundingsWatch {
public:
    // Whether `meshed` holds for every chunk within `radius` of `eye`. The
    // key list is built again only when the eye or the radius changes; a
    // chunk once seen meshed is not asked again while they stay.
    bool meshed(const Vec3& eye, float radius, const std::function<bool(const ChunkKey&)>& meshed);

private:
    std::vector<ChunkKey> keys_;
    Vec3 eye_{};
    float radius_ = -1.0f;
    std::size_t firstWaiting_ = 0;  // keys before it were meshed
};

}  // namespace gravelkin
