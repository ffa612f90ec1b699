// Boxes and view frustums, for deciding that something cannot reach the
// picture.
//
// The frustum is the clip volume of a row-vector view-projection M (clip =
// (p, 1) x M): -w <= x <= w, -w <= y <= w, 0 <= z <= w, the volume GL clips to
// with glClipControl(GL_LOWER_LEFT, GL_ZERO_TO_ONE). Its six planes are sums
// and differences of M's columns (left w + x, right w - x, bottom w + y, top
// w - y, near z, far w - z); a plane's value at a point is positive inside.
// For a reversed infinite projection (perspectiveFovReversedInfiniteLH) the
// roles of the last two swap: z is the constant near distance, a plane with
// no normal that holds every point (depth 0 lies at infinity), and w - z is
// the near plane.
//
// The test is conservative. The vertex stage evaluates each clip component
// in single precision, so a point a hair outside a plane may be kept; near the
// far plane, where w and z nearly cancel, that hair is a few world units
// (and the bound below tens of units). A
// box is therefore outside only when, at its corner furthest inside, the
// plane's value (evaluated in double from the matrix's exact entries) is
// below minus the sum of: a bound on the vertex stage's rounding (4e-6 of the
// summed magnitudes of the terms of the two clip components, about ten times
// the 7 x 2^-24 that two four-term single-precision dot products can reach),
// and `margin` world units. A plane
// whose normal is zero or not finite, and any value that is not a number,
// report nothing outside.
//
// Threads: plain values and pure functions; any thread.
#pragma once

#include <algorithm>

#include "camera/vector_math.h"

namespace gravelkin {

// An axis-aligned box; empty while min exceeds max in any component.
struct Box3 {
    Vec3 min{1e30f, 1e30f, 1e30f};
    Vec3 max{-1e30f, -1e30f, -1e30f};
};

// Grows `box` to hold `point`. Inline: meshing and the GL device's face
// grouping call it for every corner.
inline void includePoint(Box3& box, const Vec3& point) {
    box.min = {std::min(box.min.x, point.x), std::min(box.min.y, point.y), std::min(box.min.z, point.z)};
    box.max = {std::max(box.max.x, point.x), std::max(box.max.y, point.y), std::max(box.max.z, point.z)};
}

struct FrustumPlane {
    double coefficients[4];  // value at p: (p, 1) . coefficients
    double magnitudes[4];    // per row, |entry| summed over the two columns the plane combines
    double slack;            // the margin in the plane's units: margin x the normal's length
};

struct Frustum {
    FrustumPlane planes[6];  // left, right, bottom, top, near, far
};

// The clip volume of `viewProjection`, with `margin` world units of slack.
Frustum frustumFromViewProjection(const Mat4& viewProjection, float margin = 1.0f);

// True only when no point of the (non-empty) box can be kept by the vertex
// stage: the whole box lies beyond one plane, by more than the rounding bound
// and the margin.
bool boxOutsideFrustum(const Frustum& frustum, const Box3& box);

}  // namespace gravelkin
