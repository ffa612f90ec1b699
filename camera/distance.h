// Squared distance between two points, the one measure the streaming uses to
// request, keep and drop chunks: no square root is ever taken.
//
// Pure; any thread.
#pragma once

#include "camera/vector_math.h"

namespace gravelkin {

// (dx² + dy²) + dz², summed left to right so that every thread that compares
// the same two points gets the same bits.
inline float distanceSquared(const Vec3& p, const Vec3& q) {
    const float dx = p.x - q.x;
    const float dy = p.y - q.y;
    const float dz = p.z - q.z;
    return (dx * dx + dy * dy) + dz * dz;
}

}  // namespace gravelkin
