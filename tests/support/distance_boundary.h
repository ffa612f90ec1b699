// The camera positions on either side of a distance limit, for tests of the
// keep and drop rules at their exact boundary.
#pragma once

#include "camera/distance.h"
#include "camera/vector_math.h"

namespace gravelkin::test {

// Moving along +x from `centre`: the last x whose squared distance to `centre`
// is still <= limitSquared, and the first x beyond it (adjacent floats).
struct DistanceBoundary {
    float within;
    float beyond;
};

inline DistanceBoundary boundaryAlongX(const Vec3& centre, float limitSquared) {
    DistanceBoundary b{centre.x, centre.x + 2.0f * limitSquared + 2.0f};
    for (;;) {
        const float mid = b.within + (b.beyond - b.within) / 2.0f;
        if (mid == b.within || mid == b.beyond) return b;
        (distanceSquared(Vec3{mid, centre.y, centre.z}, centre) <= limitSquared ? b.within : b.beyond) = mid;
    }
}

}  // namespace gravelkin::test
